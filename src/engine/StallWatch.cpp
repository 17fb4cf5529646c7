#include "engine/StallWatch.h"

#include <cmath>

namespace tessarin {

StallWatch::StallWatch(Clock& clock, std::function<Look()> look, std::function<void(const void* item)> stalled)
    : clock_(clock)
    , look_(std::move(look))
    , stalled_(std::move(stalled))
{
    timer_ = clock_.createTimer([this] { check(); });
    timer_->start(kCheckInterval);
}

void StallWatch::check()
{
    const Look look = look_();
    const double now = clock_.now();
    // A new item, a pause, a time that moved (also backwards: a loop, a
    // seek): the wait starts again.
    if (!look.item || !look.shouldMove || look.item != item_ || !(std::fabs(look.time - time_) < 1e-3)) {
        if (look.item != item_)
            reported_ = false;
        item_ = look.item;
        time_ = look.time;
        since_ = now;
        return;
    }
    if (reported_ || now - since_ < kStallSeconds)
        return;
    reported_ = true;
    stalled_(item_);
}

} // namespace tessarin
