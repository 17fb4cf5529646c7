#include "platform/Clock.h"
#include "support/ManualClock.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

using namespace tessarin;

TEST(ManualClock, FiresTimersAtTheirOwnTimesInOrder)
{
    test::ManualClock clock(100.0);
    std::vector<std::pair<char, double>> fired;
    auto fast = clock.createTimer([&] { fired.push_back({ 'f', clock.now() }); });
    auto slow = clock.createTimer([&] { fired.push_back({ 's', clock.now() }); });
    fast->start(0.25);
    slow->start(0.6);
    clock.advance(1.0);
    const std::vector<std::pair<char, double>> expected = {
        { 'f', 100.25 }, { 'f', 100.5 }, { 's', 100.6 }, { 'f', 100.75 }, { 'f', 101.0 }
    };
    EXPECT_EQ(fired, expected);
    EXPECT_DOUBLE_EQ(clock.now(), 101.0);
}

TEST(ManualClock, SingleShotStopsAndCallbacksMayStopTimers)
{
    test::ManualClock clock;
    int shots = 0;
    int ticks = 0;
    auto once = clock.createTimer([&] { ++shots; }, true);
    std::unique_ptr<Timer> repeating;
    repeating = clock.createTimer([&] {
        if (++ticks == 3)
            repeating.reset(); // destroyed from inside its own tick
    });
    once->start(0.1);
    repeating->start(0.1);
    clock.advance(5.0);
    EXPECT_EQ(shots, 1);
    EXPECT_FALSE(once->isActive());
    EXPECT_EQ(ticks, 3);
    EXPECT_EQ(clock.activeTimers(), 0);
}

TEST(ManualClock, WallTimeMovesWithHostTime)
{
    test::ManualClock clock(5.0, 1000.0);
    clock.advance(2.5);
    EXPECT_DOUBLE_EQ(clock.wallNow(), 1002.5);
    clock.setWallNow(50.0);
    EXPECT_DOUBLE_EQ(clock.now(), 7.5);
}

TEST(HostClock, TimersRunOnTheEventLoop)
{
    int ticks = 0;
    auto timer = HostClock::shared().createTimer([&] { ++ticks; });
    timer->start(0.001);
    EXPECT_TRUE(test::waitUntil([&] { return ticks >= 3; }));
    timer->stop();
    EXPECT_FALSE(timer->isActive());
    EXPECT_GT(HostClock::shared().wallNow(), 1.6e9);
}

// The lifetime rule both clocks keep: a callback that resets, stops or
// destroys its own timer (as an owner does that drops a pending timer
// before acting) runs to its end with its captures alive, and the captures
// go once it returns.
enum class FromInside { Destroy, Stop, Restart };

class TimerLifetime : public ::testing::TestWithParam<std::tuple<bool, FromInside>> {
protected:
    bool onHostClock() const { return std::get<0>(GetParam()); }
    Clock& clock() { return onHostClock() ? static_cast<Clock&>(HostClock::shared()) : manual_; }
    bool runUntil(const std::function<bool()>& pred)
    {
        if (onHostClock())
            return test::waitUntil(pred);
        for (int step = 0; step < 1000 && !pred(); ++step)
            manual_.advance(0.01);
        return pred();
    }

private:
    test::ManualClock manual_;
};

TEST_P(TimerLifetime, ACallbackOutlivesWhatItDoesToItsOwnTimer)
{
    const FromInside action = std::get<1>(GetParam());
    auto capture = std::make_shared<std::string>("captured");
    const std::weak_ptr<std::string> watch = capture;
    std::unique_ptr<Timer> timer;
    std::vector<std::string> seen;
    timer = clock().createTimer([&, capture] {
        if (action == FromInside::Destroy)
            timer.reset();
        else if (action == FromInside::Stop)
            timer->stop();
        else if (seen.empty())
            timer->start(0.002);
        seen.push_back(watch.expired() ? std::string("freed") : *capture);
    });
    capture.reset();
    timer->start(0.002);
    ASSERT_TRUE(runUntil([&] { return seen.size() >= (action == FromInside::Restart ? 3u : 1u); }));
    for (const std::string& s : seen)
        EXPECT_EQ(s, "captured");
    if (timer) {
        EXPECT_EQ(timer->isActive(), action == FromInside::Restart);
    }
    timer.reset();
    EXPECT_TRUE(runUntil([&] { return watch.expired(); })) << "the captures outlive the timer";
}

std::string lifetimeCaseName(const ::testing::TestParamInfo<std::tuple<bool, FromInside>>& info)
{
    const char* names[] = { "Destroy", "Stop", "Restart" };
    return std::string(std::get<0>(info.param) ? "HostClock" : "ManualClock")
        + names[static_cast<int>(std::get<1>(info.param))];
}

INSTANTIATE_TEST_SUITE_P(BothClocks, TimerLifetime,
                         ::testing::Combine(::testing::Bool(), ::testing::Values(FromInside::Destroy, FromInside::Stop,
                                                                                 FromInside::Restart)),
                         lifetimeCaseName);
