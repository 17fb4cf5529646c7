#include "support/ManualClock.h"

#include <algorithm>
#include <cmath>

namespace tessarin::test {

struct ManualClock::TimerState {
    std::function<void()> onTick;
    bool singleShot = false;
    bool active = false;
    bool destroyed = false;
    int ticking = 0;
    double interval = 0;
    double deadline = 0;
};

namespace {

constexpr double kShortestInterval = 1e-3; // a zero interval would fire for ever inside advance()

class ManualTimer final : public Timer {
public:
    ManualTimer(ManualClock& clock, std::shared_ptr<ManualClock::TimerState> state)
        : clock_(clock)
        , state_(std::move(state))
    {
    }
    // As with the real clock, destroying a timer lets its callback go at
    // once, unless the callback is running: then it goes when it returns.
    ~ManualTimer() override
    {
        state_->active = false;
        state_->destroyed = true;
        if (state_->ticking == 0)
            state_->onTick = nullptr;
    }
    void start(double intervalSeconds) override
    {
        state_->interval = std::max(std::isfinite(intervalSeconds) ? intervalSeconds : 0.0, kShortestInterval);
        state_->deadline = clock_.now() + state_->interval;
        state_->active = true;
    }
    void stop() override { state_->active = false; }
    bool isActive() const override { return state_->active; }

private:
    ManualClock& clock_;
    std::shared_ptr<ManualClock::TimerState> state_;
};

} // namespace

ManualClock::ManualClock(double start, double wallStart)
    : now_(start)
    , wall_(wallStart)
{
}

std::unique_ptr<Timer> ManualClock::createTimer(std::function<void()> onTick, bool singleShot)
{
    auto state = std::make_shared<TimerState>();
    state->onTick = std::move(onTick);
    state->singleShot = singleShot;
    timers_.push_back(state);
    return std::make_unique<ManualTimer>(*this, state);
}

void ManualClock::advance(double seconds)
{
    const double target = now_ + std::max(0.0, seconds);
    for (;;) {
        std::erase_if(timers_, [](const auto& t) { return t->destroyed; });
        std::shared_ptr<TimerState> due;
        for (const auto& t : timers_) {
            if (t->active && t->deadline <= target && (!due || t->deadline < due->deadline))
                due = t;
        }
        if (!due)
            break;
        wall_ += due->deadline - now_;
        now_ = due->deadline;
        if (due->singleShot)
            due->active = false;
        else
            due->deadline += due->interval;
        // The callback may destroy its own timer: `due` holds the state,
        // and with it the callback, until the call ends.
        if (due->onTick) {
            ++due->ticking;
            due->onTick();
            --due->ticking;
            if (due->destroyed && due->ticking == 0)
                due->onTick = nullptr;
        }
    }
    wall_ += target - now_;
    now_ = target;
}

int ManualClock::activeTimers() const
{
    return static_cast<int>(std::count_if(timers_.begin(), timers_.end(), [](const auto& t) { return t->active; }));
}

} // namespace tessarin::test
