#include "media/PackedPicture.h"

#include "platform/MainThread.h"
#include "platform/Workers.h"

#include <QBuffer>
#include <QPointer>

namespace tessarin {

namespace {

// A thumbnail is drawn at most at its own size: at this quality the
// encoding is not visible there, and it takes about a tenth of the pixels.
constexpr int kJpegQuality = 90;

bool isOpaque(const QImage& image)
{
    if (!image.hasAlphaChannel())
        return true;
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            if (qAlpha(line[x]) != 255)
                return false;
        }
    }
    return true;
}

} // namespace

PackedPicture PackedPicture::pack(const QImage& image)
{
    PackedPicture packed;
    if (image.isNull())
        return packed;
    QBuffer buffer(&packed.bytes_);
    buffer.open(QIODevice::WriteOnly);
    const bool written = isOpaque(image) ? image.save(&buffer, "JPG", kJpegQuality) : image.save(&buffer, "PNG");
    if (!written)
        packed.bytes_.clear();
    packed.bytes_.squeeze();
    return packed;
}

QImage PackedPicture::unpack() const
{
    if (bytes_.isEmpty())
        return {};
    return QImage::fromData(bytes_);
}

void PackedPicture::unpackLater(QObject* context, std::function<void(const QImage&)> done) const
{
    if (isNull()) {
        done(QImage());
        return;
    }
    Workers::userInitiated().async([picture = *this, context = QPointer<QObject>(context), done = std::move(done)] {
        QImage image = picture.unpack();
        postToMain([context, done, image = std::move(image)] {
            if (context)
                done(image);
        });
    }, Workers::AtEnd::drop);
}

} // namespace tessarin
