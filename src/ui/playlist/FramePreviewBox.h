#pragma once
// One frame preview of the trim editor: the loader's latest frame fitted in
// a black rounded box with a coloured border and a label under it; a spinner
// until the first frame arrives. Main thread.
#include <QColor>
#include <QPointer>
#include <QWidget>

class QVariantAnimation;

namespace tessarin {

class FramePreviewLoader;

class FramePreviewBox : public QWidget {
    Q_OBJECT
public:
    static constexpr int kBoxHeight = 90;

    FramePreviewBox(FramePreviewLoader* loader, const QString& label, const QColor& color, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent*) override;
    void showEvent(QShowEvent*) override { followLoader(); }
    void hideEvent(QHideEvent*) override;

private:
    void followLoader();

    QPointer<FramePreviewLoader> loader_;
    QString label_;
    QColor color_;
    QVariantAnimation* spin_;
    double angle_ = 0;
};

} // namespace tessarin
