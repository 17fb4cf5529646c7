// The live audio player on an output rendered by hand: gain and peaks,
// the 0.6 s limit, played-back completions, reconnection on a new format,
// and stop.
#include "engine/LiveAudioPlayer.h"
#include "engine/ProgramAudioBus.h"
#include "platform/player/AudioOutput.h"
#include "platform/player/PcmBuffer.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <vector>

namespace tessarin::test {
namespace {

std::shared_ptr<PcmBuffer> planar(double rate, int channels, int frames, float value)
{
    auto buffer = PcmBuffer::create(AudioFormat::float32(rate, channels, false), frames);
    buffer->setFrameLength(frames);
    for (int c = 0; c < channels; ++c)
        std::fill_n(buffer->floatData(c), frames, value);
    return buffer;
}

class LiveAudioPlayerTest : public ::testing::Test {
protected:
    LiveAudioPlayerTest()
        : output(std::make_shared<NullAudioOutput>())
        , bus(std::make_shared<ProgramAudioBus>())
        , player(output)
    {
        player.audioBus = bus;
        player.onLevels = [this](float l, float r) { levels.emplace_back(l, r); };
        bus->setEnabled(true);
    }
    double queued()
    {
        std::lock_guard guard(player.lock);
        return player.queuedSeconds;
    }
    void settle() { player.syncOnQueue([] {}); }
    std::vector<float> render(int frames)
    {
        std::vector<float> out(static_cast<std::size_t>(frames) * 2);
        output->render(out.data(), frames);
        return out;
    }

    std::shared_ptr<NullAudioOutput> output;
    std::shared_ptr<ProgramAudioBus> bus;
    LiveAudioPlayer player;
    std::vector<std::pair<float, float>> levels;
};

TEST_F(LiveAudioPlayerTest, PlaysGainedBuffersAndCountsWhatWaitsUntilPlayedBack)
{
    {
        std::lock_guard guard(player.lock);
        player.gain = 0.5f;
    }
    player.enqueue(planar(48000, 1, 4800, 0.8f)); // mono: same level both sides
    settle();
    ASSERT_EQ(levels.size(), 1u);
    EXPECT_FLOAT_EQ(levels[0].first, 0.4f);
    EXPECT_FLOAT_EQ(levels[0].second, 0.4f);
    EXPECT_NEAR(queued(), 0.1, 1e-9);

    auto out = render(4800);
    EXPECT_FLOAT_EQ(out[0], 0.4f);
    EXPECT_FLOAT_EQ(out[1], 0.4f);
    EXPECT_FLOAT_EQ(out.back(), 0.4f);
    EXPECT_EQ(queued(), 0.0); // played back
    EXPECT_EQ(bus->queued(ProgramAudioBus::kLiveSource).size(), 9600u);
}

TEST_F(LiveAudioPlayerTest, KeepsAtMostAboutSixTenthsOfASecondWaiting)
{
    for (int i = 0; i < 6; ++i)
        player.enqueue(planar(48000, 2, 5280, 0.1f)); // 0.11 s each
    settle();
    EXPECT_NEAR(queued(), 0.66, 1e-9);
    EXPECT_EQ(levels.size(), 6u);
    // At 0.66 s waiting the next buffer is neither played nor metered, but
    // it still reaches the bus.
    player.enqueue(planar(48000, 2, 480, 0.3f));
    settle();
    EXPECT_NEAR(queued(), 0.66, 1e-9);
    EXPECT_EQ(levels.size(), 6u);
    const std::vector<float> onBus = bus->queued(ProgramAudioBus::kLiveSource);
    ASSERT_FALSE(onBus.empty());
    EXPECT_EQ(onBus.back(), 0.3f);
}

TEST_F(LiveAudioPlayerTest, ReconnectsForANewFormatAndStartsAfreshAfterStop)
{
    player.enqueue(planar(48000, 2, 480, 0.1f));
    settle();
    player.syncOnQueue([&] { EXPECT_EQ(player.connectedFormat()->sampleRate, 48000.0); });
    player.enqueue(planar(44100, 2, 441, 0.1f));
    settle();
    player.syncOnQueue([&] { EXPECT_EQ(player.connectedFormat()->sampleRate, 44100.0); });
    EXPECT_GT(queued(), 0.0);

    player.stop();
    EXPECT_EQ(queued(), 0.0);
    player.syncOnQueue([&] { EXPECT_FALSE(player.connectedFormat()); });
    auto silent = render(960);
    EXPECT_EQ(silent[0], 0.0f);

    player.enqueue(planar(48000, 2, 480, 0.2f));
    settle();
    EXPECT_FLOAT_EQ(render(480)[0], 0.2f);
}

TEST(LiveAudioPlayerGain, UnityGainLeavesSamplesAloneAndInterleavedBuffersMeasureBothSides)
{
    auto buffer = PcmBuffer::create(AudioFormat::float32(48000, 2, true), 4);
    buffer->setFrameLength(4);
    float* d = buffer->floatData(0);
    const float values[] = { 0.1f, -0.6f, 0.3f, 0.2f, -0.2f, 0.1f, 0.0f, 0.05f };
    std::copy(std::begin(values), std::end(values), d);
    auto [l, r] = LiveAudioPlayer::applyGainAndMeasure(*buffer, 1.0f);
    EXPECT_FLOAT_EQ(l, 0.3f);
    EXPECT_FLOAT_EQ(r, 0.6f);
    EXPECT_EQ(d[1], -0.6f);
    auto ints = PcmBuffer::create(AudioFormat { SampleFormat::Int16, 48000, 2, true }, 4);
    EXPECT_EQ(LiveAudioPlayer::applyGainAndMeasure(*ints, 0.5f), std::make_pair(0.0f, 0.0f));
}

} // namespace
} // namespace tessarin::test
