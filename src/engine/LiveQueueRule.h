#pragma once
// How much of the live sound waits on the output before it is heard. The
// live audio player asks the rule at every buffer, with the sound still
// waiting and the buffer's hand-over time; the rule answers with silence to put first
// (the queue ran dry: it starts afresh at the target, as a jitter buffer
// does) or sound to leave out (for a whole window the queue never fell
// below the target plus a margin: what a burst of the ingest left behind,
// no longer needed to ride out the next one). So the live sound's latency
// stays near the target instead of keeping every burst it ever met.
#include <limits>

namespace tessarin {

class LiveQueueRule {
public:
    // The sound aimed at waiting on the output (beyond the device's own
    // latency): two of the ingest's 40 ms buffers and some, enough for a
    // buffer that comes a block late on a busy machine.
    static constexpr double kTargetSeconds = 0.1;
    // Above the target, what the queue may keep before it is trimmed.
    static constexpr double kMarginSeconds = 0.05;
    // The window over which the least waiting is taken.
    static constexpr double kWindowSeconds = 1.0;
    // Less than this waiting is a queue run dry.
    static constexpr double kDrySeconds = 0.0005;

    struct Step {
        double silence = 0.0; // seconds of silence to put before the buffer
        double drop = 0.0;    // seconds of sound to leave out from the buffer on
    };

    // One buffer arrives with `waiting` seconds still to be played, at host
    // time `at` (non-decreasing from one call to the next).
    Step next(double waiting, double at);
    // Forgets the window (a new connection).
    void reset();

private:
    double windowStart_ = -1.0;
    double least_ = std::numeric_limits<double>::infinity();
};

} // namespace tessarin
