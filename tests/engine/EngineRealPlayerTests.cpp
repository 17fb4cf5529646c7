// The engine on real players and real files, heard through the captured
// output mix: what the operator's audience hears, sample by sample.
#include "engine/PlaylistEngine.h"
#include "platform/Clock.h"
#include "platform/Settings.h"
#include "platform/player/FfmpegMediaPlayer.h"
#include "support/DiskCapture.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <algorithm>
#include <cmath>

namespace tessarin::test {
namespace {

// ramp.wav: sample n of both channels is n / 192000 (32-bit float).
constexpr double kRampScale = 192000.0;

struct RealEngine {
    explicit RealEngine(const std::shared_ptr<AudioOutput>& output)
        : settings(dir.filePath(QStringLiteral("settings.ini")))
        , engine(HostClock::shared(), settings,
              [output] { return std::make_shared<FfmpegMediaPlayer>(output, HostClock::shared()); }, output)
    {
    }

    std::shared_ptr<MediaFile> item(const char* name, double in, std::optional<double> out)
    {
        const QUrl url = QUrl::fromLocalFile(mediaPath(QString::fromLatin1(name)));
        auto file = MediaFile::create(url);
        file->setPlayableURL(url);
        file->setInPoint(in);
        file->setOutPoint(out);
        return file;
    }

    std::shared_ptr<MediaBlock> block(MediaBlock::Items items)
    {
        auto b = std::make_shared<MediaBlock>(QStringLiteral("Blocco 1"), QUuid::createUuid());
        b->setItems(std::move(items));
        engine.setBlocks({ b });
        return b;
    }

