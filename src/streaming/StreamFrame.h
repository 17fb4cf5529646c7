#pragma once
// One BGRA picture on its way to the stream encoders: rows top to bottom,
// bytesPerRow at least width * 4. The storage lives as long as the frame.
#include <QtGlobal>

#include <cstdint>
#include <memory>
#include <vector>

namespace tessarin {

struct StreamFrame {
    int width = 0;
    int height = 0;
    qsizetype bytesPerRow = 0;
    std::uint8_t* data = nullptr; // nullptr: no pixels to be had
    std::shared_ptr<void> storage;

    // A frame of its own packed storage (bytesPerRow = width * 4, or more
    // when rowPadding is given), filled with opaque black.
    static std::shared_ptr<StreamFrame> allocate(int width, int height, qsizetype rowPadding = 0);
};

using StreamFramePtr = std::shared_ptr<StreamFrame>;
// One block of interleaved stereo float samples, shared by every output.
using StreamAudioBlock = std::shared_ptr<const std::vector<float>>;

} // namespace tessarin
