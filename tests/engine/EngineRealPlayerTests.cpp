// The engine on real players and real files, heard through the captured
// output mix: what the operator's audience hears, sample by sample.
#include "engine/PlaylistEngine.h"
#include "platform/Clock.h"
#include "platform/Settings.h"
#include "platform/player/FfmpegMediaPlayer.h"
#include "platform/player/PlayerItem.h"
#include "support/DiskCapture.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QFile>
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

// A file item of a path made by the test.
std::shared_ptr<MediaFile> fileAt(const QString& path)
{
    const QUrl url = QUrl::fromLocalFile(path);
    auto file = MediaFile::create(url);
    file->setPlayableURL(url);
    return file;
}

TEST(EngineOnRealPlayers, FilesThatCannotBePlayedAreMarkedAndSkippedAndTheBlockStillEnds)
{
    DiskCapture capture(512);
    if (!capture.isDisk())
        GTEST_SKIP() << "SDL's disk audio driver is not available in this process";
    QTemporaryDir files;
    ASSERT_TRUE(files.isValid());
    const QString text = files.filePath(QStringLiteral("testo.mp4"));
    const QString empty = files.filePath(QStringLiteral("vuoto.mp4"));
    const QString removed = files.filePath(QStringLiteral("rimosso.wav"));
    const QString noise = files.filePath(QStringLiteral("rumore.mp3"));
    {
        QFile f(text);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("Questo non è un video: solo testo con un nome da video.\n");
        QFile e(empty);
        ASSERT_TRUE(e.open(QIODevice::WriteOnly));
        // Bytes of no format, named as sound.
        QFile n(noise);
        ASSERT_TRUE(n.open(QIODevice::WriteOnly));
        QByteArray bytes(100000, '\0');
        std::uint32_t state = 12345;
        for (char& b : bytes) {
            state = state * 1664525u + 1013904223u;
            b = static_cast<char>(state >> 24);
        }
        n.write(bytes);
    }
    ASSERT_TRUE(QFile::copy(mediaPath(QStringLiteral("const_short.wav")), removed));
    {
        RealEngine rig(capture.output());
        rig.engine.setTransitionStyle(TransitionStyle::cut);
        std::vector<QUuid> aired;
        QObject::connect(&rig.engine, &PlaylistEngine::currentItemIDChanged, [&] {
            if (rig.engine.currentItemID())
                aired.push_back(*rig.engine.currentItemID());
        });
        std::vector<QUuid> ends;
        rig.engine.setBlockEndHandler([&](const std::shared_ptr<MediaBlock>& block) {
            ends.push_back(block->id());
            return false; // then pauseBlack stops the program
        });

        // good / corrupt / empty / a file that cannot be read / noise / good,
        // cut from one to the next.
        auto first = rig.item("const_short.wav", 0.0, std::nullopt);
        auto corrupt = fileAt(text);
        auto zero = fileAt(empty);
        auto unreadable = fileAt(QStringLiteral("/proc/self/mem"));
        auto garbage = fileAt(noise);
        auto last = rig.item("const_short.wav", 0.0, std::nullopt);
        auto block = rig.block({ first, corrupt, zero, unreadable, garbage, last });
        rig.engine.play(block);
        ASSERT_TRUE(waitUntil([&] { return !ends.empty() && !rig.engine.isPlaying(); }, 20.0));
        EXPECT_EQ(aired, (std::vector<QUuid> { first->id(), corrupt->id(), zero->id(), unreadable->id(), garbage->id(), last->id() }));
        EXPECT_EQ(ends, (std::vector<QUuid> { block->id() }));
        EXPECT_FALSE(corrupt->playbackError().isEmpty());
        EXPECT_FALSE(zero->playbackError().isEmpty());
        EXPECT_FALSE(unreadable->playbackError().isEmpty());
        EXPECT_FALSE(garbage->playbackError().isEmpty());
        EXPECT_TRUE(first->playbackError().isEmpty());
        EXPECT_TRUE(last->playbackError().isEmpty());
        ASSERT_TRUE(rig.engine.playbackFailure());
        EXPECT_EQ(rig.engine.playbackFailure()->item.get(), garbage.get());

        // A file cued while it was there and removed before the take.
        auto gone = fileAt(removed);
        auto after = rig.item("const_short.wav", 0.0, std::nullopt);
        auto second = std::make_shared<MediaBlock>(QStringLiteral("Blocco 2"), QUuid::createUuid());
        second->setItems({ gone, after });
        rig.engine.setBlocks({ block, second });
        rig.engine.cue(gone, second);
        ASSERT_TRUE(waitUntil([&] {
            auto cued = rig.engine.previewPlayer()->currentItem();
            return cued && cued->status() == PlayerItem::Status::ReadyToPlay;
        }));
        EXPECT_TRUE(gone->playbackError().isEmpty());
        ASSERT_TRUE(QFile::remove(removed));
        aired.clear();
        ends.clear();
        rig.engine.takeCued();
        ASSERT_TRUE(waitUntil([&] { return !ends.empty() && !rig.engine.isPlaying(); }, 20.0));
        EXPECT_EQ(aired, (std::vector<QUuid> { gone->id(), after->id() }));
        EXPECT_FALSE(gone->playbackError().isEmpty());
        ASSERT_TRUE(rig.engine.playbackFailure());
        EXPECT_EQ(rig.engine.playbackFailure()->item.get(), gone.get());
    }
    capture.finish();
}

} // namespace
} // namespace tessarin::test