    QTemporaryDir dir;
    Settings settings;
    PlaylistEngine engine;
};

// Walks the left channel of a mix of ramp.wav windows: each window must run
// sample by sample in order; returns the windows' first samples and the
// longest silence after the first sound.
struct RampWalk {
    std::vector<long> starts;
    long last = -1;
    int longestGap = 0;
    long longestGapBefore = -1; // the sample after the longest silence
};

RampWalk walkRamp(const std::vector<float>& mix)
{
    RampWalk walk;
    int gap = 0;
    for (std::size_t i = 0; i + 1 < mix.size(); i += 2) {
        const float v = mix[i];
        EXPECT_EQ(v, mix[i + 1]) << "frame " << i / 2;
        if (v == 0.0f) {
            if (walk.last >= 0)
                ++gap;
            continue;
        }
        const long n = std::lround(v * kRampScale);
        if (n != walk.last + 1)
            walk.starts.push_back(n);
        walk.last = n;
        if (gap > walk.longestGap) {
            walk.longestGap = gap;
            walk.longestGapBefore = n;
        }
        gap = 0;
    }
    return walk;
}

TEST(EngineOnRealPlayers, ACutBlockJoinsItsWindowsSampleExactlyAlsoWhenTheMainThreadIsLate)
{
    DiskCapture capture(512);
    if (!capture.isDisk())
        GTEST_SKIP() << "SDL's disk audio driver is not available in this process";
    {
        RealEngine rig(capture.output());
        rig.engine.setTransitionStyle(TransitionStyle::cut);
        auto block = rig.block({ rig.item("ramp.wav", 0.0, 0.5), rig.item("ramp.wav", 0.5, 1.0),
            rig.item("ramp.wav", 1.0, 1.5) });
        const auto output = capture.output();
        rig.engine.play(block);
        // The main thread stalls across the first join (0.5 s in): the next
        // item must start without it.
        const std::uint64_t before = output->framesRendered();
        const double deadline = HostClock::monotonicSeconds() + 20.0;
        while (output->framesRendered() < before + 24000 + 9600 && HostClock::monotonicSeconds() < deadline) { }
        ASSERT_TRUE(waitUntil([&] { return !rig.engine.isPlaying(); }, 20.0));
    }
    const std::vector<float> mix = capture.finish();
    ASSERT_FALSE(mix.empty());
    // Samples 1 to 71999 (sample 0 is silent), each once, in order, and not
    // one silent frame between the windows.
    const RampWalk walk = walkRamp(mix);
    EXPECT_EQ(walk.starts, std::vector<long> { 1 });
    EXPECT_EQ(walk.last, 71999);
    EXPECT_EQ(walk.longestGap, 0) << "before sample " << walk.longestGapBefore;
}

TEST(EngineOnRealPlayers, ALoopingItemJoinsEachPassOntoTheLastSampleOfThePassBeforeInEitherStyle)
{
    for (const TransitionStyle style : { TransitionStyle::cut, TransitionStyle::fade }) {
    SCOPED_TRACE(style == TransitionStyle::cut ? "cut" : "fade");
    DiskCapture capture(512);
    if (!capture.isDisk())
        GTEST_SKIP() << "SDL's disk audio driver is not available in this process";
    {
        RealEngine rig(capture.output());
        rig.engine.setTransitionStyle(style);
        rig.engine.setFadeSeconds(0.1);
        auto item = rig.item("ramp.wav", 0.25, 0.5);
        item->setLoop(true);
        auto block = rig.block({ item });
        rig.engine.play(block);
        const auto output = capture.output();
        ASSERT_TRUE(waitUntil([&] { return output->framesRendered() > 60000; }, 20.0));
        rig.engine.stop();
        drainMainQueue();
    }
    std::vector<float> mix = capture.finish();
    // From the end of the first pass (in the fade style that pass fades in).
    std::size_t firstEnd = 0;
    while (firstEnd + 1 < mix.size() && std::lround(mix[firstEnd] * kRampScale) != 23999)
        firstEnd += 2;
    mix.erase(mix.begin(), mix.begin() + static_cast<std::ptrdiff_t>(firstEnd));
    const RampWalk walk = walkRamp(mix);
    ASSERT_GE(walk.starts.size(), 4u); // the first pass's last sample, then three passes or more
    EXPECT_EQ(walk.starts.front(), 23999);
    for (std::size_t i = 1; i < walk.starts.size(); ++i)
        EXPECT_EQ(walk.starts[i], 12000); // each pass from its in-point's sample
    EXPECT_EQ(walk.longestGap, 0) << "before sample " << walk.longestGapBefore;
    }
}

TEST(EngineOnRealPlayers, AFadeStyleCrossfadeSoundsBothItemsAtOnce)
{
    DiskCapture capture(512);
    if (!capture.isDisk())
        GTEST_SKIP() << "SDL's disk audio driver is not available in this process";
    {
        RealEngine rig(capture.output());
        rig.engine.setTransitionStyle(TransitionStyle::fade);
        rig.engine.setFadeSeconds(0.6);
        auto block = rig.block({ rig.item("const_quarter.wav", 0.0, std::nullopt),
            rig.item("const_eighth.wav", 0.0, std::nullopt) });
        rig.engine.play(block);
        ASSERT_TRUE(waitUntil([&] { return !rig.engine.isPlaying(); }, 20.0));
    }
    const std::vector<float> mix = capture.finish();
    ASSERT_FALSE(mix.empty());
    float loudest = 0.0f;
    for (std::size_t i = 0; i < mix.size(); i += 2)
        loudest = std::max(loudest, mix[i]);
    // Alone, neither item exceeds 0.25; an equal-power crossfade of the two
    // peaks at √(0.25² + 0.125²) ≈ 0.2795 (a fifth of the way in). The gains
    // move in 60 Hz steps written one player after the other, so a block may
    // carry the incoming one's newer gain with the outgoing one's older: a
    // little more, yet far below both at full gain (0.375).
    EXPECT_GT(loudest, 0.255f);
    EXPECT_LT(loudest, 0.30f);
}

} // namespace
} // namespace tessarin::test
