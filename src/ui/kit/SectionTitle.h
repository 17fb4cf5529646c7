#pragma once
// A small upper-case section heading with an optional symbol before it.
// Main thread.
#include <QString>
#include <QWidget>

namespace tessarin {

class SectionTitle : public QWidget {
    Q_OBJECT
public:
    explicit SectionTitle(const QString& text, const QString& icon = {}, QWidget* parent = nullptr);
    QString text() const { return text_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QString text_; // already upper case
    QString icon_;
};

} // namespace tessarin
