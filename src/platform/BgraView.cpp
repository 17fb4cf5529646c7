#include "platform/BgraView.h"

#include "platform/player/VideoFrame.h"

#include <cstdlib>

namespace tessarin {

namespace {
constexpr size_t kAlignment = 64;
}

BgraView BgraView::of(const QImage& image, uint64_t stillId)
{
    BgraView view;
    const auto format = image.format();
    if (image.isNull() || (format != QImage::Format_ARGB32_Premultiplied && format != QImage::Format_RGB32))
        return view;
    view.data = image.constBits();
    view.width = image.width();
    view.height = image.height();
    view.stride = int(image.bytesPerLine());
    view.opaque = format == QImage::Format_RGB32;
    view.stillId = stillId;
    return view;
}

BgraView BgraView::of(const VideoFrame& frame, bool opaque)
{
    BgraView view;
    view.data = frame.constBits();
    view.width = frame.width();
    view.height = frame.height();
    view.stride = frame.bytesPerLine();
    view.opaque = opaque;
    return view;
}

void AlignedBuffer::Free::operator()(uint8_t* p) const
{
    std::free(p);
}

uint8_t* AlignedBuffer::ensure(size_t bytes)
{
    if (bytes <= size_ && data_)
        return data_.get();
    const size_t rounded = (bytes + kAlignment - 1) / kAlignment * kAlignment;
    data_.reset(static_cast<uint8_t*>(std::aligned_alloc(kAlignment, rounded ? rounded : kAlignment)));
    size_ = data_ ? rounded : 0;
    return data_.get();
}

} // namespace tessarin
