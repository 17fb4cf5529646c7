#pragma once
// A processing step on a player item's audio, run on the audio output's
// thread at the moment the samples are mixed, before they reach the mix: a
// gain written by the main thread is heard with the next buffer.
#include "platform/player/AudioFormat.h"

#include <cstdint>
#include <limits>
#include <memory>

namespace tessarin {

// One block of samples handed to a tap: one interleaved buffer, or one
// buffer per channel. Sizes in bytes; every sample is a 32-bit float.
struct AudioBuffer {
    int channels = 0;
    std::uint32_t byteSize = 0;
    float* data = nullptr;
};

struct AudioBufferList {
    static constexpr int kMaxBuffers = 8;
    int count = 0;
    AudioBuffer buffers[kMaxBuffers];
    // Host time (seconds) at which the first frame is heard; NaN: unknown.
    double heardTime = std::numeric_limits<double>::quiet_NaN();
};

class AudioTap {
public:
    virtual ~AudioTap() = default;
    // Audio thread, once before the first process of an item: the format of
    // the buffers to come and the most frames one call will carry.
    virtual void prepare(const AudioFormat& format, int maxFrames) = 0;
    // Audio thread: changes the samples in place. Must not block or wait.
    virtual void process(AudioBufferList& buffers) = 0;
    // Audio thread, when the item leaves the output.
    virtual void unprepare() { }
};

// What an item's audio goes through on its way to the output (the tap is
// shared: one tap object serves every item built from it).
struct AudioMix {
    std::shared_ptr<AudioTap> tap;
};

} // namespace tessarin
