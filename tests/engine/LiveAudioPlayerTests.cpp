// The live audio player on an output rendered by hand: gain and peaks, the
// queue's target (silence first, a backlog left out before it is heard, the
// depth held by speed once heard) and its clock, reconnection on a new
// format, and stop.
#include "engine/LiveAudioPlayer.h"
#include "engine/LiveQueueRule.h"
#include "engine/ProgramAudioBus.h"
#include "platform/player/AudioOutput.h"
#include "platform/player/PcmBuffer.h"
#include "support/ManualClock.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>

#include <cmath>
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

TEST(LiveQueueRule, StartsADryQueueAtTheTargetLeavesOutOnlyUnheardSoundAndHoldsHeardSoundBySpeed)
{
    constexpr double T = LiveQueueRule::kTargetSeconds;
    constexpr double most = LiveQueueRule::kMostSpeedChange * LiveQueueRule::kWindowSeconds;
    const struct {
        double waiting;
        double at;
        bool heard;
        double silence;
        double leaveOut;
        double speed;
    } steps[] = {
        { 0.0, 0.0, false, T, 0.0, 0.0 },      // the first buffer: nothing waits
        { 0.30, 0.05, false, 0.0, 0.20, 0.0 }, // a backlog none of which is heard: down to the target
        { 0.14, 0.1, false, 0.0, 0.0, 0.0 },   // within the margin: kept
        { 0.0, 0.4, true, T, 0.0, 0.0 },       // played out, dry: afresh at the target, and it was heard
        { 0.30, 0.41, false, 0.0, 0.0, 0.0 },  // the next chunk, before its silence is heard: kept whole
        { 0.30, 0.5, true, 0.0, 0.0, 0.0 },    // heard: a burst is never skipped, the window runs
        { 0.40, 1.0, true, 0.0, 0.0, 0.0 },
        { 0.35, 1.5, true, 0.0, 0.0, most },   // the least of the window above target + margin: faster
        { 0.12, 2.0, true, 0.0, 0.0, 0.0 },
        { 0.40, 2.5, true, 0.0, 0.0, 0.0 },    // near the target once in the window: as it is
        { 0.03, 3.0, true, 0.0, 0.0, 0.0 },
        { 0.20, 3.5, true, 0.0, 0.0, -most },  // below target - margin: slower
        { 0.80, 4.0, true, 0.0, 0.0, 0.0 },
        { 0.70, 4.5, true, 0.0, 0.70 - T, 0.0 }, // a stalled feed's surplus, too much to play off
        { 0.0002, 4.6, true, T - 0.0002, 0.0, 0.0 }, // run dry: afresh at the target
        { 0.40, 4.7, false, 0.0, 0.0, 0.0 },   // the connection was heard: nothing skipped
        { 0.0, 6.0, true, T, 0.0, 0.0 },       // no sound for a window: a new connection (the old one was heard)
        { 0.40, 6.1, false, 0.0, 0.30, 0.0 },  // whose backlog goes unheard
    };
    LiveQueueRule rule;
    for (const auto& s : steps) {
        const LiveQueueRule::Step step = rule.next(s.waiting, s.at, s.heard);
        EXPECT_NEAR(step.silence, s.silence, 1e-9) << "at " << s.at;
        EXPECT_NEAR(step.leaveOut, s.leaveOut, 1e-9) << "at " << s.at;
        EXPECT_NEAR(step.speed, s.speed, 1e-9) << "at " << s.at;
    }
    rule.reset();
    EXPECT_NEAR(rule.next(0.5, 10.0, false).leaveOut, 0.5 - T, 1e-9) << "a new connection after a reset";
    EXPECT_EQ(rule.next(0.5, 10.5, true).speed, 0.0) << "a new window after a reset";
}

