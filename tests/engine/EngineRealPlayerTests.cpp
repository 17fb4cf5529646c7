// The engine on real players and real files, heard through the captured
// output mix: what the operator's audience hears, sample by sample.
#include "engine/MonitorView.h"
#include "engine/PlaylistEngine.h"
#include "engine/ProgramRenderer.h"
#include "platform/Clock.h"
#include "platform/Settings.h"
#include "platform/player/FfmpegMediaPlayer.h"
#include "platform/player/PlayerItem.h"
#include "platform/player/VideoFrame.h"
#include "support/DiskCapture.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <functional>
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

    bool onAir(const MediaFile& item) const { return engine.currentItemID() == item.id(); }

    // Plays `playing` in a block of its own and cues `cued` from a second
    // block; true once the first plays and the cued item stands ready at its
    // IN point in the preview.
    bool playAndCue(const std::shared_ptr<MediaFile>& playing, const std::shared_ptr<MediaFile>& cued)
    {
        auto first = block({ playing });
        auto second = std::make_shared<MediaBlock>(QStringLiteral("Blocco 2"), QUuid::createUuid());
        second->setItems({ cued });
        engine.setBlocks({ first, second });
        engine.play(first);
        engine.cue(cued, second);
        return waitUntil([&] {
            const auto item = engine.previewPlayer()->currentItem();
            return item && item->status() == PlayerItem::Status::ReadyToPlay && engine.isPlaying()
                && engine.playerA()->currentTime() > 0.5;
        }, 20.0);
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
        // The second window is long enough for the third to be opened after
        // the stall on a loaded machine: the join under test is the first.
        auto block = rig.block({ rig.item("ramp.wav", 0.0, 0.5), rig.item("ramp.wav", 0.5, 1.3),
            rig.item("ramp.wav", 1.3, 1.5) });
        rig.engine.play(block);
        // The main thread stalls across the first join (0.5 s in) until
        // 0.2 s past it has been heard, however late the first sound came:
        // the next item must start without it.
        const auto heardPastJoin = [&] {
            const std::vector<float> heard = capture.soFar();
            for (std::size_t i = 0; i + 1 < heard.size(); i += 2)
                if (std::lround(heard[i] * kRampScale) >= 24000 + 9600)
                    return true;
            return false;
        };
        const double deadline = HostClock::monotonicSeconds() + 20.0;
        while (!heardPastJoin() && HostClock::monotonicSeconds() < deadline) { }
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
        // Half-second laps: each lap's successor is opened once the main
        // thread hears of the lap's start, which a loaded machine delays.
        auto item = rig.item("ramp.wav", 0.25, 0.75);
        item->setLoop(true);
        auto block = rig.block({ item });
        rig.engine.play(block);
        // Passes heard, not time: three have begun after the first one's
        // end, each from its in-point's sample, however long the item took
        // to open.
        ASSERT_TRUE(waitUntil([&] {
            const std::vector<float> heard = capture.soFar();
            bool firstEnded = false;
            int passes = 0;
            for (std::size_t i = 0; i + 1 < heard.size(); i += 2) {
                const long value = std::lround(heard[i] * kRampScale);
                firstEnded = firstEnded || value == 35999;
                passes += firstEnded && value == 12000;
            }
            return passes >= 3;
        }, 60.0));
        rig.engine.stop();
        drainMainQueue();
    }
    std::vector<float> mix = capture.finish();
    // From the end of the first pass (in the fade style that pass fades in).
    std::size_t firstEnd = 0;
    while (firstEnd + 1 < mix.size() && std::lround(mix[firstEnd] * kRampScale) != 35999)
        firstEnd += 2;
    mix.erase(mix.begin(), mix.begin() + static_cast<std::ptrdiff_t>(firstEnd));
    const RampWalk walk = walkRamp(mix);
    ASSERT_GE(walk.starts.size(), 4u); // the first pass's last sample, then three passes or more
    EXPECT_EQ(walk.starts.front(), 35999);
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

