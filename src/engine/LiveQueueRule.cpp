#include "engine/LiveQueueRule.h"

#include <algorithm>
#include <limits>

namespace tessarin {

LiveQueueRule::Step LiveQueueRule::next(double waiting, double at, bool heard)
{
    Step step;
    // A feed silent for a whole window (the ingest lost it and connects
    // again) starts as a new connection.
    const bool silentWindow = lastAt_ >= 0.0 && at - lastAt_ >= kWindowSeconds;
    lastAt_ = at;
    if (waiting < kDrySeconds) {
        // A queue that ran dry was played out: what `heard` says is taken
        // before it starts afresh (a feed whose sound comes in chunks longer
        // than the margin finds it dry at every chunk, before the silence
        // put first is heard; were the start's leaving out left open until
        // then, every chunk would be cut to the target and run dry again),
        // unless it is the sound of the connection before a silent window.
        heard_ = !silentWindow && (heard_ || heard);
        // Whatever is heard next starts the target late; the window starts
        // over from the queue as it will be.
        step.silence = kTargetSeconds - std::max(waiting, 0.0);
        windowStart_ = at;
        least_ = std::numeric_limits<double>::infinity();
        return step;
    }
    heard_ = (heard_ && !silentWindow) || heard;
    if (!heard_) {
        // Nothing of it heard yet: what came beyond the target goes unheard.
        if (waiting > kTargetSeconds + kMarginSeconds)
            step.leaveOut = waiting - kTargetSeconds;
        windowStart_ = at;
        least_ = std::numeric_limits<double>::infinity();
        return step;
    }
    if (windowStart_ < 0.0)
        windowStart_ = at;
    least_ = std::min(least_, waiting);
    if (at - windowStart_ < kWindowSeconds)
        return step;
    const double most = kMostSpeedChange * kWindowSeconds;
    if (least_ > kTargetSeconds + kMostSurplusSeconds)
        step.leaveOut = least_ - kTargetSeconds;
    else if (least_ > kTargetSeconds + kMarginSeconds)
        step.speed = std::min(least_ - kTargetSeconds, most);
    else if (least_ < kTargetSeconds - kMarginSeconds)
        step.speed = -std::min(kTargetSeconds - least_, most);
    windowStart_ = at;
    least_ = std::numeric_limits<double>::infinity();
    return step;
}

void LiveQueueRule::reset()
{
    heard_ = false;
    windowStart_ = -1.0;
    least_ = std::numeric_limits<double>::infinity();
}

} // namespace tessarin
