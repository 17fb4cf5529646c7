#include "platform/Clock.h"

#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>

namespace tessarin {
namespace {

class QtTimer final : public Timer {
public:
    QtTimer(std::function<void()> onTick, bool singleShot)
        : onTick_(std::move(onTick))
    {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setSingleShot(singleShot);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (onTick_)
                onTick_();
        });
    }

    void start(double intervalSeconds) override
    {
        double ms = std::isfinite(intervalSeconds) ? intervalSeconds * 1000.0 : 0.0;
        ms = std::clamp(ms, 0.0, 2.0e9);
        timer_.start(static_cast<int>(std::lround(ms)));
    }
    void stop() override { timer_.stop(); }
    bool isActive() const override { return timer_.isActive(); }

private:
    std::function<void()> onTick_;
    QTimer timer_;
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