// The longest run of frames in [first, last] whose left sample is near silent.
TEST(EngineOnRealPlayers, AClipWithoutSoundLastsItsLengthToTheSampleBetweenTheItemsAroundIt)
{
    DiskCapture capture(512);
    if (!capture.isDisk())
        GTEST_SKIP() << "SDL's disk audio driver is not available in this process";
    {
        RealEngine rig(capture.output());
        rig.engine.setTransitionStyle(TransitionStyle::cut);
        // Sound, pictures cut at an out-point, sound, pictures to their end
        // (2 s), sound. The sound before each clip lasts long enough for the
        // clip to be opened and its first picture decoded on a loaded machine:
        // a clip starts with its first picture, and the join under test is the
        // one after it.
        auto block = rig.block({ rig.item("ramp.wav", 0.0, 0.8), rig.item("solid_red.mp4", 0.0, 0.4),
            rig.item("ramp.wav", 0.8, 1.4), rig.item("solid_blue.mp4", 0.0, std::nullopt),
            rig.item("ramp.wav", 1.4, 1.7) });
        rig.engine.play(block);
        ASSERT_TRUE(waitUntil([&] { return !rig.engine.isPlaying(); }, 20.0));
    }
    const std::vector<float> mix = capture.finish();
    // The silences inside the ramp's run, each with the sample after it.
    std::vector<std::pair<int, long>> silences;
    int quiet = 0;
    long last = -1;
    for (std::size_t i = 0; i + 1 < mix.size(); i += 2) {
        if (mix[i] == 0.0f) {
            quiet += last >= 0;
            continue;
        }
        const long n = std::lround(mix[i] * kRampScale);
        EXPECT_TRUE(last < 0 || n == last + 1 || quiet > 0) << "frame " << i / 2;
        if (quiet > 0)
            silences.emplace_back(quiet, n);
        quiet = 0;
        last = n;
    }
    EXPECT_EQ(silences, (std::vector<std::pair<int, long>> { { 19200, 38400 }, { 96000, 67200 } }))
        << "leading silence " << capture.leadingSilence();
    EXPECT_EQ(last, 81599);
}

