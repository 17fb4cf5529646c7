#pragma once
// The small picture of a media item: its thumbnail scaled to fill a fixed
// frame with rounded corners, or, while it has none, a dark plate with a
// symbol ("film", "waveform"). Used by the browser's rows and the block
// cards' item rows. Main thread.
#include <QImage>
#include <QString>
#include <QWidget>

namespace tessarin {

class ThumbnailView : public QWidget {
    Q_OBJECT
public:
    ThumbnailView(int width, int height, const QString& icon, QWidget* parent = nullptr);
    void setImage(const QImage& image);
    const QImage& image() const { return image_; }
    void setIcon(const QString& icon);
    const QString& icon() const { return icon_; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QImage image_;
    QString icon_;
};

} // namespace tessarin
