#include "platform/Clock.h"

#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>
#include <memory>

namespace tessarin {
namespace {

// The callback and the QTimer may outlive the Timer handed out: a callback may
// reset, stop or destroy its own timer (or the object that owns it), and it
// still runs to its end with its captures alive. The callback lives in shared
// state that each tick holds for the call; a QTimer destroyed while it emits
// is deleted later, once control is back in the event loop.
class QtTimer final : public Timer {
public:
    QtTimer(std::function<void()> onTick, bool singleShot)
        : state_(std::make_shared<State>())
        , timer_(new QTimer)
    {
        state_->onTick = std::move(onTick);
        timer_->setTimerType(Qt::PreciseTimer);
        timer_->setSingleShot(singleShot);
        QObject::connect(timer_, &QTimer::timeout, [weak = std::weak_ptr<State>(state_)] {
            const std::shared_ptr<State> state = weak.lock();
            if (!state || state->destroyed || !state->onTick)
                return;
            ++state->ticking;
            state->onTick();
            --state->ticking;
        });
    }
    ~QtTimer() override
    {
        state_->destroyed = true;
        timer_->stop();
        if (state_->ticking > 0)
            timer_->deleteLater();
        else
            delete timer_;
    }
    QtTimer(const QtTimer&) = delete;
    QtTimer& operator=(const QtTimer&) = delete;

    void start(double intervalSeconds) override
    {
        double ms = std::isfinite(intervalSeconds) ? intervalSeconds * 1000.0 : 0.0;
        ms = std::clamp(ms, 0.0, 2.0e9);
        timer_->start(static_cast<int>(std::lround(ms)));
    }
    void stop() override { timer_->stop(); }
    bool isActive() const override { return timer_->isActive(); }

private:
    struct State {
        std::function<void()> onTick;
        int ticking = 0; // callbacks running now (a callback may run the event loop)
        bool destroyed = false;
    };
    std::shared_ptr<State> state_;
    QTimer* timer_; // owned: deleted at once, or later while it emits
};

} // namespace

HostClock& HostClock::shared()
{
    static HostClock clock;
    return clock;
}

double HostClock::monotonicSeconds()
{
    timespec ts {};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

double HostClock::wallNow() const
{
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

std::unique_ptr<Timer> HostClock::createTimer(std::function<void()> onTick, bool singleShot)
{
    return std::make_unique<QtTimer>(std::move(onTick), singleShot);
}

} // namespace tessarin