int longestQuietRun(const std::vector<float>& mix, int first, int last)
{
    int longest = 0;
    int run = 0;
    for (int i = first; i <= last; ++i) {
        run = std::fabs(mix[static_cast<std::size_t>(i) * 2]) < 0.02f ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    return longest;
}

TEST(EngineOnRealPlayers, ALoopedBlockPlaysCompressedSoundOverExactlyTheRangeItsContainerStates)
{
    // loop_tone.*: a cosine of exactly 144000 samples whose first and last
    // samples are loud (as is the one at 2 s); near its zero crossings at
    // most two in a row are quiet. A pass of the block: the whole tone, then
    // its last second (48000 samples) from an IN point.
    constexpr int kLaps = 2;
    constexpr int kToneFrames = 144000;
    constexpr int kTailFrames = 48000;
    struct Format {
        const char* file;
        int precision; // frames; Matroska times are whole milliseconds
    };
    const Format formats[] = { { "loop_tone.wav", 0 }, { "loop_tone.m4a", 0 }, { "loop_tone.mp4", 0 },
        { "loop_tone.mov", 0 }, { "loop_tone.mp3", 0 }, { "loop_tone.opus", 0 }, { "loop_tone.webm", 48 },
        { "loop_tone.ogg", 0 } };
    for (const Format& format : formats) {
        SCOPED_TRACE(format.file);
        DiskCapture capture(512);
        if (!capture.isDisk())
            GTEST_SKIP() << "SDL's disk audio driver is not available in this process";
        {
            RealEngine rig(capture.output());
            rig.engine.setTransitionStyle(TransitionStyle::cut);
            auto whole = rig.item(format.file, 0.0, std::nullopt);
            auto block = rig.block({ whole, rig.item(format.file, 2.0, std::nullopt) });
            block->setLoop(true);
            block->setLoopCount(kLaps);
            // The length the row shows and the block plans with: the range played.
            ASSERT_TRUE(waitUntil([&] { return whole->duration() > 0.0; }, 20.0));
            EXPECT_NEAR(whole->duration() * 48000.0, kToneFrames, format.precision + 0.5);
            // Taken from the cue (a seek to the start); the tail is sought to
            // its IN point, the second pass opens the file.
            rig.engine.cue(whole, block);
            ASSERT_TRUE(waitUntil([&] {
                const auto cued = rig.engine.previewPlayer()->currentItem();
                return cued && cued->status() == PlayerItem::Status::ReadyToPlay;
            }, 20.0));
            rig.engine.takeCued();
            ASSERT_TRUE(waitUntil([&] { return !rig.engine.isPlaying(); }, 30.0));
        }
        const std::vector<float> mix = capture.finish();
        const int first = firstNonZeroFrame(mix);
        const int last = lastNonZeroFrame(mix);
        ASSERT_GE(first, 0);
        EXPECT_NEAR(last - first + 1, kLaps * (kToneFrames + kTailFrames), kLaps * format.precision);
        EXPECT_LE(longestQuietRun(mix, first, last), 2);
    }
}

// The centre of a program picture.
QColor centre(const QImage& image)
{
    return image.isNull() ? QColor() : QColor::fromRgb(image.pixel(image.width() / 2, image.height() / 2));
}

bool isBlack(QColor c)
{
    return c.isValid() && c.red() < 24 && c.green() < 24 && c.blue() < 24;
}

bool isBlue(QColor c)
{
    return c.isValid() && c.blue() > 160 && c.red() < 60;
}

bool queues(const MediaPlayer& player, const char* name)
{
    const auto item = player.queuedItem();
    return item && item->path().endsWith(QLatin1String(name));
}

TEST(EngineOnRealPlayers, ASoundOnlyItemShowsBlackNeverTheClipLoadedAheadAndACrossfadeStillMixesBoth)
{
    auto output = std::make_shared<SdlAudioOutput>(SdlAudioOutput::Options { QStringLiteral("dummy"), 512 });
    {
        SCOPED_TRACE("cut: red clip, sound only, blue clip");
        RealEngine rig(output);
        rig.engine.setTransitionStyle(TransitionStyle::cut);
        auto red = rig.item("solid_red.mp4", 0.0, 0.5);
        auto tone = rig.item("const_quarter.wav", 0.0, 1.0);
        auto blue = rig.item("solid_blue.mp4", 0.0, 0.5);
        auto block = rig.block({ red, tone, blue });
        // The stream's renderer (locked values) and the monitor (published ones).
        ProgramRenderer renderer(ProgramSources::of(rig.engine), 64, 36, 0.0);
        MonitorView monitor(rig.engine, false, HostClock::shared());
        monitor.resize(64, 36);
        monitor.show();
        rig.engine.play(block);
        ASSERT_TRUE(waitUntil([&] { return rig.onAir(*tone); }, 20.0));

        int frames = 0, black = 0, views = 0, blackViews = 0;
        bool nextLoaded = false;
        waitUntil([&] {
            if (!rig.onAir(*tone))
                return true;
            // The blue clip waits queued behind the tone, joined onto its end.
            const auto& active = rig.engine.mix().current() > 0.5 ? rig.engine.playerB() : rig.engine.playerA();
            nextLoaded = nextLoaded || queues(*active, "solid_blue.mp4");
            if (const auto frame = renderer.nextFrame()) {
                ++frames;
                const QColor c = centre(frame->image());
                black += isBlack(c);
                EXPECT_FALSE(isBlue(c)) << "frame " << frames;
            }
            const QImage shown = monitor.currentImage();
            if (!shown.isNull() && rig.onAir(*tone)) {
                ++views;
                const QColor c = centre(shown);
                blackViews += isBlack(c);
                // Until its next redraw the view may still show the red clip's last picture.
                EXPECT_TRUE(isBlack(c) || c.red() > 160) << "view " << views << ": " << c.name().toStdString();
            }
            return false;
        }, 20.0);
        EXPECT_TRUE(nextLoaded);
        EXPECT_GT(frames, 10);
        EXPECT_EQ(black, frames);
        EXPECT_GT(blackViews, views / 2);
        // Once on air, the blue clip shows.
        EXPECT_TRUE(waitUntil([&] {
            const auto frame = renderer.nextFrame();
            return frame && isBlue(centre(frame->image()));
        }, 20.0));
        rig.engine.stop();
    }
    {
        SCOPED_TRACE("fade: red clip crossfading into the blue one");
        RealEngine rig(output);
        rig.engine.setTransitionStyle(TransitionStyle::fade);
        rig.engine.setFadeSeconds(0.6);
        auto red = rig.item("solid_red.mp4", 0.0, 1.5);
        auto blue = rig.item("solid_blue.mp4", 0.0, 1.5);
        auto block = rig.block({ red, blue });
        ProgramRenderer renderer(ProgramSources::of(rig.engine), 64, 36, 0.0);
        rig.engine.play(block);
        bool mixed = false;
        ASSERT_TRUE(waitUntil([&] {
            const double m = rig.engine.mix().current();
            if (m > 0.3 && m < 0.7) {
                const auto frame = renderer.nextFrame();
                const QColor c = frame ? centre(frame->image()) : QColor();
                mixed = mixed || (c.isValid() && c.red() > 50 && c.blue() > 50);
            }
            return mixed || rig.onAir(*blue) && m >= 1.0;
        }, 20.0));
        EXPECT_TRUE(mixed);
        rig.engine.stop();
    }
}

TEST(EngineOnRealPlayers, ACuedCutTakeStartsTheNewItemOnTheSampleAfterTheOutgoingOnesLast)
{
    DiskCapture capture(512);
    if (!capture.isDisk())
        GTEST_SKIP() << "SDL's disk audio driver is not available in this process";
    int endsHeard = 0;
    {
        RealEngine rig(capture.output());
        rig.engine.setTransitionStyle(TransitionStyle::cut);
        auto playing = rig.item("const_quarter.wav", 0.0, std::nullopt);
        auto cued = rig.item("const_eighth.wav", 0.0, std::nullopt);
        cued->setGainDB(-6.0206); // the program's tap halves it, from its first sample on
        ASSERT_TRUE(rig.playAndCue(playing, cued));
        const auto& preview = rig.engine.previewPlayer();
        rig.engine.takeCued();
        EXPECT_TRUE(rig.onAir(*cued));
        EXPECT_FALSE(rig.engine.cuedItem());
        EXPECT_FALSE(preview->currentItem());
        // The taken item plays to its end and the block ends with it.
        QObject::connect(&rig.engine, &PlaylistEngine::isPlayingChanged, [&] { endsHeard += !rig.engine.isPlaying(); });
        ASSERT_TRUE(waitUntil([&] { return !rig.engine.isPlaying(); }, 20.0));
    }
    EXPECT_EQ(endsHeard, 1);
    const std::vector<float> mix = capture.finish();
    ASSERT_FALSE(mix.empty());
    // Silence, the outgoing item, then the new one at half its level.
    long lastOld = -1, firstNew = -1, lastNew = -1, newFrames = 0, stray = 0;
    for (std::size_t i = 0; i + 1 < mix.size(); i += 2) {
        const long frame = static_cast<long>(i / 2);
        const float v = mix[i];
        if (v == 0.25f && firstNew < 0) {
            lastOld = frame;
        } else if (std::abs(v - 0.0625f) < 1e-4f) {
            ++newFrames;
            if (firstNew < 0)
                firstNew = frame;
            lastNew = frame;
        } else if (v != 0.0f) {
            ++stray;
        }
    }
    ASSERT_GE(lastOld, 0);
    ASSERT_GE(firstNew, 0);
    EXPECT_EQ(firstNew - lastOld - 1, 0) << "silent frames between the two items";
    EXPECT_EQ(newFrames, 96000) << "the whole new item, from its first sample";
    EXPECT_EQ(lastNew - firstNew + 1, newFrames);
    EXPECT_EQ(stray, 0);
}

// Frames of digital silence between the last frame at `level` and the next
// sound; -1 when either is missing.
int silenceAfter(const std::vector<float>& mix, float level)
{
    long last = -1;
    for (std::size_t i = 0; i + 1 < mix.size(); i += 2)
        if (mix[i] == level && mix[i + 1] == level)
            last = static_cast<long>(i / 2);
    if (last < 0)
        return -1;
    for (std::size_t i = static_cast<std::size_t>(last + 1) * 2; i + 1 < mix.size(); i += 2)
        if (mix[i] != 0.0f || mix[i + 1] != 0.0f)
            return static_cast<int>(static_cast<long>(i / 2) - last - 1);
    return -1;
}

TEST(EngineOnRealPlayers, ACuedCutTakeIntoAClipWithPictureSoundsFromTheSampleAfterTheOutgoingOnesLast)
{
    // A tone that is loud from its first sample, under pictures; in MP4 and
    // MOV also under pictures without B-frames, whose first packet comes
    // after the sound's priming packet. Heard at the program's own device
    // block.
    for (const char* name : { "clip_tone.mp4", "clip_tone.mov", "clip_tone.mkv", "clip_tone.webm",
             "clip_tone_ip.mp4", "clip_tone_ip.mov" }) {
        SCOPED_TRACE(name);
        DiskCapture capture(SdlAudioOutput::kContinuityFrames);
        if (!capture.isDisk())
            GTEST_SKIP() << "SDL's disk audio driver is not available in this process";
        {
            RealEngine rig(capture.output());
            rig.engine.setTransitionStyle(TransitionStyle::cut);
            auto cued = rig.item(name, 0.0, 0.5);
            ASSERT_TRUE(rig.playAndCue(rig.item("const_quarter.wav", 0.0, std::nullopt), cued));
            rig.engine.takeCued();
            EXPECT_TRUE(rig.onAir(*cued));
            ASSERT_TRUE(waitUntil([&] { return !rig.engine.isPlaying(); }, 20.0));
        }
        EXPECT_EQ(silenceAfter(capture.finish(), 0.25f), 0);
    }
}

TEST(EngineOnRealPlayers, ACuedFadeTakeCrossfadesIntoTheCuesOpenItemInsteadOfOpeningTheFileAgain)
{
    auto output = std::make_shared<SdlAudioOutput>(SdlAudioOutput::Options { QStringLiteral("dummy"), 512 });
    RealEngine rig(output);
    rig.engine.setTransitionStyle(TransitionStyle::fade);
    auto playing = rig.item("const_quarter.wav", 0.0, std::nullopt);
    auto cued = rig.item("const_eighth.wav", 0.0, std::nullopt);
    ASSERT_TRUE(rig.playAndCue(playing, cued));
    const auto& preview = rig.engine.previewPlayer();
    const auto cuedPlayerItem = preview->currentItem();
    rig.engine.takeCued();
    EXPECT_TRUE(rig.onAir(*cued));
    // A crossfade: A still plays under the incoming item in B, which is the
    // very item the preview had open, already playing.
    EXPECT_TRUE(rig.engine.playerA()->isPlaying());
    EXPECT_EQ(rig.engine.playerB()->currentItem(), cuedPlayerItem);
    EXPECT_TRUE(rig.engine.playerB()->isPlaying());
    EXPECT_FALSE(preview->currentItem());
    EXPECT_FALSE(rig.engine.cuedItem());
    ASSERT_TRUE(waitUntil([&] { return rig.engine.mix().current() >= 1.0; }, 20.0));
    rig.engine.stop();
}

// Files whose sound starts late, stops for a while or ends before their
// pictures, or whose pictures start after their sound (gap_* in
// make_test_media.sh), at a bit rate whose pictures
// before the sound are more than the player reads ahead and at a low one,
// between tones in a cut block: each plays its whole length,
// its sound where its file puts it and silence in its gaps, pictures from
// its first on, and the next tone follows on the sample after its end.
TEST(EngineOnRealPlayers, AnItemWhoseSoundStartsLateHasAHoleOrEndsEarlyPlaysItsWholeTimelineAndTheBlockGoesOn)
{
    struct Kind {
        const char* file;
        int frames;    // its length: where its pictures end
        int tolerance; // MPEG-TS keeps the encoder's last sound frame: up to one more
        std::vector<std::pair<double, double>> sound; // seconds with sound; silence elsewhere
        double firstPicture = 0.0;
    };
    const std::vector<Kind> kinds = {
        { "gap_late_100M.mp4", 192000, 0, { { 3.0, 4.0 } } },
        { "gap_late_2M.mp4", 192000, 0, { { 3.0, 4.0 } } },
        { "gap_hole_100M.ts", 193024, 1024, { { 0.0, 0.3 }, { 2.5, 4.0 } } },
        { "gap_hole_2M.ts", 193024, 1024, { { 0.0, 0.3 }, { 2.5, 4.0 } } },
        { "gap_short_100M.mkv", 193008, 0, { { 0.0, 1.0 } } },
        { "gap_short_2M.mkv", 193008, 0, { { 0.0, 1.0 } } },
        { "gap_pictures_late.mp4", 192000, 0, { { 0.0, 4.0 } }, 2.0 },
    };
    DiskCapture capture(512);
    if (!capture.isDisk())
        GTEST_SKIP() << "SDL's disk audio driver is not available in this process";
    // The picture times each item showed, as often as they are looked at,
    // and how many were shown more than a few frames before their time.
    std::vector<std::vector<double>> shown(kinds.size());
    std::vector<int> early(kinds.size(), 0);
    {
        RealEngine rig(capture.output());
        rig.engine.setTransitionStyle(TransitionStyle::cut);
        // Two seconds of tone give the next file time to open and read
        // ahead on a loaded machine: the join under test is the one after it.
        MediaBlock::Items items { rig.item("const_quarter.wav", 0.0, std::nullopt) };
        for (const Kind& kind : kinds) {
            items.push_back(rig.item(kind.file, 0.0, std::nullopt));
            items.push_back(rig.item("const_quarter.wav", 0.0, std::nullopt));
        }
        rig.engine.play(rig.block(items));
        ASSERT_TRUE(waitUntil([&] {
            for (std::size_t k = 0; k < kinds.size(); ++k) {
                if (!rig.onAir(*items[2 * k + 1]))
                    continue;
                for (const auto& player : { rig.engine.playerA(), rig.engine.playerB() }) {
                    const auto item = player->currentItem();
                    const auto source = item && item->path().endsWith(QLatin1String(kinds[k].file)) ? item->source() : nullptr;
                    const double at = source ? source->itemTime(HostClock::monotonicSeconds()) : 0.0;
                    const auto frame = source ? source->frameAt(at) : nullptr;
                    early[k] += frame && frame->time > at + 0.25;
                    if (frame && (shown[k].empty() || shown[k].back() != frame->time))
                        shown[k].push_back(frame->time);
                }
            }
            return !rig.engine.isPlaying();
        }, 120.0));
    }
    const std::vector<float> mix = capture.finish();
    // The tones' runs: each item lies between two of them.
    std::vector<std::pair<long, long>> tones;
    for (std::size_t i = 0; i + 1 < mix.size(); i += 2) {
        const long frame = static_cast<long>(i / 2);
        if (mix[i] != 0.25f || mix[i + 1] != 0.25f)
            continue;
        if (tones.empty() || tones.back().second != frame - 1)
            tones.emplace_back(frame, frame);
        else
            tones.back().second = frame;
    }
    ASSERT_EQ(tones.size(), kinds.size() + 1);
    for (std::size_t k = 0; k < kinds.size(); ++k) {
        const Kind& kind = kinds[k];
        SCOPED_TRACE(kind.file);
        const long from = tones[k].second + 1;
        EXPECT_NEAR(tones[k + 1].first - from, kind.frames + kind.tolerance / 2, kind.tolerance / 2) << "the item's length";
        // Tenths of a second: sound where the file has it, digital silence
        // elsewhere; those within 50 ms of an edge are not judged.
        for (int tenth = 0; (tenth + 1) * 4800 <= kind.frames; ++tenth) {
            const double start = tenth / 10.0, end = start + 0.1;
            bool inside = false, near = false;
            for (const auto& [on, off] : kind.sound) {
                inside = inside || (start >= on + 0.05 && end <= off - 0.05);
                near = near || (end > on - 0.05 && start < off + 0.05);
            }
            float loudest = 0.0f;
            for (long f = from + tenth * 4800L; f < from + (tenth + 1) * 4800L; ++f)
                loudest = std::max(loudest, std::fabs(mix[static_cast<std::size_t>(f) * 2]));
            if (inside)
                EXPECT_GT(loudest, 0.05f) << "no sound at " << start << " s";
            else if (!near)
                EXPECT_EQ(loudest, 0.0f) << "sound at " << start << " s";
        }
        // Its pictures from the first on, in order, through the time without sound.
        ASSERT_FALSE(shown[k].empty());
        EXPECT_LT(shown[k].front(), kind.firstPicture + 0.1);
        EXPECT_EQ(early[k], 0) << "pictures shown before their time";
        EXPECT_TRUE(std::is_sorted(shown[k].begin(), shown[k].end()));
        QStringList times;
        for (double t : shown[k])
            times << QString::number(t, 'f', 2);
        const double inPictures = kind.firstPicture + 0.5;
        EXPECT_GE(std::count_if(shown[k].begin(), shown[k].end(),
                      [inPictures](double t) { return t > inPictures && t < inPictures + 2.0; }),
            5)
            << "pictures seen: " << times.join(QLatin1Char(' ')).toStdString();
    }
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

        // A file cued while it was there and removed before the take: the
        // take hands the cue's open file over, so it still plays to its end.
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
        // Its analysis ends while it is there, as it would long before an
        // operator's take: probed after the removal, it would be marked.
        ASSERT_TRUE(waitUntil([&] { return gone->duration() > 0; }, 20.0));
        ASSERT_TRUE(QFile::remove(removed));
        aired.clear();
        ends.clear();
        rig.engine.takeCued();
        ASSERT_TRUE(waitUntil([&] { return !ends.empty() && !rig.engine.isPlaying(); }, 20.0));
        EXPECT_EQ(aired, (std::vector<QUuid> { gone->id(), after->id() }));
        EXPECT_TRUE(gone->playbackError().isEmpty());

        // Played again from its row, the removed file is opened afresh: it
        // fails and is skipped.
        aired.clear();
        ends.clear();
        rig.engine.play(second);
        ASSERT_TRUE(waitUntil([&] { return !ends.empty() && !rig.engine.isPlaying(); }, 20.0));
        EXPECT_EQ(aired, (std::vector<QUuid> { gone->id(), after->id() }));
        EXPECT_FALSE(gone->playbackError().isEmpty());
        ASSERT_TRUE(rig.engine.playbackFailure());
        EXPECT_EQ(rig.engine.playbackFailure()->item.get(), gone.get());
    }
    capture.finish();
}

