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
