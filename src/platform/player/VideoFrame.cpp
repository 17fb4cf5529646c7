#include "platform/player/VideoFrame.h"

#include <cstdlib>
#include <cstring>

namespace tessarin {
namespace {

constexpr int kMaxSide = 16384;
constexpr int kRowAlign = 64;

int strideFor(int width)
{
    return (width * 4 + kRowAlign - 1) / kRowAlign * kRowAlign;
}

std::uint8_t* allocatePixels(int stride, int height)
{
    const std::size_t bytes = static_cast<std::size_t>(stride) * static_cast<std::size_t>(height);
    return static_cast<std::uint8_t*>(std::aligned_alloc(kRowAlign, bytes));
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
        std::free(data_);
}

std::shared_ptr<VideoFrame> VideoFrame::create(int width, int height)
{
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide)
        return nullptr;
    const int stride = strideFor(width);
    std::uint8_t* pixels = allocatePixels(stride, height);
    if (!pixels)
        return nullptr;
    std::memset(pixels, 0, static_cast<std::size_t>(stride) * static_cast<std::size_t>(height));
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

    ~Shared()
    {
        for (auto* p : idle)
            std::free(p);
    }
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
    {
        std::lock_guard lock(shared_->mutex);
        if (shared_->width != width || shared_->height != height) {
            for (auto* p : shared_->idle)
                std::free(p);
            shared_->idle.clear();
            shared_->width = width;
            shared_->height = height;
        } else if (!shared_->idle.empty()) {
            pixels = shared_->idle.back();
            shared_->idle.pop_back();
        }
    }
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
        std::free(p);
    };
    return std::shared_ptr<VideoFrame>(new VideoFrame(width, height, stride, pixels, std::move(release)));
}

} // namespace tessarin
