#include "ui/kit/KeptPicture.h"

#include <QPainter>

namespace tessarin {

const QImage& KeptPicture::at(const QSize& size, qreal dpr, bool opaque, const Draw& draw)
{
    const QSize pixels(qRound(size.width() * dpr), qRound(size.height() * dpr));
    const QImage::Format format = opaque ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied;
    if (image_.size() != pixels || image_.devicePixelRatio() != dpr || image_.format() != format) {
        image_ = QImage(pixels, format);
        image_.setDevicePixelRatio(dpr);
        image_.fill(Qt::transparent);
        QPainter p(&image_);
        draw(p, QRectF(QPointF(0, 0), QSizeF(size)));
    }
    return image_;
}

} // namespace tessarin
