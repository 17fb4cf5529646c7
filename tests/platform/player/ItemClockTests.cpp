// The item clock at the end of its audio: what the program has mixed and
// what the audience hears differ by the output delay, and only until the
// clock is moved again.
#include "platform/player/ItemClock.h"

#include <gtest/gtest.h>

namespace tessarin::test {
namespace {

// A clock playing audio from 0.5 s; its last block (0.99 s to 1.0 s) was
// mixed at host time 10.0, the end being heard 0.02 s later.
void finishAtOne(ItemClock& clock)
{
    clock.setAudioDriven(true);
    clock.play(9.0);
    clock.jump(0.5, 9.0);
    clock.audioRendered(0.99, 480, 10.0, 0.01);
    clock.audioFinished(1.0, 10.0, 0.02);
}

TEST(ItemClock, OnceTheAudioRanOutTheMixedTimeLeadsTheHeardTimeByTheOutputDelay)
{
    ItemClock clock;
    finishAtOne(clock);
    EXPECT_DOUBLE_EQ(clock.mixedNow(10.0), 1.0);
    EXPECT_NEAR(clock.now(10.0), 0.99, 1e-9); // the last block is still to be heard
    EXPECT_NEAR(clock.now(10.02), 1.0, 1e-9);
    EXPECT_NEAR(clock.mixedNow(10.05), 1.05, 1e-9);
    EXPECT_NEAR(clock.now(10.05), 1.03, 1e-9);
}

TEST(ItemClock, TheLeadEndsWhenTheClockIsMovedPausedOrStopped)
{
    {
        ItemClock clock;
        finishAtOne(clock);
        clock.pause(10.01);
        EXPECT_DOUBLE_EQ(clock.mixedNow(10.5), clock.now(10.5));
        clock.play(11.0); // resumes from what was heard
        EXPECT_NEAR(clock.mixedNow(11.1), clock.now(11.1), 1e-9);
    }
    {
        ItemClock clock;
        finishAtOne(clock);
        clock.jump(0.2, 10.0);
        EXPECT_DOUBLE_EQ(clock.mixedNow(10.0), 0.2);
    }
    {
        ItemClock clock;
        finishAtOne(clock);
        clock.freeze(1.0);
        EXPECT_DOUBLE_EQ(clock.mixedNow(12.0), 1.0);
        EXPECT_DOUBLE_EQ(clock.now(12.0), 1.0);
    }
}

TEST(ItemClock, WhileTheAudioFlowsMixedAndHeardTimeAgree)
{
    ItemClock clock;
    clock.setAudioDriven(true);
    clock.play(9.0);
    clock.audioRendered(0.5, 480, 10.0, 0.02);
    EXPECT_DOUBLE_EQ(clock.mixedNow(10.025), clock.now(10.025));
    EXPECT_NEAR(clock.now(10.025), 0.505, 1e-9);
}

} // namespace
} // namespace tessarin::test