// A picture over 4 megapixels drawn into a smaller program (a 1280 x 720
// stream here): the item joined onto the end of the one on air and the cued
// item are decoded and queued for the program's size from their first
// picture, before anything draws them, as the decoder is set up for what
// the item is drawn at when it opens.
// Far from the end of the item on air nothing is queued behind it (one
// decoder runs); near the end the next item is, at the program's size.
TEST(EngineOnRealPlayers, AJoinIsQueuedNearTheEndAndLargeItemsJoinedOrCuedAreDecodedForTheProgramsSize)
{
    const auto output = std::make_shared<NullAudioOutput>();
    RealEngine rig(output);
    rig.engine.setTransitionStyle(TransitionStyle::cut);
    ProgramRenderer stream(ProgramSources::of(rig.engine), 1280, 720, 0.0);
    stream.nextFrame();
    auto block = rig.block({ rig.item("clip_30s.mp4", 0.0, std::nullopt), rig.item("hevc_wpp_large.mp4", 0.0, std::nullopt) });
    auto cued = std::make_shared<MediaBlock>(QStringLiteral("Blocco 2"), QUuid::createUuid());
    cued->setItems({ rig.item("hevc_wpp_large.mp4", 0.0, std::nullopt) });
    rig.engine.setBlocks({ block, cued });
    rig.engine.play(block);
    rig.engine.cue(cued->items().front(), cued);
    std::vector<float> mix(2 * 512);
    ASSERT_TRUE(waitUntil([&] {
        output->render(mix.data(), 512); // the item's clock runs with its sound
        return rig.engine.playerA()->currentTime() > 0.2;
    }, 20.0));
    EXPECT_EQ(rig.engine.playerA()->queuedItem(), nullptr) << "queued 30 s before the end";
    rig.engine.seek(0.75, true);
    const auto firstPicture = [](const std::shared_ptr<PlayerItem>& item) -> std::shared_ptr<const VideoFrame> {
        const auto source = item ? item->source() : nullptr;
        return source ? source->frameAt(0.0) : nullptr;
    };
    // The item joined waits queued behind the one on air; the cued one in the preview.
    const std::function<std::shared_ptr<PlayerItem>()> items[] = {
        [&] { return rig.engine.playerA()->queuedItem(); },
        [&] { return rig.engine.previewPlayer()->currentItem(); },
    };
    for (const auto& itemOf : items) {
        std::shared_ptr<const VideoFrame> first;
        ASSERT_TRUE(waitUntil([&] { return (first = firstPicture(itemOf())) != nullptr; }, 20.0));
        EXPECT_EQ(QSize(first->width(), first->height()), QSize(1152, 720)); // 2560 x 1600 fitted
    }
}

} // namespace
} // namespace tessarin::test
