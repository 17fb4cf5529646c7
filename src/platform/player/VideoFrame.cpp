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

// Pixels come from the process's store of picture memory, never from
// malloc: see PixelBufferStore.
std::uint8_t* allocatePixels(int stride, int height)
{
    return PixelBufferStore::shared().take(bytesFor(stride, height));
}

void freePixels(std::uint8_t* pixels, int stride, int height)
{
    PixelBufferStore::shared().give(pixels, bytesFor(stride, height));
}

} // namespace

VideoFrame::VideoFrame(int width, int height, int stride, std::uint8_t* data, std::function<void(std::uint8_t*)> release)
    : width_(width)
    , height_(height)
    , stride_(stride)
    , data_(data)
    , release_(std::move(release))
{
}

VideoFrame::~VideoFrame()
{
    if (release_)
        release_(data_);
    else
        freePixels(data_, stride_, height_);
}

std::shared_ptr<VideoFrame> VideoFrame::create(int width, int height)
{
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide)
        return nullptr;
    const int stride = strideFor(width);
    std::uint8_t* pixels = allocatePixels(stride, height);
    if (!pixels)
        return nullptr;
    std::memset(pixels, 0, bytesFor(stride, height));
    return std::shared_ptr<VideoFrame>(new VideoFrame(width, height, stride, pixels, {}));
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

struct VideoFramePool::Shared {
    std::mutex mutex;
    int width = 0;
    int height = 0;
    int maxIdle = 8;
    std::vector<std::uint8_t*> idle; // buffers of width × height

    void freeAll(std::vector<std::uint8_t*>& buffers, int w, int h)
    {
        for (auto* p : buffers)
            freePixels(p, strideFor(w), h);
        buffers.clear();
    }

    ~Shared() { freeAll(idle, width, height); }
};

VideoFramePool::VideoFramePool(int maxIdleBuffers)
    : shared_(std::make_shared<Shared>())
{
    shared_->maxIdle = maxIdleBuffers;
}

VideoFramePool::~VideoFramePool() = default;

std::shared_ptr<VideoFrame> VideoFramePool::acquire(int width, int height)
{
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide)
        return nullptr;
    const int stride = strideFor(width);
    std::uint8_t* pixels = nullptr;
    std::vector<std::uint8_t*> otherSize;
    int otherWidth = 0;
    int otherHeight = 0;
    {
        std::lock_guard lock(shared_->mutex);
        if (shared_->width != width || shared_->height != height) {
            otherSize.swap(shared_->idle);
            otherWidth = shared_->width;
            otherHeight = shared_->height;
            shared_->width = width;
            shared_->height = height;
        } else if (!shared_->idle.empty()) {
            pixels = shared_->idle.back();
            shared_->idle.pop_back();
        }
    }
    // Buffers of the old size go back to the store, where another pool may
    // still want them.
    shared_->freeAll(otherSize, otherWidth, otherHeight);
    if (!pixels)
        pixels = allocatePixels(stride, height);
    if (!pixels)
        return nullptr;
    std::weak_ptr<Shared> weak = shared_;
    auto release = [weak, width, height](std::uint8_t* p) {
        if (auto pool = weak.lock()) {
            std::lock_guard lock(pool->mutex);
            if (pool->width == width && pool->height == height && static_cast<int>(pool->idle.size()) < pool->maxIdle) {
                pool->idle.push_back(p);
                return;
            }
        }
        freePixels(p, strideFor(width), height);
    };
    return std::shared_ptr<VideoFrame>(new VideoFrame(width, height, stride, pixels, std::move(release)));
}

} // namespace tessarin
