// The item clock at the end of its audio: what the program has mixed and
// what the audience hears differ by the output delay, and only until the
// clock is moved again.
#include "platform/player/ItemClock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace tessarin::test {
namespace {

// A clock playing its audio since host time 9.0.
void playAudio(ItemClock& clock)
{
    clock.setAudioDriven(true);
    clock.play(9.0);
}

// A block of 10 ms at the output's rate.
constexpr double kBlock = 480 / 48000.0;

// A clock playing audio from 0.5 s; its last block (0.99 s to 1.0 s) was
// mixed at host time 10.0, the end being heard 0.02 s later.
void finishAtOne(ItemClock& clock)
{
    playAudio(clock);
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
    playAudio(clock);
    clock.audioRendered(0.5, 480, 10.0, 0.02);
    EXPECT_DOUBLE_EQ(clock.mixedNow(10.025), clock.now(10.025));
    EXPECT_NEAR(clock.now(10.025), 0.505, 1e-9);
}

TEST(ItemClock, ABlockRenderedAheadOfBeingHeardLeavesTheClockRunningThroughTheOneHeardNow)
{
    // Blocks of 10 ms, each rendered 10 ms before it is heard (the device
    // plays one block while the next is made), as an output calls back.
    ItemClock clock;
    playAudio(clock);
    double last = -1.0;
    double worst = 0.0;
    for (int n = 0; n < 20; ++n) {
        const double rendered = 10.0 + n * kBlock;
        clock.audioRendered(n * kBlock, 480, rendered, kBlock);
        // Until the next callback, the sound heard is the block before
        // this one, then this one.
        for (double h = rendered; h < rendered + kBlock; h += kBlock / 7) {
            const double t = clock.now(h);
            EXPECT_GE(t, last) << "at " << h;
            last = t;
            if (n > 0)
                worst = std::max(worst, std::abs(t - (h - 10.0 - kBlock)));
        }
    }
    EXPECT_LT(worst, 1e-9);
    // Before the first block is heard, the clock waits at its start.
    ItemClock fresh;
    playAudio(fresh);
    fresh.jump(2.0, 9.0);
    fresh.audioRendered(2.0, 480, 10.0, kBlock);
    EXPECT_DOUBLE_EQ(fresh.now(10.005), 2.0);
    EXPECT_NEAR(fresh.now(10.015), 2.005, 1e-9);
}

TEST(ItemClock, APictureAskedForAheadRunsOnFromNowWhileNowWaitsForALateBlock)
{
    // One 10 ms block rendered at 10.0 and heard from 10.01 to 10.02.
    ItemClock clock;
    playAudio(clock);
    clock.audioRendered(0.0, 480, 10.0, kBlock);
    // At 10.015, a picture due 16.7 ms later (half a 30 fps frame) is taken
    // past the block's end, as the sound will be by then...
    EXPECT_NEAR(clock.ahead(10.015, 0.0167), 0.0217, 1e-9);
    // ...while the clock itself, at a time past that end with no block
    // after it, waits at the end for the next one.
    EXPECT_NEAR(clock.now(10.0317), kBlock, 1e-9);
    // A paused clock stands still, however far ahead it is asked.
    clock.pause(10.015);
    EXPECT_NEAR(clock.ahead(10.015, 0.5), 0.005, 1e-9);
}

TEST(ItemClock, PicturesOfANewPositionWaitUntilItsFirstSampleIsHeard)
{
    // Playing since 9.0; the first block of 2.0 s is rendered at 10.0 and
    // heard from 10.05 on. Until then the pictures' clock has no time, so
    // the picture on show stays; from then on it is the time heard.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    ItemClock clock;
    playAudio(clock);
    clock.jump(2.0, 9.0);
    EXPECT_TRUE(std::isnan(clock.ahead(9.5, 0.0))) << "nothing rendered yet";
    clock.audioRendered(2.0, 480, 10.0, 0.05);
    const struct {
        double host, lookahead, expected;
    } cases[] = { { 10.0, 0.0, nan }, { 10.03, 0.0167, nan }, { 10.04, 0.0167, 2.0067 }, { 10.05, 0.0, 2.0 },
                  { 10.055, 0.0, 2.005 } };
    for (const auto& c : cases) {
        const double t = clock.ahead(c.host, c.lookahead);
        if (std::isnan(c.expected))
            EXPECT_TRUE(std::isnan(t)) << "at " << c.host;
        else
            EXPECT_NEAR(t, c.expected, 1e-9) << "at " << c.host;
    }
    // A seek starts over: its pictures wait for its own first sample, and
    // have no time while the clock is held for the first picture.
    clock.hold(10.1);
    clock.jump(5.0, 10.1);
    EXPECT_TRUE(std::isnan(clock.ahead(10.1, 0.0)));
    clock.release(10.2);
    EXPECT_TRUE(std::isnan(clock.ahead(10.2, 0.0)));
    // Without sound the host clock times the pictures at once.
    ItemClock silent;
    silent.hold(8.0);
    silent.play(8.5);
    EXPECT_TRUE(std::isnan(silent.ahead(8.6, 0.0))) << "held for its first picture";
    silent.release(9.0);
    EXPECT_NEAR(silent.ahead(9.5, 0.0), 0.5, 1e-9);
}

} // namespace
} // namespace tessarin::test
