// The program's sound path on its real-time thread: through the engine's
// crossfade on real players while a stream pulls the program bus, the
// output's renders allocate nothing and never meet a taken lock, and the
// stream and the meter still get both items' sound; the live sound plays
// on the same terms.
#include "engine/AudioLevelTap.h"
#include "engine/LiveAudioPlayer.h"
#include "engine/PlaylistEngine.h"
#include "engine/ProgramAudioBus.h"
#include "platform/Clock.h"
#include "platform/Settings.h"
#include "platform/player/AudioOutput.h"
#include "platform/player/FfmpegMediaPlayer.h"
#include "platform/player/PcmBuffer.h"
#include "support/AudioThreadProbe.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <atomic>
#include <chrono>
#include <thread>

namespace tessarin::test {
namespace {

// A device on a thread of its own, paced by the steady clock, whose every
// render is counted by the probe.
class ProbedOutput final : public AudioOutput {
public:
    static constexpr int kFrames = 512;

    ProbedOutput() { thread_ = std::thread([this] { run(); }); }
    ~ProbedOutput() override
    {
        stop_ = true;
        thread_.join();
    }
    int bufferFrames() const override { return kFrames; }
    double latency() const override { return double(kFrames) / kSampleRate; }

protected:
    void lockRender() override
    {
        while (busy_.test_and_set(std::memory_order_acquire))
            busy_.wait(true, std::memory_order_relaxed);
    }
    void unlockRender() override
    {
        busy_.clear(std::memory_order_release);
        busy_.notify_one();
    }

private:
    void run()
    {
        std::vector<float> block(std::size_t(kFrames) * kChannels);
        const auto period = std::chrono::microseconds(kFrames * 1000000LL / kSampleRate);
        auto next = std::chrono::steady_clock::now();
        while (!stop_) {
            next += period;
            std::this_thread::sleep_until(next); // the device's pace
            lockRender();
            {
                probe::Scope counted;
                renderMixLocked(block.data(), kFrames);
            }
            unlockRender();
        }
    }

    std::atomic<bool> stop_ { false };
    std::atomic_flag busy_ = ATOMIC_FLAG_INIT;
    std::thread thread_;
};

TEST(ProgramAudioRealTime, ACrossfadeWhileAStreamPullsAllocatesAndWaitsForNothingOnTheAudioThread)
{
    const probe::Counts before = probe::totals();
    float loudestPulled = 0.0f;
    float loudestMetered = 0.0f;
    std::uint64_t rendered = 0;
    {
        auto output = std::make_shared<ProbedOutput>();
        QTemporaryDir dir;
        Settings settings(dir.filePath(QStringLiteral("settings.ini")));
        PlaylistEngine engine(HostClock::shared(), settings,
            [output] { return std::make_shared<FfmpegMediaPlayer>(output, HostClock::shared()); }, output);
        engine.setTransitionStyle(TransitionStyle::fade);
        engine.setFadeSeconds(0.6);
        QObject::connect(engine.levelMeter().get(), &AudioLevelTap::changed,
            [&] { loudestMetered = std::max(loudestMetered, engine.levelMeter()->left()); });

        // The stream's pump: a block every 20 ms, the sound heard 0.1 s before.
        ProgramAudioBus& bus = *engine.programAudio();
        bus.setEnabled(true);
        std::atomic<bool> pulling { true };
        std::atomic<float> loudest { 0.0f };
        std::thread pump([&] {
            auto next = std::chrono::steady_clock::now();
            while (pulling) {
                next += std::chrono::milliseconds(20);
                std::this_thread::sleep_until(next);
                const std::vector<float> block = bus.pull(960, HostClock::monotonicSeconds() - 0.1);
                for (std::size_t i = 0; i < block.size(); i += 2)
                    if (block[i] > loudest.load())
                        loudest = block[i];
            }
        });

        auto item = [](const char* name) {
            const QUrl url = QUrl::fromLocalFile(mediaPath(QString::fromLatin1(name)));
            auto file = MediaFile::create(url);
            file->setPlayableURL(url);
            return file;
        };
        auto block = std::make_shared<MediaBlock>(QStringLiteral("Blocco 1"), QUuid::createUuid());
        block->setItems({ item("const_quarter.wav"), item("const_eighth.wav") });
        engine.setBlocks({ block });
        engine.play(block);
        EXPECT_TRUE(waitUntil([&] { return engine.isPlaying(); }, 20.0));
        EXPECT_TRUE(waitUntil([&] { return !engine.isPlaying(); }, 20.0));
        pulling = false;
        pump.join();
        loudestPulled = loudest;
        rendered = output->framesRendered();
    }
    const probe::Counts after = probe::totals();
    EXPECT_GT(rendered, 48000u * 3) << "the output did not play both items";
    // Alone, neither item exceeds 0.25; their equal-power crossfade peaks
    // near 0.28: the stream carried both at once. The meter shows the
    // louder player's peaks.
    EXPECT_GT(loudestPulled, 0.255f);
    EXPECT_LT(loudestPulled, 0.31f); // both at full gain: 0.375
    EXPECT_FLOAT_EQ(loudestMetered, 0.25f);
    if (!probe::available())
        GTEST_SKIP() << "a sanitizer counts allocations and locks itself (it checked the threads' races)";
    EXPECT_EQ(after.allocations - before.allocations, 0);
    EXPECT_EQ(after.contendedLocks - before.contendedLocks, 0);
}

TEST(ProgramAudioRealTime, TheLiveSoundPlaysWithoutAllocatingOrWaitingOnTheAudioThread)
{
    const probe::Counts before = probe::totals();
    std::uint64_t rendered = 0;
    float loudest = 0.0f;
    {
        auto output = std::make_shared<ProbedOutput>();
        LiveAudioPlayer player(output);
        player.onLevels = [&](float left, float) { loudest = std::max(loudest, left); };
        // A burst of half a second, as an ingest hands it over after a stall.
        for (int i = 0; i < 25; ++i) {
            auto buffer = PcmBuffer::create(AudioFormat::float32(48000, 2, false), 960);
            buffer->setFrameLength(960);
            std::fill_n(buffer->floatData(0), 960, 0.25f);
            std::fill_n(buffer->floatData(1), 960, 0.25f);
            player.enqueue(buffer);
        }
        const std::uint64_t start = output->framesRendered();
        EXPECT_TRUE(waitUntil([&] { return output->framesRendered() - start > 48000u * 7 / 10; }, 20.0));
        player.stop();
        rendered = output->framesRendered() - start;
    }
    const probe::Counts after = probe::totals();
    EXPECT_GT(rendered, 48000u / 2);
    EXPECT_FLOAT_EQ(loudest, 0.25f);
    if (!probe::available())
        GTEST_SKIP() << "a sanitizer counts allocations and locks itself (it checked the threads' races)";
    EXPECT_EQ(after.allocations - before.allocations, 0);
    EXPECT_EQ(after.contendedLocks - before.contendedLocks, 0);
}

} // namespace
} // namespace tessarin::test
