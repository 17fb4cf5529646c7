#include "ui/browser/ThumbnailView.h"

#include "platform/Icons.h"
#include "ui/kit/Theme.h"

#include <QPainter>
#include <QPainterPath>

namespace tessarin {
namespace {
constexpr qreal kRadius = 3;
constexpr int kGlyph = 10; // caption 2
} // namespace

ThumbnailView::ThumbnailView(int width, int height, const QString& icon, QWidget* parent)
    : QWidget(parent)
    , icon_(icon)
{
    setFixedSize(width, height);
}

void ThumbnailView::setImage(const QImage& image)
{
    if (image_.cacheKey() == image.cacheKey())
        return;
    image_ = image;
    update();
}

void ThumbnailView::setIcon(const QString& icon)
{
    if (icon_ == icon)
        return;
    icon_ = icon;
    update();
}

void ThumbnailView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF frame(rect());
    QPainterPath clip;
    clip.addRoundedRect(frame, kRadius, kRadius);
    if (!image_.isNull()) {
        // Fill the frame keeping the aspect ratio; the overflow is cut off.
        p.setClipPath(clip);
        const QSizeF scaled = QSizeF(image_.size()).scaled(frame.size(), Qt::KeepAspectRatioByExpanding);
        const QRectF target(frame.center().x() - scaled.width() / 2, frame.center().y() - scaled.height() / 2,
                            scaled.width(), scaled.height());
        p.drawImage(target, image_);
        return;
    }
    p.fillPath(clip, Theme::black(0.6));
    const QPixmap glyph = Icons::pixmap(icon_, Qt::white, kGlyph, devicePixelRatioF());
    p.drawPixmap(QRect((width() - kGlyph) / 2, (height() - kGlyph) / 2, kGlyph, kGlyph), glyph);
}

} // namespace tessarin
