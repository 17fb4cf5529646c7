// The level tap: its gain ramp on the samples, its peaks and their
// ballistics, its forwarding to the bus only while streaming, and a gain
// change heard on the real output within one callback buffer.
#include "engine/AudioLevelTap.h"
#include "engine/ProgramAudioBus.h"
#include "platform/player/FfmpegMediaPlayer.h"
#include "platform/player/PlayerItem.h"
#include "support/DiskCapture.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <vector>

namespace tessarin::test {
namespace {

struct Block {
    std::vector<float> samples;
    AudioBufferList list;

    Block(int frames, int channels, float value)
        : samples(static_cast<std::size_t>(frames * channels), value)
    {
        list.count = 1;
        list.buffers[0] = AudioBuffer { channels, static_cast<std::uint32_t>(samples.size() * 4), samples.data() };
    }
};

std::shared_ptr<AudioLevelTap> preparedTap()
{
    auto tap = std::make_shared<AudioLevelTap>();
    tap->prepare(AudioFormat::programFormat(), 4096);
    return tap;
}

TEST(AudioLevelTap, RampsFromTheAppliedGainToTheNewOneAcrossOneBuffer)
{
    auto tap = preparedTap();
    Block first(512, 2, 0.8f);
    tap->process(first.list);
    EXPECT_EQ(first.samples.front(), 0.8f); // gain 1: untouched
    EXPECT_EQ(first.samples.back(), 0.8f);

    tap->gain = 0.5f;
    Block second(512, 2, 0.8f);
    tap->process(second.list);
    const float step = (0.5f - 1.0f) / 512.0f;
    EXPECT_EQ(second.samples[0], 0.8f * (1.0f + step * 1.0f));
    EXPECT_EQ(second.samples[1], second.samples[0]); // both channels of a frame
    EXPECT_EQ(second.samples[2], 0.8f * (1.0f + step * 2.0f));
    EXPECT_NEAR(second.samples[1022], 0.4f, 1e-6f);

    Block third(512, 2, 0.8f);
    tap->process(third.list);
    for (float s : third.samples)
        ASSERT_EQ(s, 0.8f * 0.5f);
}

TEST(AudioLevelTap, PeaksFollowTheBallisticsAndTheMeterLink)
{
    auto meter = preparedTap();
    auto second = preparedTap();
    second->meter = meter;

    // A mono buffer reports its peak on both sides.
    Block mono(256, 1, -0.8f);
    meter->process(mono.list);
    EXPECT_EQ(meter->left(), 0.0f); // gathered, not yet published
    meter->publish();
    EXPECT_FLOAT_EQ(meter->left(), 0.8f);
    EXPECT_FLOAT_EQ(meter->right(), 0.8f);

    // 0.8 then 0.7: falls to 0.6; 0.7 again: rises to 0.7.
    meter->applyBallistics(0.7f, 0.7f);
    EXPECT_FLOAT_EQ(meter->left(), 0.6f);
    meter->applyBallistics(0.7f, 0.7f);
    EXPECT_FLOAT_EQ(meter->left(), 0.7f);
    meter->applyBallistics(1.3f, 0.0f);
    EXPECT_FLOAT_EQ(meter->left(), 1.0f);
    EXPECT_FLOAT_EQ(meter->right(), 0.525f);

    // The second tap's peaks show on the meter, never on itself.
    meter->reset();
    drainMainQueue();
    Block stereo(128, 2, 0.0f);
    for (std::size_t i = 0; i < stereo.samples.size(); i += 2) {
        stereo.samples[i] = 0.3f;
        stereo.samples[i + 1] = -0.9f;
    }
    second->process(stereo.list);
    meter->publish();
    second->publish();
    EXPECT_FLOAT_EQ(meter->left(), 0.3f);
    EXPECT_FLOAT_EQ(meter->right(), 0.9f);
    EXPECT_EQ(second->left(), 0.0f);
    EXPECT_EQ(second->right(), 0.0f);

    // Planar buffers: the first two are measured, all are gained.
    std::vector<float> l(64, 0.2f), r(64, 0.4f), c(64, 0.5f);
    AudioBufferList planar;
    planar.count = 3;
    planar.buffers[0] = AudioBuffer { 1, 256, l.data() };
    planar.buffers[1] = AudioBuffer { 1, 256, r.data() };
    planar.buffers[2] = AudioBuffer { 1, 256, c.data() };
    auto tap = preparedTap();
    tap->gain = 0.5f;
    tap->process(planar); // ramps 1 -> 0.5 within each buffer
    tap->pushExternal(0.1f, 0.1f); // quieter than the buffer: the loudest counts
    tap->publish();
    EXPECT_NEAR(tap->left(), 0.2f * (1.0f - 0.5f / 64), 1e-6f);
    EXPECT_NEAR(tap->right(), 0.4f * (1.0f - 0.5f / 64), 1e-6f);
    EXPECT_NEAR(c.back(), 0.25f, 1e-6f);
}

TEST(AudioLevelTap, ForwardsToTheBusOnlyWhileItIsEnabled)
{
    auto bus = std::make_shared<ProgramAudioBus>();
    auto tap = preparedTap();
    tap->audioBus = bus;
    tap->busSource = 1;
    Block off(480, 2, 0.25f);
    tap->process(off.list);
    bus->setEnabled(true);
    Block on(480, 2, 0.25f);
    on.list.heardTime = 3.0;
    tap->process(on.list);
    EXPECT_TRUE(bus->queued(0).empty());
    EXPECT_EQ(bus->queued(1), std::vector<float>(960, 0.25f));
}

TEST(AudioLevelTap, AGainChangeIsHeardWithinOneCallbackBuffer)
{
    constexpr int kBlock = 512;
    DiskCapture capture(kBlock);
    ASSERT_TRUE(capture.isDisk());
    auto player = std::make_unique<FfmpegMediaPlayer>(capture.output(), HostClock::shared());
    auto tap = std::make_shared<AudioLevelTap>();
    auto item = PlayerItem::create(mediaPath(QStringLiteral("const_quarter.wav")));
    auto mix = tap->makeAudioMix(item, 1.0f);
    ASSERT_TRUE(mix);
    item->setAudioMix(*mix);
    player->replaceCurrentItem(item);
    player->play();
    ASSERT_TRUE(waitUntil([&] { return player->currentTime() > 0.3; }));
    // The change falls between these two counts (a busy machine may run
    // callbacks between them); the ramp may not begin before the first or
    // more than one block after the second.
    const std::uint64_t renderedBefore = capture.output()->framesRendered();
    tap->gain = 0.5f;
    const std::uint64_t renderedAfter = capture.output()->framesRendered();
    ASSERT_TRUE(waitUntil([&] { return player->currentTime() > 0.6; }));
    player.reset();

    const auto out = capture.finish();
    const int lead = capture.leadingSilence();
    int rampStart = -1;
    for (std::size_t i = 0; i < out.size(); i += 2) {
        if (out[i] != 0.0f && out[i] < 0.25f) {
            rampStart = static_cast<int>(i / 2);
            break;
        }
    }
    ASSERT_GE(rampStart, 0);
    // The ramp begins with the first block rendered after the change and
    // spans exactly that block; a render's place in the file is its count
    // shifted by the silence written before the first render.
    EXPECT_EQ((rampStart - lead) % kBlock, 0);
    EXPECT_GE(rampStart, static_cast<int>(renderedBefore) + lead);
    EXPECT_LE(rampStart, static_cast<int>(renderedAfter) + lead + kBlock);
    EXPECT_EQ(out[static_cast<std::size_t>(rampStart + kBlock - 1) * 2], 0.125f);
    EXPECT_EQ(out[static_cast<std::size_t>(rampStart + kBlock) * 2], 0.125f);
}

} // namespace
} // namespace tessarin::test
