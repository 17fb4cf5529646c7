#include "platform/FrameBufferPool.h"

#include <algorithm>
#include <cstdlib>
#include <new>

namespace tessarin {
namespace {

constexpr std::size_t kAlignment = 64; // a cache line; also what SIMD loads like

std::size_t bufferSize(int height, int bytesPerRow)
{
    if (height <= 0 || bytesPerRow <= 0)
        return 0;
    return static_cast<std::size_t>(height) * static_cast<std::size_t>(bytesPerRow);
}

} // namespace

FrameBuffer::FrameBuffer(int width, int height, int bytesPerRow)
    : width_(std::max(width, 0))
    , height_(std::max(height, 0))
    , bytesPerRow_(std::max(bytesPerRow, 0))
    , size_(bufferSize(height, bytesPerRow))
{
    const std::size_t rounded = std::max<std::size_t>((size_ + kAlignment - 1) / kAlignment * kAlignment, kAlignment);
    data_ = static_cast<std::uint8_t*>(std::aligned_alloc(kAlignment, rounded));
    if (!data_)
        throw std::bad_alloc();
}

FrameBuffer::~FrameBuffer()
{
    std::free(data_);
}

std::shared_ptr<FrameBufferPool> FrameBufferPool::create(std::size_t maxFree)
{
    return std::shared_ptr<FrameBufferPool>(new FrameBufferPool(maxFree));
}

FrameBufferPool::FrameBufferPool(std::size_t maxFree)
    : maxFree_(maxFree)
{
}

std::shared_ptr<FrameBuffer> FrameBufferPool::acquire(int width, int height, int bytesPerRow)
{
    std::unique_ptr<FrameBuffer> buffer;
    {
        std::lock_guard lock(mutex_);
        const std::size_t wanted = bufferSize(height, bytesPerRow);
        auto it = std::find_if(idle_.begin(), idle_.end(), [&](const auto& b) { return b->size_ == wanted; });
        if (it != idle_.end()) {
            buffer = std::move(*it);
            idle_.erase(it);
        } else {
            ++allocations_;
        }
    }
    if (buffer) {
        buffer->width_ = std::max(width, 0);
        buffer->height_ = std::max(height, 0);
        buffer->bytesPerRow_ = std::max(bytesPerRow, 0);
    } else {
        buffer = std::make_unique<FrameBuffer>(width, height, bytesPerRow);
    }
    std::weak_ptr<FrameBufferPool> pool = weak_from_this();
    return std::shared_ptr<FrameBuffer>(buffer.release(), [pool](FrameBuffer* b) {
        if (auto owner = pool.lock())
            owner->giveBack(b);
        else
            delete b;
    });
}

void FrameBufferPool::giveBack(FrameBuffer* buffer)
{
    std::unique_ptr<FrameBuffer> owned(buffer);
    std::lock_guard lock(mutex_);
    if (idle_.size() < maxFree_)
        idle_.push_back(std::move(owned));
    // else: freed as owned goes out of scope, after the lock is released
}

std::size_t FrameBufferPool::allocationCount() const
{
    std::lock_guard lock(mutex_);
    return allocations_;
}

std::size_t FrameBufferPool::idleCount() const
{
    std::lock_guard lock(mutex_);
    return idle_.size();
}

} // namespace tessarin
