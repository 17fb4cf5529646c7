// The program bus: the shapes a source may write, its routing of sources,
// what it drops (disabled, overflowing, before a reset), and its timed pulls
// against a drifting device clock.
#include "engine/ProgramAudioBus.h"
#include "engine/ProgramAudioRing.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace tessarin::test {
namespace {

TEST(ProgramAudioBus, WritesEveryShapeAsStereoRoutesSourcesAndDropsWhileDisabled)
{
    ProgramAudioBus bus;
    std::vector<float> stereo { 0.1f, 0.2f, 0.1f, 0.2f };
    bus.write(0, stereo.data(), 2, 1.0); // disabled: dropped
    EXPECT_TRUE(bus.queued(0).empty());
    bus.setEnabled(true);

    std::vector<float> mono(3, 0.5f);
    std::vector<float> surround { 1, 2, 3, 4, 5, 6, 1, 2, 3, 4, 5, 6 }; // 2 frames of 6 channels
    std::vector<float> l(2, 0.3f), r(2, 0.6f), c(2, 0.9f);
    AudioBufferList monoList;
    monoList.count = 1;
    monoList.buffers[0] = AudioBuffer { 1, 12, mono.data() };
    AudioBufferList surroundList;
    surroundList.count = 1;
    surroundList.buffers[0] = AudioBuffer { 6, 48, surround.data() };
    AudioBufferList planar;
    planar.count = 3;
    planar.buffers[0] = AudioBuffer { 1, 8, l.data() };
    planar.buffers[1] = AudioBuffer { 1, 8, r.data() };
    planar.buffers[2] = AudioBuffer { 1, 8, c.data() };

    bus.write(-4, monoList, 1.0);                    // to source 0, heard on both sides
    bus.write(1, surroundList, 1.0);                 // the first two channels
    bus.write(ProgramAudioBus::kLiveSource, planar, 1.0);
    bus.write(9, stereo.data(), 2, 1.5);             // to the live source too, 0.5 s later
    EXPECT_EQ(bus.queued(0), std::vector<float>(6, 0.5f));
    EXPECT_EQ(bus.queued(1), (std::vector<float> { 1, 2, 1, 2 }));
    // The second write is heard 0.5 s after the first began: silence fills
    // the gap, so the frames queued stay one timeline.
    const std::vector<float> live = bus.queued(ProgramAudioBus::kLiveSource);
    ASSERT_EQ(live.size(), 2u * (2 + 23998 + 2));
    EXPECT_EQ(live[0], 0.3f);
    EXPECT_EQ(live[1], 0.6f);
    EXPECT_EQ(live[4], 0.0f);
    EXPECT_EQ(live[live.size() - 2], 0.1f);

    // Switching off and on again: what was written before is never pulled.
    bus.setEnabled(false);
    bus.setEnabled(true);
    EXPECT_TRUE(bus.queued(0).empty());
    bus.write(0, stereo.data(), 2, 5.0);
    EXPECT_EQ(bus.queued(0), stereo);
    const std::vector<float> block = bus.pull(4, 5.0);
    EXPECT_EQ(block, (std::vector<float> { 0.1f, 0.2f, 0.1f, 0.2f, 0, 0, 0, 0 }));
}

TEST(ProgramAudioBus, ARingNobodyPullsStartsAgainFromTheNextWriteThatFits)
{
    ProgramAudioBus bus;
    bus.setEnabled(true);
    constexpr int kChunk = 4096;
    std::vector<float> chunk(kChunk * 2, 0.1f);
    double heard = 0.0;
    for (int i = 0; i < ProgramAudioRing::kFrames / kChunk; ++i, heard += kChunk / 48000.0)
        bus.write(0, chunk.data(), kChunk, heard);
    EXPECT_EQ(bus.queued(0).size(), std::size_t(ProgramAudioRing::kFrames) * 2);
    std::fill(chunk.begin(), chunk.end(), 0.9f);
    bus.write(0, chunk.data(), kChunk, heard); // full: dropped
    heard += kChunk / 48000.0;
    bus.pull(960, heard); // starts afresh: nothing before the next write
    EXPECT_TRUE(bus.queued(0).empty());
    bus.write(0, chunk.data(), kChunk, heard);
    const std::vector<float> block = bus.pull(960, heard);
    EXPECT_EQ(block.front(), 0.9f);
    EXPECT_EQ(block.back(), 0.9f);
}

} // namespace
} // namespace tessarin::test

