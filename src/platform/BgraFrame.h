#pragma once
// The pictures the compositor reads and writes: 32-bit BGRA with
// premultiplied alpha (bytes B, G, R, A in memory, which is
// QImage::Format_ARGB32_Premultiplied on this little-endian platform).
// BgraView is a borrowed picture; BgraFrame is an owned, pooled one whose
// buffer goes back to its FramePool when the last reference is dropped.
#include <QImage>

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace tessarin {

// How a stored picture is turned for display, in the numbering of image
// orientations: right (6) turns it a quarter clockwise, left (8) a quarter
// anticlockwise, down (3) half a turn. Mirrored orientations are not used.
enum class Orientation { up = 1, down = 3, right = 6, left = 8 };

// A picture someone else owns; valid only while the owner keeps it.
struct BgraView {
    const uint8_t* data = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;       // bytes from one row to the next
    bool opaque = false;  // every alpha is 255 (decoded video): copied rather than blended
    uint64_t stillId = 0; // non-zero: this id always names the same pixels, so the
                          // compositor may keep scaled copies of it between frames

    bool isValid() const { return data && width > 0 && height > 0 && stride >= width * 4; }
    // The pixels of an image in Format_ARGB32_Premultiplied or Format_RGB32
    // (opaque); any other format gives an invalid view (convert it first).
    static BgraView of(const QImage& image, uint64_t stillId = 0);
};

// A buffer of 64-byte aligned memory that keeps its size between uses.
class AlignedBuffer {
public:
    uint8_t* data() { return data_.get(); }
    const uint8_t* data() const { return data_.get(); }
    size_t size() const { return size_; }
    // At least bytes long; the contents are lost when it grows.
    uint8_t* ensure(size_t bytes);

private:
    struct Free {
        void operator()(uint8_t* p) const;
    };
    std::unique_ptr<uint8_t, Free> data_;
    size_t size_ = 0;
};

class FramePool;

class BgraFrame {
public:
    BgraFrame(int width, int height);

    int width() const { return width_; }
    int height() const { return height_; }
    int stride() const { return stride_; }
    uint8_t* data() { return buffer_.data(); }
    const uint8_t* data() const { return buffer_.data(); }
    uint32_t* row(int y) { return reinterpret_cast<uint32_t*>(buffer_.data() + size_t(y) * stride_); }
    const uint32_t* row(int y) const { return reinterpret_cast<const uint32_t*>(buffer_.data() + size_t(y) * stride_); }
    uint32_t pixel(int x, int y) const { return row(y)[x]; }

    BgraView view() const;

    // The frame as an image without a copy; the image holds a reference, so
    // the frame stays alive (and out of its pool) while the image exists.
    static QImage toImage(const std::shared_ptr<const BgraFrame>& frame);

private:
    int width_;
    int height_;
    int stride_;
    AlignedBuffer buffer_;
};

using BgraFrameRef = std::shared_ptr<BgraFrame>;

// Frames of one size, reused: take() hands out a frame nobody holds any
// more, or a new one while fewer than maxFrames exist. Frames may be
// released on any thread; take() is for one thread at a time.
class FramePool {
public:
    FramePool(int width, int height, int maxFrames);

    int width() const { return width_; }
    int height() const { return height_; }
    // A frame whose contents are what its last user left; nullptr when all
    // maxFrames are in use.
    BgraFrameRef take();
    // Frames currently handed out.
    int framesInUse() const;

private:
    struct Shelf {
        std::mutex lock;
        std::vector<std::unique_ptr<BgraFrame>> free;
        int made = 0;
    };
    int width_;
    int height_;
    int maxFrames_;
    std::shared_ptr<Shelf> shelf_;
};

} // namespace tessarin
