#include "platform/StillImage.h"

#include "platform/FrameGrabber.h"
#include "platform/LibAv.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

#include <QImageReader>
#include <QTransform>

#include <cstring>

namespace tessarin::StillImage {
namespace {

// Pictures past this many pixels are not decoded (a damaged or hostile
// header could otherwise ask for gigabytes).
constexpr std::int64_t kMaxPixels = std::int64_t(1) << 28;

libav::FramePtr decodeFirst(const QString& path)
{
    QString error;
    libav::InputPtr input = libav::openInput(path, &error);
    if (!input)
        return nullptr;
    const AVStream* stream = nullptr;
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        if (input->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
            stream = input->streams[i];
            break;
        }
    }
    if (!stream || std::int64_t(stream->codecpar->width) * stream->codecpar->height > kMaxPixels)
        return nullptr;
    libav::CodecPtr decoder = libav::openDecoder(stream, 1, &error);
    libav::PacketPtr packet(av_packet_alloc());
    libav::FramePtr frame(av_frame_alloc());
    if (!decoder || !packet || !frame)
        return nullptr;
    bool flushed = false;
    while (true) {
        const int received = avcodec_receive_frame(decoder.get(), frame.get());
        if (received == 0)
            return frame;
        if (received != AVERROR(EAGAIN) || flushed)
            return nullptr;
        const int rc = av_read_frame(input.get(), packet.get());
        if (rc < 0) {
            avcodec_send_packet(decoder.get(), nullptr);
            flushed = true;
            continue;
        }
        if (packet->stream_index == stream->index)
            avcodec_send_packet(decoder.get(), packet.get());
        av_packet_unref(packet.get());
    }
}

// The EXIF orientation (1 to 8) the decoder found, 1 when none.
int orientationOf(const AVFrame* frame)
{
    const AVDictionaryEntry* entry = av_dict_get(frame->metadata, "Orientation", nullptr, 0);
    if (!entry)
        return 1;
    const int value = std::atoi(entry->value);
    return value >= 1 && value <= 8 ? value : 1;
}

QImage upright(QImage image, int orientation)
{
    switch (orientation) {
    case 2: return image.mirrored(true, false);
    case 3: return image.mirrored(true, true);
    case 4: return image.mirrored(false, true);
    case 5: return image.transformed(QTransform().rotate(90)).mirrored(true, false);
    case 6: return image.transformed(QTransform().rotate(90));
    case 7: return image.transformed(QTransform().rotate(-90)).mirrored(true, false);
    case 8: return image.transformed(QTransform().rotate(-90));
    default: return image;
    }
}

bool anyTransparent(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const quint32*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if ((row[x] >> 24) != 0xFF)
                return true;
        }
    }
    return false;
}

QImage convert(const AVFrame* frame, QSize maxSize)
{
    const int orientation = orientationOf(frame);
    const bool quarter = orientation >= 5;
    QSize size(frame->width, frame->height);
    if (quarter)
        size.transpose();
    size = FrameGrabber::fittedSize(size, maxSize);
    if (quarter)
        size.transpose();

    auto format = static_cast<AVPixelFormat>(frame->format);
    int range = frame->color_range == AVCOL_RANGE_JPEG ? 1 : 0;
    switch (format) {
    case AV_PIX_FMT_YUVJ420P: format = AV_PIX_FMT_YUV420P; range = 1; break;
    case AV_PIX_FMT_YUVJ422P: format = AV_PIX_FMT_YUV422P; range = 1; break;
    case AV_PIX_FMT_YUVJ444P: format = AV_PIX_FMT_YUV444P; range = 1; break;
    case AV_PIX_FMT_YUVJ440P: format = AV_PIX_FMT_YUV440P; range = 1; break;
    default: break;
    }
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(format);
    if (!desc)
        return {};
    libav::SwsPtr scaler(sws_getContext(frame->width, frame->height, format, size.width(), size.height(),
        AV_PIX_FMT_BGRA, SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr, nullptr, nullptr));
    if (!scaler)
        return {};
    if (!(desc->flags & AV_PIX_FMT_FLAG_RGB)) {
        const int space = frame->colorspace == AVCOL_SPC_BT709 ? SWS_CS_ITU709 : SWS_CS_ITU601;
        sws_setColorspaceDetails(scaler.get(), sws_getCoefficients(space), range, sws_getCoefficients(SWS_CS_DEFAULT),
            1, 0, 1 << 16, 1 << 16);
    }
    // BGRA with straight alpha is Qt's ARGB32 on this little-endian platform.
    QImage image(size, QImage::Format_ARGB32);
    if (image.isNull())
        return {};
    std::uint8_t* planes[4] = { image.bits(), nullptr, nullptr, nullptr };
    int strides[4] = { static_cast<int>(image.bytesPerLine()), 0, 0, 0 };
    if (sws_scale(scaler.get(), frame->data, frame->linesize, 0, frame->height, planes, strides) <= 0)
        return {};
    const bool mayHaveAlpha = (desc->flags & (AV_PIX_FMT_FLAG_ALPHA | AV_PIX_FMT_FLAG_PAL)) != 0;
    if (mayHaveAlpha && anyTransparent(image))
        image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    else
        image.reinterpretAsFormat(QImage::Format_RGB32);
    return upright(std::move(image), orientation);
}

QImage readWithQt(const QString& path, QSize maxSize)
{
    QImageReader reader(path);
    reader.setAutoTransform(true);
    QImage image = reader.read();
    if (image.isNull())
        return {};
    const QSize fitted = FrameGrabber::fittedSize(image.size(), maxSize);
    if (fitted != image.size())
        image = image.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
}

} // namespace

QImage read(const QString& path, QSize maxSize)
{
    if (libav::FramePtr frame = decodeFirst(path)) {
        QImage image = convert(frame.get(), maxSize);
        if (!image.isNull())
            return image;
    }
    return readWithQt(path, maxSize);
}

} // namespace tessarin::StillImage