class LiveAudioPlayerTest : public ::testing::Test {
protected:
    LiveAudioPlayerTest()
        : clock(HostClock::monotonicSeconds())
        , output(std::make_shared<NullAudioOutput>())
        , bus(std::make_shared<ProgramAudioBus>())
        , player(output, clock)
    {
        player.audioBus = bus;
        player.onLevels = [this](float l, float r) { levels.emplace_back(l, r); };
        bus->setEnabled(true);
    }
    double waiting()
    {
        double seconds = 0.0;
        player.syncOnQueue([&] { seconds = player.waitingSeconds(); });
        return seconds;
    }
    void settle() { player.syncOnQueue([] {}); }
    std::vector<float> render(int frames)
    {
        std::vector<float> out(static_cast<std::size_t>(frames) * 2);
        output->render(out.data(), frames);
        return out;
    }

    ManualClock clock;
    std::shared_ptr<NullAudioOutput> output;
    std::shared_ptr<ProgramAudioBus> bus;
    LiveAudioPlayer player;
    std::vector<std::pair<float, float>> levels;
};

TEST_F(LiveAudioPlayerTest, PlaysGainedBuffersAfterTheTargetsSilence)
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
    EXPECT_NEAR(waiting(), LiveQueueRule::kTargetSeconds + 0.1, 1e-9);

    auto silence = render(4800);
    EXPECT_EQ(silence[0], 0.0f);
    EXPECT_EQ(silence.back(), 0.0f);
    auto out = render(4800);
    EXPECT_FLOAT_EQ(out[0], 0.4f);
    EXPECT_FLOAT_EQ(out[1], 0.4f);
    EXPECT_FLOAT_EQ(out.back(), 0.4f);
    EXPECT_EQ(waiting(), 0.0);
    EXPECT_EQ(bus->queued(ProgramAudioBus::kLiveSource).size(), 9600u) << "the bus gets what plays";
}

TEST_F(LiveAudioPlayerTest, LeavesOutABacklogBeforeItIsHeardThenNeverSkipsAndHoldsTheQueueBySpeed)
{
    // 40 ms buffers, each of its own level, in a burst before anything
    // renders (a feed's backlog at a take): the older sound goes unheard.
    int level = 0;
    const auto next = [&] { player.enqueue(planar(48000, 2, 1920, 0.01f * float(++level))); };
    for (int i = 0; i < 10; ++i)
        next();
    EXPECT_NEAR(waiting(), LiveQueueRule::kTargetSeconds + 0.08, 1e-9);
    EXPECT_NEAR(player.heardTimeOfArrival(clock.now()), clock.now() + waiting(), 1e-9)
        << "the sound that has arrived is heard after all that waits, not after what was left out";
    EXPECT_EQ(player.adjustments().restarts, 1);
    EXPECT_EQ(levels.size(), 10u) << "every buffer is metered, also those left out";
    // What plays: older sound before newer, the last three buffers whole.
    const std::vector<float> out = render(int(std::lround(0.18 * 48000)));
    for (std::size_t i = 2; i < out.size(); i += 2)
        EXPECT_GE(out[i], out[i - 2]) << "at frame " << i / 2;
    for (int b = 0; b < 3; ++b)
        EXPECT_FLOAT_EQ(out[out.size() - std::size_t((3 - b) * 1920 * 2)], 0.08f + 0.01f * float(b));

    EXPECT_EQ(player.adjustments().trims, 4);

    // Started afresh, and heard: a queue kept away from the target for a
    // whole window is played a little slower or faster, nothing of it left
    // out.
    next();
    settle();
    render(int(0.11 * 48000));
    for (int i = 0; i < 10; ++i)
        next();
    clock.advance(LiveQueueRule::kWindowSeconds);
    next(); // the least of the window was the 30 ms left after the render
    settle();
    const double most = LiveQueueRule::kMostSpeedChange * LiveQueueRule::kWindowSeconds;
    EXPECT_NEAR(player.adjustments().speedSeconds, -most, 1e-9);
    clock.advance(LiveQueueRule::kWindowSeconds);
    next(); // a window at 0.47 s
    settle();
    EXPECT_NEAR(player.adjustments().speedSeconds, 0.0, 1e-9);
    const double start = waiting();
    for (int i = 0; i < 30; ++i)
        next();
    EXPECT_EQ(player.adjustments().trims, 4);
    EXPECT_EQ(player.adjustments().restarts, 2);
    EXPECT_NEAR(waiting() - start, 30 * 0.04 - most, 0.002) << "a second of output played a little faster";
}

