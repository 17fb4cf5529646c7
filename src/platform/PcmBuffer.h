#pragma once
// A block of 32-bit float audio with its format: what decoders, live inputs
// and the audio paths hand to one another. Samples are either interleaved
// (one run of frames x channels values) or planar (one run per channel).
#include <cstddef>
#include <vector>

namespace tessarin {

struct PcmFormat {
    double sampleRate = 48000.0;
    int channels = 2;
    bool interleaved = true;

    friend bool operator==(const PcmFormat&, const PcmFormat&) = default;
};

// Not thread-safe; hand a finished buffer across threads by shared pointer
// and leave it unchanged afterwards.
class PcmBuffer {
public:
    // Room for frameCapacity frames; frameLength starts at 0. A channel count
    // below 1 is taken as 1, a negative capacity as 0.
    PcmBuffer(PcmFormat format, int frameCapacity);

    const PcmFormat& format() const { return format_; }
    int frameCapacity() const { return capacity_; }
    int frameLength() const { return length_; }
    // Clamped to 0...frameCapacity.
    void setFrameLength(int frames);

    // Interleaved: all samples, frame after frame. Planar: channel 0.
    float* data() { return samples_.data(); }
    const float* data() const { return samples_.data(); }
    // Planar: the run of one channel (frameCapacity values). Interleaved: the
    // first sample of that channel, whose next sample is `channels` further on.
    float* channelData(int channel);
    const float* channelData(int channel) const;

private:
    PcmFormat format_;
    int capacity_;
    int length_ = 0;
    std::vector<float> samples_;
};

} // namespace tessarin
