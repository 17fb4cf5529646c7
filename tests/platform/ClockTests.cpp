#include "platform/Clock.h"
#include "support/ManualClock.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

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
