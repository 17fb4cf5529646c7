#pragma once
// One decoded picture in 32-bit BGRA (B, G, R, A bytes in memory; Qt's
// Format_RGB32 / ARGB32_Premultiplied on little-endian), shared by reference:
// the decoder, every video output and every view hold the same pixels.
// Their pixels come from the process's PixelBufferStore and go back to it
// when the last reference drops, where the next frame of their size finds
// them: the one pool of picture memory, whichever thread makes or drops a
// frame.
#include <QImage>

#include <cstdint>
#include <memory>

namespace tessarin {

class VideoFrame : public std::enable_shared_from_this<VideoFrame> {
public:
    // A frame that owns its pixels (rows aligned to 64 bytes, zeroed);
    // nullptr for a size outside 1 ... 16384.
    static std::shared_ptr<VideoFrame> create(int width, int height);
    // The same for a caller that writes every pixel before anyone reads
    // one: a block given back earlier keeps the pixels it had.
    static std::shared_ptr<VideoFrame> createForOverwrite(int width, int height);

    ~VideoFrame();
    VideoFrame(const VideoFrame&) = delete;
    VideoFrame& operator=(const VideoFrame&) = delete;

    int width() const { return width_; }
    int height() const { return height_; }
    int bytesPerLine() const { return stride_; }
    std::uint8_t* bits() { return data_; }
    const std::uint8_t* constBits() const { return data_; }

    // Media time of the picture in seconds (its presentation time in the
    // item's timeline); set by whoever fills the frame.
    double time = 0.0;
    // How long the picture stands, in seconds (0 when unknown).
    double duration = 0.0;
    // The picture has transparency (premultiplied alpha, as in an overlay
    // video made with an alpha channel); false: every alpha is 255.
    bool hasAlpha = false;

    // The pixels as a QImage without a copy; the image keeps this frame
    // alive. Opaque pictures use Format_RGB32; pass premultiplied = true for
    // pictures with alpha.
    QImage image(bool premultiplied = false) const;

private:
    VideoFrame(int width, int height, int stride, std::uint8_t* data);

    int width_;
    int height_;
    int stride_;
    std::uint8_t* data_;
};

} // namespace tessarin