TEST_F(LiveAudioPlayerTest, APicturesSoundIsWhatCameCarriedOnToItsArrivalAsFarAsTheLargestChunk)
{
    // A feed whose sound comes in chunks of 0.2 s (five buffers at once)
    // while its pictures flow: between chunks the sound of the time is on
    // its way, not the last chunk's end.
    const double t = clock.now();
    const auto chunk = [&] {
        for (int i = 0; i < 5; ++i)
            player.enqueue(planar(48000, 2, 1920, 0.1f));
        settle();
    };
    chunk();
    clock.advance(0.2);
    chunk(); // each chunk's end came as it was made
    const double atChunk = player.heardTimeOfArrival(t + 0.2);
    EXPECT_NEAR(player.heardTimeOfArrival(t + 0.3) - atChunk, 0.1, 1e-9);
    EXPECT_NEAR(player.heardTimeOfArrival(t + 0.399) - atChunk, 0.199, 1e-9);
    EXPECT_NEAR(player.heardTimeOfArrival(t + 5.0) - atChunk, 0.2, 1e-9)
        << "no further than the most sound that came at once";

    // After a stall the sound comes 1.4 s late: its pictures, as late, pair
    // with it.
    clock.advance(1.8);
    chunk();
    EXPECT_NEAR(player.heardTimeOfArrival(clock.now()), clock.now() + waiting(), 1e-9);
    EXPECT_NEAR(player.heardTimeOfArrival(clock.now() + 0.1) - player.heardTimeOfArrival(clock.now()), 0.1, 1e-9);
}

TEST_F(LiveAudioPlayerTest, ReconnectsForANewFormatAndStartsAfreshAfterStop)
{
    player.enqueue(planar(48000, 2, 480, 0.1f));
    settle();
    player.syncOnQueue([&] { EXPECT_EQ(player.connectedFormat()->sampleRate, 48000.0); });
    player.enqueue(planar(44100, 2, 441, 0.1f));
    settle();
    player.syncOnQueue([&] { EXPECT_EQ(player.connectedFormat()->sampleRate, 44100.0); });
    EXPECT_GT(waiting(), 0.0);
    EXPECT_TRUE(std::isfinite(player.heardTimeOfArrival(clock.now())));

    player.stop();
    EXPECT_EQ(waiting(), 0.0);
    EXPECT_TRUE(std::isnan(player.heardTimeOfArrival(clock.now())));
    player.syncOnQueue([&] { EXPECT_FALSE(player.connectedFormat()); });
    auto silent = render(960);
    EXPECT_EQ(silent[0], 0.0f);

    player.enqueue(planar(48000, 2, 480, 0.2f));
    settle();
    EXPECT_EQ(render(4800)[0], 0.0f) << "the target's silence first";
    EXPECT_FLOAT_EQ(render(480)[0], 0.2f);
}

// A stop with nothing handed over since the last one (every take into a
// file stops the live sound) does not wait for the queue's thread: here it
// is held busy, and the stop still returns.
TEST_F(LiveAudioPlayerTest, AStopWithNothingHandedOverWaitsForNothing)
{
    player.enqueue(planar(48000, 2, 480, 0.1f));
    player.stop();
    std::promise<void> release;
    std::promise<void> held;
    std::thread busy([&] {
        player.syncOnQueue([&] {
            held.set_value();
            release.get_future().wait();
        });
    });
    held.get_future().wait();
    auto stopped = std::async(std::launch::async, [&] { player.stop(); });
    const bool returned = stopped.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    release.set_value();
    busy.join();
    stopped.wait();
    EXPECT_TRUE(returned) << "the stop waited for the queue";
    EXPECT_TRUE(std::isnan(player.heardTimeOfArrival(clock.now())));
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
