#pragma once
// What the stream pipeline pulls from: the composed program picture and the
// mixed program sound. The program renderer and the program audio bus
// implement these; tests and benchmarks use synthetic ones.
#include "streaming/StreamFrame.h"

#include <functional>
#include <memory>
#include <vector>

namespace tessarin {

class StreamFrameSource {
public:
    virtual ~StreamFrameSource() = default;
    // Render thread: one composed BGRA frame of the size the source was made
    // for, in a buffer of its own (the pipeline may write into it), or
    // nullptr to skip this tick.
    virtual StreamFramePtr nextFrame() = 0;
};

// Main thread: a frame source for one pipeline run, given the frame size and
// how far ahead of now (seconds) the player pictures are taken. The source
// keeps its own view of the program up to date while it lives; nullptr when
// there is nothing to render from (the engine is gone).
using StreamFrameSourceFactory = std::function<std::shared_ptr<StreamFrameSource>(int width, int height, double lookahead)>;

class StreamAudioSource {
public:
    virtual ~StreamAudioSource() = default;
    // Audio thread: exactly frames * 2 interleaved stereo float samples at
    // 48 kHz: the program sound heard from host time `time` (seconds) on.
    // The pump asks for consecutive blocks, each time one block later.
    virtual std::vector<float> pull(int frames, double time) = 0;
    // Main thread: true takes audio in from now on; false stops taking it,
    // empties what waits and forgets its timing.
    virtual void setStreaming(bool on) = 0;
};

} // namespace tessarin
