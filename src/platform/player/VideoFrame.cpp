#include "platform/player/VideoFrame.h"

#include "platform/player/PixelBufferStore.h"

#include <cstring>

namespace tessarin {
namespace {

constexpr int kMaxSide = 16384;
constexpr int kRowAlign = 64;

int strideFor(int width)
{
    return (width * 4 + kRowAlign - 1) / kRowAlign * kRowAlign;
}

std::size_t bytesFor(int stride, int height)
{
    return static_cast<std::size_t>(stride) * static_cast<std::size_t>(height);
}

} // namespace

VideoFrame::VideoFrame(int width, int height, int stride, std::uint8_t* data)
    : width_(width)
    , height_(height)
    , stride_(stride)
    , data_(data)
{
}

VideoFrame::~VideoFrame()
{
    PixelBufferStore::shared().give(data_, bytesFor(stride_, height_));
}

std::shared_ptr<VideoFrame> VideoFrame::createForOverwrite(int width, int height)
{
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide)
        return nullptr;
    const int stride = strideFor(width);
    std::uint8_t* pixels = PixelBufferStore::shared().take(bytesFor(stride, height));
    if (!pixels)
        return nullptr;
    return std::shared_ptr<VideoFrame>(new VideoFrame(width, height, stride, pixels));
}

std::shared_ptr<VideoFrame> VideoFrame::create(int width, int height)
{
    auto frame = createForOverwrite(width, height);
    if (frame)
        std::memset(frame->bits(), 0, bytesFor(frame->stride_, height));
    return frame;
}

QImage VideoFrame::image(bool premultiplied) const
{
    // The image holds a reference to this frame until Qt drops its data.
    auto* keep = new std::shared_ptr<const VideoFrame>(shared_from_this());
    return QImage(
        data_, width_, height_, stride_,
        premultiplied ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32,
        [](void* info) { delete static_cast<std::shared_ptr<const VideoFrame>*>(info); }, keep);
}

} // namespace tessarin