namespace tessarin::test {
namespace {

// A sound device whose clock runs `speed` times as fast as the host clock
// plays a ramp (sample n holds 0.01 + n * 1e-7, so every sample tells which
// one it is) in callbacks of 512 frames, pushed with the host time they are
// heard at; the stream pulls a block every 20 ms of host time, asking for
// the sound heard 0.1 s before. Driven by hand: no time passes.
struct DriftRun {
    double maxError = 0;      // seconds, once settled (after 5 s)
    double maxQueued = 0;     // seconds of source 0's queue
    double finalRate = 0;
    int silentAfterSettling = 0; // samples of silence outside the gap
};

DriftRun driveDrift(double speed, double gapAt, double gapSeconds)
{
    ProgramAudioBus bus;
    bus.setEnabled(true);
    constexpr int kCallback = 512;
    constexpr double kLatency = 0.0107;
    const double devicePeriod = kCallback / (48000.0 * speed); // host seconds per callback
    long long played = 0;      // device samples played so far
    double nextCallback = 0.0; // host time
    double pause = 0.0;        // host seconds the device stood still (the gap)
    long long resumedAt = -1;  // the first sample played after it
    DriftRun run;
    for (int block = 0; block < 30 * 50; ++block) {
        const double now = block * 0.02;
        while (nextCallback <= now) {
            if (gapSeconds > 0 && pause == 0.0 && nextCallback >= gapAt) {
                pause = gapSeconds;
                resumedAt = played;
                nextCallback += gapSeconds;
                continue;
            }
            float buffer[kCallback * 2];
            for (int i = 0; i < kCallback; ++i)
                buffer[i * 2] = buffer[i * 2 + 1] = 0.01f + float(double(played + i) * 1e-7);
            bus.write(0, buffer, kCallback, nextCallback + kLatency);
            played += kCallback;
            nextCallback += devicePeriod;
        }
        const double asked = now - 0.1;
        const std::vector<float> samples = bus.pull(960, asked);
        run.maxQueued = std::max(run.maxQueued, double(bus.queued(0).size()) / 2.0 / 48000.0);
        run.finalRate = bus.rate(0);
        if (now < 5.0)
            continue;
        for (int i = 0; i < 960; ++i) {
            const double t = asked + i / 48000.0;
            const float v = samples[size_t(i) * 2];
            if (v == 0.0f) {
                // The device stands still from its first callback at or
                // after gapAt on.
                if (t < gapAt + kLatency - 0.001 || t > gapAt + gapSeconds + kLatency + devicePeriod + 0.001)
                    ++run.silentAfterSettling;
                continue;
            }
            // Samples beside the silence are interpolated with it.
            bool nearSilence = false;
            for (int j = std::max(0, i - 3); j <= std::min(959, i + 3); ++j)
                nearSilence = nearSilence || samples[size_t(j) * 2] < 0.0099f;
            if (nearSilence)
                continue;
            // The host time the device played that sample at.
            const double n = (double(v) - 0.01) / 1e-7;
            double heard = n / (48000.0 * speed) + kLatency;
            if (resumedAt >= 0 && n >= double(resumedAt) - 0.5)
                heard += pause;
            run.maxError = std::max(run.maxError, std::abs(heard - t));
        }
    }
    return run;
}

TEST(ProgramAudioBusDriftTest, ADeviceClockHalfAPercentFastOrSlowIsRateMatchedNotCut)
{
    for (const double speed : { 1.005, 0.995 }) {
        SCOPED_TRACE(speed);
        const DriftRun run = driveDrift(speed, 1e9, 0.0);
        EXPECT_LT(run.maxError, 0.003) << "the sound drifted from the time asked for";
        EXPECT_NEAR(run.finalRate, speed, 0.0005);
        EXPECT_LT(run.maxQueued, 0.2) << "audio piled up";
        EXPECT_EQ(run.silentAfterSettling, 0) << "the queue was cut or ran dry";
    }
}

TEST(ProgramAudioBusDriftTest, SoundAfterAPauseOfTheDeviceComesBackAtItsOwnTime)
{
    // A device 0.5 % fast stands still for 0.3 s at 12 s (an item that
    // starts after a gap): the gap is silent and what follows is heard at
    // its own time again, not 0.3 s late.
    const DriftRun run = driveDrift(1.005, 12.0, 0.3);
    EXPECT_LT(run.maxError, 0.003);
    EXPECT_EQ(run.silentAfterSettling, 0);
}

} // namespace
} // namespace tessarin::test
