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

TEST(EngineOnRealPlayers, ACutBlockPlaysEverySampleOfEachWindowOnceInOrderWithShortJoins)
{
    DiskCapture capture(512);
    if (!capture.isDisk())
        GTEST_SKIP() << "SDL's disk audio driver is not available in this process";
    {
        RealEngine rig(capture.output());
        rig.engine.setTransitionStyle(TransitionStyle::cut);
        auto block = rig.block({ rig.item("ramp.wav", 0.0, 0.5), rig.item("ramp.wav", 0.5, 1.0),
            rig.item("ramp.wav", 1.0, 1.5) });
        rig.engine.play(block);
        ASSERT_TRUE(waitUntil([&] { return !rig.engine.isPlaying(); }, 20.0));
    }
    const std::vector<float> mix = capture.finish();
    ASSERT_FALSE(mix.empty());

    // Walk the left channel: the ramp must run from sample 1 to 71999 with
    // nothing repeated, skipped or out of order; silence is allowed only at
    // the joins. The player signals the end as soon as the last sample is
    // mixed and the next item starts in time for the next buffer, so a join
    // is silent for at most the rest of the buffer that held the last sample.
    long expected = 1;
    int gap = 0;
    int longestGap = 0;
    bool started = false;
    for (std::size_t i = 0; i + 1 < mix.size(); i += 2) {
        const float v = mix[i];
        ASSERT_EQ(v, mix[i + 1]) << "frame " << i / 2;
        if (v == 0.0f) {
            if (started)
                ++gap;
            continue;
        }
        const long n = std::lround(v * kRampScale);
        if (!started) {
            started = true;
            expected = n;
            EXPECT_EQ(n, 1) << "the first window starts at its first sample";
        }
        ASSERT_EQ(n, expected) << "frame " << i / 2;
        ++expected;
        longestGap = std::max(longestGap, gap);
        gap = 0;
    }
    EXPECT_EQ(expected, 72000);
    EXPECT_LE(longestGap, 512);
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
