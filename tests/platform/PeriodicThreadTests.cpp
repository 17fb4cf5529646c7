#include "platform/PeriodicThread.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace tessarin;

TEST(PeriodicThreadTest, TicksOnItsOwnThreadUntilStopped)
{
    PeriodicThread periodic;
    std::atomic<int> ticks { 0 };
    std::atomic<bool> otherThread { true };
    const auto caller = std::this_thread::get_id();
    std::atomic<std::int64_t> worstLateness { 0 };
    periodic.setLatenessObserver([&](std::int64_t ns) {
        if (ns < 0)
            worstLateness = -1; // a tick before its deadline
    });
    // 1001/30000 s in exact nanoseconds.
    periodic.start("Vellumcast.test.periodic", { 1001000000000ull, 30000 }, [&] {
        if (std::this_thread::get_id() == caller)
            otherThread = false;
        ++ticks;
    });
    periodic.start("again", { 1, 1 }, [] { FAIL() << "a running thread is not restarted"; });
    EXPECT_TRUE(test::waitUntil([&] { return ticks >= 4; }));
    periodic.stop();
    EXPECT_FALSE(periodic.isRunning());
    const int after = ticks;
    periodic.stop();
    EXPECT_EQ(ticks, after);
    EXPECT_TRUE(otherThread);
    EXPECT_EQ(worstLateness, 0);
}
