// The program bus: conversion of pushed buffers, priming, mixing of the two
// sources, trimming of a queue nobody pulls, and its routing of sources.
#include "engine/ProgramAudioBus.h"
#include "platform/player/PcmBuffer.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace tessarin::test {
namespace {

class ProgramAudioBusTest : public ::testing::Test {
protected:
    void enable()
    {
        std::lock_guard guard(bus.lock);
        bus.enabled = true;
    }
    void fill(int source, std::size_t samples, float value)
    {
        std::lock_guard guard(bus.lock);
        bus.fifos[static_cast<std::size_t>(source)].assign(samples, value);
    }
    std::size_t size(int source)
    {
        std::lock_guard guard(bus.lock);
        return bus.fifos[static_cast<std::size_t>(source)].size();
    }
    bool primed()
    {
        std::lock_guard guard(bus.lock);
        return bus.primed;
    }
    static std::shared_ptr<PcmBuffer> planar(double rate, int channels, int frames, float value)
    {
        auto buffer = PcmBuffer::create(AudioFormat::float32(rate, channels, false), frames);
        buffer->setFrameLength(frames);
        for (int c = 0; c < channels; ++c)
            std::fill_n(buffer->floatData(c), frames, value);
        return buffer;
    }

    ProgramAudioBus bus;
};

TEST_F(ProgramAudioBusTest, PrimesOnThreePullsWorthThenMixesTheOldestSamples)
{
    enable();
    fill(0, 5758, 0.25f);
    auto block = bus.pull(960);
    ASSERT_EQ(block.size(), 1920u);
    EXPECT_EQ(block[0], 0.0f);
    EXPECT_EQ(size(0), 5758u); // nothing taken while unprimed

    fill(0, 5760, 0.25f);
    fill(1, 1000, 0.5f);
    block = bus.pull(960);
    EXPECT_TRUE(primed());
    EXPECT_EQ(block[0], 0.75f);
    EXPECT_EQ(block[999], 0.75f);
    EXPECT_EQ(block[1000], 0.25f); // source 1 ran out: source 0 alone
    EXPECT_EQ(size(0), 5760u - 1920u);
    EXPECT_EQ(size(1), 0u);

    // Both short of a whole pull: what there is, padded, and unprimed again.
    fill(0, 100, 0.25f);
    block = bus.pull(960);
    EXPECT_EQ(block[99], 0.25f);
    EXPECT_EQ(block[100], 0.0f);
    EXPECT_FALSE(primed());
    EXPECT_TRUE(bus.pull(0).empty());
}

TEST_F(ProgramAudioBusTest, ConvertsPushesRoutesSourcesAndTrimsAQueueNobodyPulls)
{
    auto buffer = planar(48000, 2, 480, 0.5f);
    bus.push(buffer, 0); // disabled: dropped
    enable();
    bus.push(planar(48000, 1, 480, 0.5f), 5);  // source 5 goes to queue 1, mono spread to stereo
    bus.push(planar(44100, 2, 441, 0.5f), -1); // source -1 goes to queue 0, resampled
    ASSERT_TRUE(waitUntil([&] { return size(1) == 960 && size(0) > 0; }));
    {
        std::lock_guard guard(bus.lock);
        EXPECT_NEAR(bus.fifos[1][0], 0.5f, 1e-6f);
        EXPECT_NEAR(static_cast<double>(bus.fifos[0].size()), 960.0, 80.0);
    }

    fill(1, 47000, 0.1f);
    bus.push(planar(48000, 2, 1024, 0.9f), 1);
    ASSERT_TRUE(waitUntil([&] { return size(1) == ProgramAudioBus::kTrimSamples; }));
    std::lock_guard guard(bus.lock);
    EXPECT_EQ(bus.fifos[1].back(), 0.9f); // the newest samples stay
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
    {
        std::lock_guard guard(bus.lock);
        bus.enabled = true;
    }
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
            auto buffer = PcmBuffer::create(AudioFormat::programFormat(), kCallback);
            buffer->setFrameLength(kCallback);
            for (int i = 0; i < kCallback; ++i) {
                const float v = 0.01f + float(double(played + i) * 1e-7);
                buffer->floatData(0)[i * 2] = v;
                buffer->floatData(0)[i * 2 + 1] = v;
            }
            bus.push(buffer, 0, nextCallback + kLatency);
            played += kCallback;
            nextCallback += devicePeriod;
        }
        bus.flush();
        const double asked = now - 0.1;
        const std::vector<float> samples = bus.pull(960, asked);
        {
            std::lock_guard guard(bus.lock);
            run.maxQueued = std::max(run.maxQueued, double(bus.fifos[0].size()) / 2.0 / 48000.0);
            run.finalRate = bus.rateLocked(0);
        }
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
