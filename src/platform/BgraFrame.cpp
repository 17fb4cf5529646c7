#include "platform/BgraFrame.h"

#include <cstdlib>

namespace tessarin {

namespace {
constexpr size_t kAlignment = 64;

int alignedStride(int width)
{
    return int((size_t(width) * 4 + kAlignment - 1) / kAlignment * kAlignment);
}
} // namespace

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

BgraFrame::BgraFrame(int width, int height)
    : width_(width > 0 ? width : 0)
    , height_(height > 0 ? height : 0)
    , stride_(alignedStride(width_))
{
    buffer_.ensure(size_t(stride_) * size_t(height_));
}

BgraView BgraFrame::view() const
{
    BgraView v;
    v.data = data();
    v.width = width_;
    v.height = height_;
    v.stride = stride_;
    return v;
}

QImage BgraFrame::toImage(const std::shared_ptr<const BgraFrame>& frame)
{
    if (!frame || !frame->data() || frame->width() == 0 || frame->height() == 0)
        return {};
    auto* keep = new std::shared_ptr<const BgraFrame>(frame);
    return QImage(frame->data(), frame->width(), frame->height(), frame->stride(),
                  QImage::Format_ARGB32_Premultiplied,
                  [](void* info) { delete static_cast<std::shared_ptr<const BgraFrame>*>(info); }, keep);
}

FramePool::FramePool(int width, int height, int maxFrames)
    : width_(width)
    , height_(height)
    , maxFrames_(maxFrames)
    , shelf_(std::make_shared<Shelf>())
{
}

BgraFrameRef FramePool::take()
{
    if (width_ <= 0 || height_ <= 0)
        return nullptr;
    std::unique_ptr<BgraFrame> frame;
    {
        std::lock_guard guard(shelf_->lock);
        if (!shelf_->free.empty()) {
            frame = std::move(shelf_->free.back());
            shelf_->free.pop_back();
        } else if (shelf_->made < maxFrames_) {
            ++shelf_->made;
        } else {
            return nullptr;
        }
    }
    if (!frame) {
        frame = std::make_unique<BgraFrame>(width_, height_);
        if (!frame->data()) {
            std::lock_guard guard(shelf_->lock);
            --shelf_->made;
            return nullptr;
        }
    }
    // The deleter holds the shelf weakly: frames outliving the pool are freed.
    std::weak_ptr<Shelf> shelf = shelf_;
    return BgraFrameRef(frame.release(), [shelf](BgraFrame* f) {
        std::unique_ptr<BgraFrame> owned(f);
        if (auto s = shelf.lock()) {
            std::lock_guard guard(s->lock);
            s->free.push_back(std::move(owned));
        }
    });
}

int FramePool::framesInUse() const
{
    std::lock_guard guard(shelf_->lock);
    return shelf_->made - int(shelf_->free.size());
}

} // namespace tessarin
