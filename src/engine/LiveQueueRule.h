#pragma once
// How much of the live sound waits on the output before it is heard: the
// live sound's jitter buffer. The live audio player asks the rule at every
// buffer, with the sound still waiting, the buffer's hand-over time and
// whether the sound queued since the last start has begun to be heard. The
// rule answers with silence to put first (the queue ran dry: it starts
// afresh at the target), sound to leave out unheard (before any sound of
// the connection is heard, what came beyond the target: the backlog the
// ingest hands over at once when a feed is taken to air) or a slight
// change of speed (sound is never skipped once the connection's sound is
// heard: where the least the queue held over a whole window strays from
// the target by more than a margin, the queue is brought back by playing
// up to kMostSpeedChange faster or slower over the next window; only a
// surplus beyond kMostSurplusSeconds, which no feed on time makes, is left
// out). The least
// over a window is what the feed's arrival leaves unused: a feed whose
// sound comes in chunks (as MPEG-TS packs it) keeps the chunk waiting, and
// that is not taken from it. So the live sound's delay stays steady, and no
// sound is skipped or repeated while the feed comes on time.
#include <limits>

namespace tessarin {

class LiveQueueRule {
public:
    // The sound aimed at waiting on the output (beyond the device's own
    // latency): two of the ingest's 40 ms buffers and some, enough for a
    // buffer that comes a block late on a busy machine.
    static constexpr double kTargetSeconds = 0.1;
    // How far the least waiting over a window may stray from the target
    // before the speed is changed.
    static constexpr double kMarginSeconds = 0.05;
    // The window over which the least waiting is taken.
    static constexpr double kWindowSeconds = 1.0;
    // The largest change of speed: 0.4 %, not heard as a change of pitch,
    // and a second of sound played within 4 ms of a second.
    static constexpr double kMostSpeedChange = 0.004;
    // More than this above the target all window long is no jitter of a
    // feed on time but a feed (or a reader of it) that stalled and brought
    // its sound at once: playing it off by speed would take minutes, so it
    // is left out down to the target, as little as it is.
    static constexpr double kMostSurplusSeconds = 0.5;
    // Less than this waiting is a queue run dry.
    static constexpr double kDrySeconds = 0.0005;

    struct Step {
        double silence = 0.0; // seconds of silence to put before the buffer
        double leaveOut = 0.0; // seconds to leave out, unheard, from the front of the queue
        double speed = 0.0;   // seconds to play less (more when negative) over the next window
    };

    // One buffer arrives with `waiting` seconds still to be played, at host
    // time `at` (non-decreasing from one call to the next); `heard`: the
    // queue's sound since the last start has begun to be heard.
    Step next(double waiting, double at, bool heard);
    // Forgets the window and that sound was heard (a new connection; so
    // does a window without a buffer).
    void reset();

private:
    bool heard_ = false; // sound of the connection has been heard
    double lastAt_ = -1.0;
    double windowStart_ = -1.0;
    double least_ = std::numeric_limits<double>::infinity();
};

} // namespace tessarin
