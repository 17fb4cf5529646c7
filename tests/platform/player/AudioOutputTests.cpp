// The output device: a driver that opens nothing falls back to SDL's dummy
// driver, every source is mixed until it is removed, and the delay it
// reports follows what the device or its server holds.
#include "platform/player/AudioOutput.h"
#include "platform/RealtimeScheduling.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

namespace tessarin::test {
namespace {

class Constant final : public AudioSource {
public:
    explicit Constant(float value) : value_(value) { }
    void render(float* mix, int frames, const AudioRenderContext&) override
    {
        for (int i = 0; i < frames * 2; ++i)
            mix[i] += value_;
    }

private:
    float value_;
};

TEST(AudioOutput, FallsBackToTheDummyDriverWhenTheChosenOneOpensNothing)
{
    SdlAudioOutput output(SdlAudioOutput::Options { QStringLiteral("no-such-driver"), 256 });
    ASSERT_TRUE(output.isOpen());
    EXPECT_EQ(output.driverName(), QStringLiteral("dummy"));
    auto source = std::make_shared<Constant>(0.1f);
    output.addSource(source);
    // The dummy driver paces its callback in real time.
    const auto start = output.framesRendered();
    ASSERT_TRUE(waitUntil([&] { return output.framesRendered() >= start + 4800; }));
    output.removeSource(source.get());
    EXPECT_EQ(source.use_count(), 1);
}

TEST(AudioOutput, MixesEverySourceUntilItIsRemoved)
{
    NullAudioOutput output;
    auto a = std::make_shared<Constant>(0.25f);
    auto b = std::make_shared<Constant>(0.125f);
    output.addSource(a);
    output.addSource(b);
    output.addSource(a); // once only
    std::vector<float> block(64 * 2);
    output.render(block.data(), 64);
    EXPECT_EQ(block.front(), 0.375f);
    EXPECT_EQ(block.back(), 0.375f);
    output.removeSource(a.get());
    output.render(block.data(), 64);
    EXPECT_EQ(block.front(), 0.125f);
    EXPECT_EQ(output.framesRendered(), 128u);
}

TEST(AudioOutput, ReportsTheDelayOfWhatTheDeviceHoldsBeforeEachBlock)
{
    struct Case {
        const char* driver;
        int blockFrames;
        int serverMsec;
        double latency;
    };
    const Case cases[] = {
        { "dummy", 2048, 0, 0.0 },         // plays each block as it is made
        { "disk", 2048, 0, 0.0 },
        { "alsa", 2048, 0, 2048 / 48000.0 }, // two periods: the one before plays
        { "pulseaudio", 2048, 200, 0.2 - 2048 / 48000.0 },
        { "pulseaudio", 512, 200, 0.2 - 512 / 48000.0 },
        { "pulseaudio", 2048, 40, 2048 / 48000.0 }, // a user's buffer under two blocks
    };
    for (const Case& c : cases)
        EXPECT_NEAR(SdlAudioOutput::latencyOf(QString::fromLatin1(c.driver), c.blockFrames, c.serverMsec), c.latency,
                    1e-9) << c.driver << " " << c.blockFrames << " " << c.serverMsec;

    EXPECT_EQ(SdlAudioOutput::serverBufferOf(nullptr), SdlAudioOutput::kServerBufferMsec);
    EXPECT_EQ(SdlAudioOutput::serverBufferOf("350"), 350);
    EXPECT_EQ(SdlAudioOutput::serverBufferOf(" 80 "), 80);
    for (const char* unusable : { "", "0", "-5", "fast", "1.5" })
        EXPECT_EQ(SdlAudioOutput::serverBufferOf(unusable), SdlAudioOutput::kServerBufferMsec) << unusable;
}

// A device behind a server that holds several blocks: rendered by hand,
// as unevenly as such a server asks for them.
class ServerOutput final : public AudioOutput {
public:
    int bufferFrames() const override { return 2048; }
    double latency() const override { return 0.157; }
    void render(float* out, int frames) { renderMix(out, frames); }

protected:
    void lockRender() override { }
    void unlockRender() override { }
    bool playsBackToBack() const override { return true; }
};

class HeardTimes final : public AudioSource {
public:
    void render(float*, int, const AudioRenderContext& context) override
    {
        heard.push_back(context.hostTime + context.latency);
    }
    std::vector<double> heard;
};

TEST(AudioOutput, TimesBlocksAskedForTogetherBackToBack)
{
    ServerOutput output;
    auto times = std::make_shared<HeardTimes>();
    output.addSource(times);
    std::vector<float> block(2048 * 2);
    // Three blocks asked for at once are heard one after the other, not all
    // one latency after their render; the render's time pulls them only a
    // little (1/32 of the difference a block).
    for (int i = 0; i < 3; ++i)
        output.render(block.data(), 2048);
    ASSERT_EQ(times->heard.size(), 3u);
    const double blockSeconds = 2048 / 48000.0;
    for (int i = 1; i < 3; ++i) {
        EXPECT_NEAR(times->heard[i] - times->heard[i - 1], blockSeconds, blockSeconds / 16) << i;
        EXPECT_GT(times->heard[i] - times->heard[i - 1], blockSeconds / 2) << i;
    }
}

TEST(AudioOutput, RaisesAFeedingThreadWhereThePlatformAllowsAndNoOtherThread)
{
    const int before = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
    bool raised = false;
    int inside = 0;
    std::thread([&] {
        raised = raiseCurrentThreadPriority(-10);
        inside = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
    }).join();
    // Refused (an ordinary user), the thread keeps the priority it had.
    EXPECT_EQ(inside, raised ? -10 : before);
    EXPECT_EQ(getpriority(PRIO_PROCESS, static_cast<id_t>(gettid())), before);
}

} // namespace
} // namespace tessarin::test
