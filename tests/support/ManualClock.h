#pragma once
// A clock that moves only when the test says so. Timers fire inside
// advance(), each at its own due time, in order.
#include "platform/Clock.h"

#include <memory>
#include <vector>

namespace tessarin::test {

class ManualClock final : public Clock {
public:
    explicit ManualClock(double start = 1000.0, double wallStart = 1.7e9);

    double now() const override { return now_; }
    double wallNow() const override { return wall_; }
    std::unique_ptr<Timer> createTimer(std::function<void()> onTick, bool singleShot = false) override;

    // Moves time forward by seconds, firing every timer due on the way.
    void advance(double seconds);
    // Sets the calendar time without moving host time or firing timers.
    void setWallNow(double seconds) { wall_ = seconds; }
    // Timers running now.
    int activeTimers() const;

    struct TimerState;

private:
    double now_;
    double wall_;
    std::vector<std::shared_ptr<TimerState>> timers_;
};

} // namespace tessarin::test
