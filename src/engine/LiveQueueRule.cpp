#include "engine/LiveQueueRule.h"

#include <algorithm>
#include <limits>

namespace tessarin {

LiveQueueRule::Step LiveQueueRule::next(double waiting, double at)
{
    Step step;
    if (waiting < kDrySeconds) {
        // Whatever is heard next starts the target late; the window starts
        // over from the queue as it will be.
        step.silence = kTargetSeconds - std::max(waiting, 0.0);
        windowStart_ = at;
        least_ = std::numeric_limits<double>::infinity();
        return step;
    }
    if (windowStart_ < 0.0)
        windowStart_ = at;
    least_ = std::min(least_, waiting);
    if (at - windowStart_ < kWindowSeconds)
        return step;
    if (least_ > kTargetSeconds + kMarginSeconds)
        step.drop = least_ - kTargetSeconds;
    windowStart_ = at;
    least_ = std::numeric_limits<double>::infinity();
    return step;
}

void LiveQueueRule::reset()
{
    windowStart_ = -1.0;
    least_ = std::numeric_limits<double>::infinity();
}

} // namespace tessarin
