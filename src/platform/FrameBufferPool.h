#pragma once
// Reusable picture memory for frame producers (capture sessions, the ingest
// readers). A buffer handed out goes back to its pool when the last reference
// to it is released, on whatever thread that happens, so a steady stream of
// frames of one size costs no allocation per frame.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace tessarin {

// One BGRA picture: bytesPerRow * height bytes, 64-byte aligned.
class FrameBuffer {
public:
    FrameBuffer(int width, int height, int bytesPerRow);
    ~FrameBuffer();
    FrameBuffer(const FrameBuffer&) = delete;
    FrameBuffer& operator=(const FrameBuffer&) = delete;

    int width() const { return width_; }
    int height() const { return height_; }
    int bytesPerRow() const { return bytesPerRow_; }
    std::size_t size() const { return size_; }
    std::uint8_t* data() { return data_; }
    const std::uint8_t* data() const { return data_; }

private:
    friend class FrameBufferPool;
    int width_;
    int height_;
    int bytesPerRow_;
    std::size_t size_;
    std::uint8_t* data_;
};

class FrameBufferPool : public std::enable_shared_from_this<FrameBufferPool> {
public:
    // Keeps at most maxFree idle buffers; more are freed as they come back.
    static std::shared_ptr<FrameBufferPool> create(std::size_t maxFree = 6);

    // Any thread. A buffer of that geometry, reused when an idle one of the
    // same size exists. Its content is whatever the last user left.
    std::shared_ptr<FrameBuffer> acquire(int width, int height, int bytesPerRow);
    // A BGRA buffer with rows of exactly width * 4 bytes.
    std::shared_ptr<FrameBuffer> acquireBgra(int width, int height) { return acquire(width, height, width * 4); }

    // How many buffers this pool has allocated in its life; idle ones now.
    std::size_t allocationCount() const;
    std::size_t idleCount() const;

private:
    explicit FrameBufferPool(std::size_t maxFree);
    void giveBack(FrameBuffer* buffer);

    const std::size_t maxFree_;
    mutable std::mutex mutex_;
    std::vector<std::unique_ptr<FrameBuffer>> idle_;
    std::size_t allocations_ = 0;
};

} // namespace tessarin
