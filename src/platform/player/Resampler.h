#pragma once
// A stateful format converter (libswresample): one per input format, so a
// rate conversion carries its filter state from one block to the next.
#include "platform/player/AudioFormat.h"

#include <cstdint>

struct SwrContext;

namespace tessarin {

class PcmBuffer;

class Resampler {
public:
    Resampler(const AudioFormat& input, const AudioFormat& output);
    ~Resampler();
    Resampler(const Resampler&) = delete;
    Resampler& operator=(const Resampler&) = delete;

    bool isValid() const { return swr_ != nullptr; }
    const AudioFormat& inputFormat() const { return input_; }
    const AudioFormat& outputFormat() const { return output_; }

    // Frames of output that inputFrames more frames of input can produce,
    // including what the filter still holds.
    int outputCapacityFor(int inputFrames) const;
    // Converts every frame of input into output (whose format must be the
    // output format), replacing its content; output's frame length is set to
    // the frames written. Returns that count, or -1 on a mismatch or failure.
    int convert(const PcmBuffer& input, PcmBuffer& output);
    // The same on raw planes (one pointer per buffer of each format).
    int convert(const std::uint8_t* const* in, int inFrames, std::uint8_t* const* out, int outCapacity);
    // Over the next `distance` frames of output, puts out `delta` frames
    // more (fewer when negative) than the rates give: a slight change of
    // speed, as a jitter buffer makes to hold its depth without a skip. A
    // converter between equal rates takes a resampling filter from then on.
    // False when the converter cannot.
    bool compensate(int delta, int distance);

private:
    AudioFormat input_;
    AudioFormat output_;
    SwrContext* swr_ = nullptr;
};

} // namespace tessarin
