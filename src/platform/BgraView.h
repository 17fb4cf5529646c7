#pragma once
// What the compositor reads: a borrowed 32-bit BGRA picture with
// premultiplied alpha (bytes B, G, R, A in memory, which is
// QImage::Format_ARGB32_Premultiplied on this little-endian platform), from
// a VideoFrame, a QImage or any other buffer of that layout.
#include <QImage>

#include <cstdint>
#include <memory>

namespace tessarin {

class VideoFrame;

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
    // The pixels of a frame; decoded video is opaque, pictures with alpha
    // (premultiplied) are not.
    static BgraView of(const VideoFrame& frame, bool opaque = true);
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

} // namespace tessarin
