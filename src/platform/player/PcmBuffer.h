#pragma once
// A block of PCM audio with its format: planar (one buffer per channel) or
// interleaved (one buffer). Shared by reference (std::shared_ptr), like the
// buffers live sessions deliver and the taps and the bus pass along.
#include "platform/player/AudioFormat.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace tessarin {

class PcmBuffer {
public:
    // A zeroed buffer with room for frameCapacity frames and a frame length
    // of 0; nullptr for an invalid format or a capacity outside 1 ... 2^24.
    static std::shared_ptr<PcmBuffer> create(const AudioFormat& format, int frameCapacity);

    const AudioFormat& format() const { return format_; }
    int frameCapacity() const { return capacity_; }
    int frameLength() const { return length_; }
    // Clamped to 0 ... frameCapacity().
    void setFrameLength(int frames);

    int bufferCount() const { return format_.bufferCount(); }
    // Channels inside one buffer: all of them when interleaved, else 1.
    int channelsPerBuffer() const { return format_.interleaved ? format_.channels : 1; }
    // Bytes of valid data in each buffer: frameLength × bytes per frame.
    std::size_t byteSize() const;
    std::uint8_t* data(int buffer);
    const std::uint8_t* data(int buffer) const;
    // The samples of one buffer as floats; nullptr unless the format is Float32.
    float* floatData(int buffer);
    const float* floatData(int buffer) const;

private:
    PcmBuffer(const AudioFormat& format, int capacity);

    AudioFormat format_;
    int capacity_ = 0;
    int length_ = 0;
    std::size_t bufferBytes_ = 0;
    std::vector<std::uint8_t> storage_;
};

} // namespace tessarin
