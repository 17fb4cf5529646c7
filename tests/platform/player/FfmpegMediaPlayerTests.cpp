// The real player on real files: exact seeks, sample-exact out-points heard
// through the device, several players in one mix, the host clock for
// pictures without sound, seamless loops, and bad files that fail quietly.
#include "support/DiskCapture.h"

#include "platform/player/FfmpegMediaPlayer.h"
#include "platform/player/PlayerItem.h"
#include "platform/player/VideoOutput.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <set>

namespace tessarin::test {
namespace {

struct Ended {
    int count = 0;
    void watch(const std::shared_ptr<PlayerItem>& item)
    {
        QObject::connect(item.get(), &PlayerItem::didPlayToEndTime, [this] { ++count; });
    }
};

// frames.mp4 paints frame N with luma 16 + 4 × (N mod 50).
int frameNumberMod50(const VideoFrame& frame)
{
    const int value = frame.constBits()[frame.bytesPerLine() * 32 + 32 * 4 + 1]; // green of the centre
    const double luma = value * 219.0 / 255.0 + 16.0;
    return static_cast<int>(std::lround((luma - 16.0) / 4.0));
}

std::shared_ptr<PlayerItem> itemFor(const char* name)
{
    return PlayerItem::create(mediaPath(QString::fromLatin1(name)));
}

TEST(FfmpegMediaPlayer, ZeroToleranceSeekWhilePausedShowsTheTargetFrame)
{
    auto output = std::make_shared<NullAudioOutput>();
    FfmpegMediaPlayer player(output, HostClock::shared());
    auto item = itemFor("frames.mp4");
    auto video = std::make_shared<VideoOutput>();
    item->addOutput(video);
    player.replaceCurrentItem(item);
    ASSERT_TRUE(waitUntil([&] { return item->status() != PlayerItem::Status::Unknown; }));
    ASSERT_EQ(item->status(), PlayerItem::Status::ReadyToPlay);
    EXPECT_NEAR(item->duration(), 20.0, 0.05);

    bool finished = false;
    player.seek(12.5, SeekTolerance::Zero, [&](bool ok) { finished = ok; });
    ASSERT_TRUE(waitUntil([&] { return finished; }));
    EXPECT_DOUBLE_EQ(player.currentTime(), 12.5);
    auto frame = video->copyFrame(video->itemTime(HostClock::monotonicSeconds()));
    ASSERT_TRUE(frame);
    EXPECT_NEAR(frame->time, 12.48, 1e-6);               // frame 312 stands from 12.48 to 12.52
    EXPECT_EQ(frameNumberMod50(*frame), 312 % 50);

    // Default tolerance lands on the keyframe before (one every 25 frames).
    finished = false;
    player.seek(7.7, SeekTolerance::Default, [&](bool ok) { finished = ok; });
    ASSERT_TRUE(waitUntil([&] { return finished; }));
    EXPECT_NEAR(player.currentTime(), 7.0, 1e-6);
    frame = video->copyFrame(video->itemTime(HostClock::monotonicSeconds()));
    ASSERT_TRUE(frame);
    EXPECT_EQ(frameNumberMod50(*frame), 175 % 50);
}

TEST(FfmpegMediaPlayer, ANewerSeekCancelsTheOlderOne)
{
    FfmpegMediaPlayer player(std::make_shared<NullAudioOutput>(), HostClock::shared());
    player.replaceCurrentItem(itemFor("frames.mp4"));
    std::vector<bool> results;
    player.seek(3.0, SeekTolerance::Zero, [&](bool ok) { results.push_back(ok); });
    player.seek(9.0, SeekTolerance::Zero, [&](bool ok) { results.push_back(ok); });
    ASSERT_TRUE(waitUntil([&] { return results.size() == 2; }));
    EXPECT_EQ(results, (std::vector<bool> { false, true }));
    EXPECT_DOUBLE_EQ(player.currentTime(), 9.0);
}

TEST(FfmpegMediaPlayer, OutPointEndsAtItsExactSampleOnceAndStopsPlayback)
{
    DiskCapture capture;
    ASSERT_TRUE(capture.isDisk());
    auto player = std::make_unique<FfmpegMediaPlayer>(capture.output(), HostClock::shared());
    auto item = itemFor("ramp.wav");
    item->setForwardPlaybackEndTime(1.0);
    Ended ended;
    ended.watch(item);
    player->replaceCurrentItem(item);
    bool sought = false;
    player->seek(0.5, SeekTolerance::Zero, [&](bool ok) { sought = ok; });
    ASSERT_TRUE(waitUntil([&] { return sought; }));
    player->play();
    ASSERT_TRUE(waitUntil([&] { return ended.count > 0; }));
    EXPECT_FALSE(player->isPlaying());
    EXPECT_DOUBLE_EQ(player->currentTime(), 1.0);
    drainMainQueue();
    EXPECT_EQ(ended.count, 1);
    player.reset();

    const auto mix = capture.finish();
    const int first = firstNonZeroFrame(mix);
    const int last = lastNonZeroFrame(mix);
    ASSERT_GE(first, 0);
    // ramp.wav holds sample n = n / 192000: the mix starts at sample 24000
    // (0.5 s) and ends with sample 47999, the last before 1.0 s.
    EXPECT_EQ(mix[static_cast<std::size_t>(first) * 2], static_cast<float>(24000 / 192000.0));
    EXPECT_EQ(mix[static_cast<std::size_t>(last) * 2], static_cast<float>(47999 / 192000.0));
    EXPECT_EQ(last - first + 1, 24000);
}

// The queue: the item queued behind the current one sounds from the sample
// after its last, inside the same render; the player shows it as current
// before the first one signals its end, plays on, and stops at the second
// one's end.
TEST(FfmpegMediaPlayer, AQueuedItemFollowsTheLastSampleAndIsCurrentBeforeTheEndOfTheOneBefore)
{
    DiskCapture capture;
    ASSERT_TRUE(capture.isDisk());
    auto player = std::make_unique<FfmpegMediaPlayer>(capture.output(), HostClock::shared());
    auto first = itemFor("ramp.wav");
    first->setForwardPlaybackEndTime(0.25);
    auto second = itemFor("ramp.wav");
    second->setForwardPlaybackEndTime(0.5);
    std::shared_ptr<PlayerItem> currentAtFirstEnd;
    bool playingAtFirstEnd = false;
    QObject::connect(first.get(), &PlayerItem::didPlayToEndTime, [&] {
        currentAtFirstEnd = player->currentItem();
        playingAtFirstEnd = player->isPlaying();
    });
    Ended ended;
    ended.watch(second);
    player->replaceCurrentItem(first);
    ASSERT_TRUE(player->queueNext(second, 0.25));
    EXPECT_EQ(player->queuedItem(), second);
    ASSERT_TRUE(waitUntil([&] { return second->status() == PlayerItem::Status::ReadyToPlay; }));
    player->play();
    ASSERT_TRUE(waitUntil([&] { return ended.count > 0; }));
    EXPECT_EQ(currentAtFirstEnd, second);
    EXPECT_TRUE(playingAtFirstEnd);
    EXPECT_FALSE(player->queuedItem());
    EXPECT_FALSE(player->isPlaying());
    player.reset();

    // ramp.wav's samples 1 to 23999, each once and in order, without a
    // silent frame between the two items.
    const auto mix = capture.finish();
    const int start = firstNonZeroFrame(mix);
    ASSERT_GE(start, 0);
    EXPECT_EQ(lastNonZeroFrame(mix) - start + 1, 23999);
    for (int n = 1; n < 24000; ++n)
        ASSERT_EQ(mix[static_cast<std::size_t>(start + n - 1) * 2], static_cast<float>(n / 192000.0)) << "sample " << n;
}

TEST(FfmpegMediaPlayer, TwoPlayersSoundTogetherInOneMix)
{
    DiskCapture capture;
    ASSERT_TRUE(capture.isDisk());
    auto a = std::make_unique<FfmpegMediaPlayer>(capture.output(), HostClock::shared());
    auto b = std::make_unique<FfmpegMediaPlayer>(capture.output(), HostClock::shared());
    auto itemA = itemFor("const_quarter.wav");
    auto itemB = itemFor("const_eighth.wav");
    itemA->setForwardPlaybackEndTime(0.6);
    itemB->setForwardPlaybackEndTime(0.6);
    Ended endedA, endedB;
    endedA.watch(itemA);
    endedB.watch(itemB);
    a->replaceCurrentItem(itemA);
    b->replaceCurrentItem(itemB);
    // Preloaded, as the engine does before a crossfade: sought, so the first
    // samples of both are decoded before either plays.
    int ready = 0;
    a->seek(0.0, SeekTolerance::Zero, [&](bool ok) { ready += ok; });
    b->seek(0.0, SeekTolerance::Zero, [&](bool ok) { ready += ok; });
    ASSERT_TRUE(waitUntil([&] { return ready == 2; }));
    a->play();
    b->play();
    ASSERT_TRUE(waitUntil([&] { return endedA.count == 1 && endedB.count == 1; }));
    a.reset();
    b.reset();

    const auto mix = capture.finish();
    const int both = countFrames(mix, 0.375f);
    EXPECT_GT(both, 28800 - 2 * 512); // both sounded for nearly all of their 0.6 s
    EXPECT_EQ(countFrames(mix, 0.25f) + both, 28800);
    EXPECT_EQ(countFrames(mix, 0.125f) + both, 28800);
}

TEST(FfmpegMediaPlayer, PicturesWithoutSoundRunOnTheHostClockAndEnd)
{
    FfmpegMediaPlayer player(std::make_shared<NullAudioOutput>(), HostClock::shared());
    auto item = itemFor("video_only.mp4");
    item->setForwardPlaybackEndTime(1.0);
    auto video = std::make_shared<VideoOutput>();
    item->addOutput(video);
    Ended ended;
    ended.watch(item);
    player.replaceCurrentItem(item);
    ASSERT_TRUE(waitUntil([&] { return item->status() == PlayerItem::Status::ReadyToPlay; }));
    EXPECT_FALSE(item->hasAudio());
    ASSERT_TRUE(waitUntil([&] { return video->copyFrame(0.0) != nullptr; })); // loaded: play starts at once
    const double start = HostClock::monotonicSeconds();
    player.play();
    ASSERT_TRUE(waitUntil([&] { return player.currentTime() >= 0.5; }));
    EXPECT_NEAR(HostClock::monotonicSeconds() - start, 0.5, 0.2);
    ASSERT_TRUE(waitUntil([&] { return ended.count > 0; }));
    EXPECT_NEAR(HostClock::monotonicSeconds() - start, 1.0, 0.2);
    auto last = video->copyFrame(video->itemTime(HostClock::monotonicSeconds()));
    ASSERT_TRUE(last);
    EXPECT_NEAR(last->time, 0.96, 1e-6); // the last picture before the out-point
}

TEST(FfmpegMediaPlayer, SeamlessLoopLeavesNoGap)
{
    DiskCapture capture;
    ASSERT_TRUE(capture.isDisk());
    auto player = std::make_unique<FfmpegMediaPlayer>(capture.output(), HostClock::shared());
    player->setLooping(true);
    auto item = itemFor("const_short.wav"); // 0.3 s
    Ended ended;
    ended.watch(item);
    player->replaceCurrentItem(item);
    ASSERT_TRUE(waitUntil([&] { return item->status() == PlayerItem::Status::ReadyToPlay; }));
    player->play();
    // Passes heard, not time: a busy machine may hold the first sound back.
    constexpr int kPass = 14400;
    ASSERT_TRUE(waitUntil([&] { return countFrames(capture.soFar(), 0.25f) > 3 * kPass; }, 60.0));
    player->pause();
    drainMainQueue();
    EXPECT_EQ(ended.count, 0);
    EXPECT_LT(player->currentTime(), 0.3);
    player.reset();

    const auto mix = capture.finish();
    const int first = firstNonZeroFrame(mix);
    const int last = lastNonZeroFrame(mix);
    ASSERT_GE(first, 0);
    EXPECT_GT(last - first, 3 * kPass);
    EXPECT_EQ(countFrames(mix, 0.25f), last - first + 1); // and not one silent frame between them
}

TEST(FfmpegMediaPlayer, BadFilesFailQuietlyNeverEndAndLeaveThePlayerUsable)
{
    FfmpegMediaPlayer player(std::make_shared<NullAudioOutput>(), HostClock::shared());
    player.play();
    for (const char* name : { "not_media.mp4", "truncated.mp4", "empty.mp4", "missing.mp4" }) {
        SCOPED_TRACE(name);
        auto item = itemFor(name);
        auto video = std::make_shared<VideoOutput>();
        item->addOutput(video);
        Ended ended;
        ended.watch(item);
        player.replaceCurrentItem(item);
        ASSERT_TRUE(waitUntil([&] { return item->status() == PlayerItem::Status::Failed; }));
        EXPECT_FALSE(item->errorString().isEmpty());
        EXPECT_TRUE(std::isnan(item->duration()));
        EXPECT_FALSE(video->copyFrame(video->itemTime(HostClock::monotonicSeconds())));
        drainMainQueue();
        EXPECT_EQ(ended.count, 0);
    }
    auto good = itemFor("video_only.mp4");
    player.replaceCurrentItem(good);
    ASSERT_TRUE(waitUntil([&] { return good->status() == PlayerItem::Status::ReadyToPlay && player.currentTime() > 0.1; }));
}

TEST(FfmpegMediaPlayer, AFileCutShortWhileOpenFailsAtItsEndAndAWholeOneDoesNot)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const bool cut : { false, true }) {
        SCOPED_TRACE(cut ? "cut" : "whole");
        const QString path = dir.filePath(cut ? "cut.mp4" : "whole.mp4");
        ASSERT_TRUE(QFile::copy(mediaPath("frames.mp4"), path));
        FfmpegMediaPlayer player(std::make_shared<NullAudioOutput>(), HostClock::shared());
        auto item = PlayerItem::create(path);
        Ended ended;
        ended.watch(item);
        bool failedBeforeEnd = false;
        QObject::connect(item.get(), &PlayerItem::didPlayToEndTime,
                         [&] { failedBeforeEnd = item->status() == PlayerItem::Status::Failed; });
        player.replaceCurrentItem(item);
        ASSERT_TRUE(waitUntil([&] { return item->status() == PlayerItem::Status::ReadyToPlay; }));
        // Opened for 20 s; then half of it is cut away under the player.
        if (cut)
            ASSERT_TRUE(QFile::resize(path, QFileInfo(path).size() / 2));
        bool sought = false;
        player.seek(cut ? 8.0 : 19.0, SeekTolerance::Zero, [&](bool ok) { sought = ok; });
        ASSERT_TRUE(waitUntil([&] { return sought; }));
        player.play();
        ASSERT_TRUE(waitUntil([&] { return ended.count > 0; }, 30));
        EXPECT_EQ(ended.count, 1);
        if (cut) {
            EXPECT_TRUE(failedBeforeEnd) << "marked failed before its end is handled";
            EXPECT_EQ(item->errorString(), QStringLiteral("il file è stato cambiato mentre era in uso"));
            EXPECT_TRUE(item->wasReady());
        } else {
            EXPECT_EQ(item->status(), PlayerItem::Status::ReadyToPlay);
        }
    }
}

// Dropped at every moment of its opening (before, while and after its
// decoders open), an item leaves nothing behind: LeakSanitizer sees any
// decoder kept, and the player goes on with the next item.
TEST(FfmpegMediaPlayer, ItemsDroppedWhileTheyOpenLeaveNothingBehind)
{
    FfmpegMediaPlayer player(std::make_shared<NullAudioOutput>(), HostClock::shared());
    player.play();
    for (int round = 0; round < 24; ++round) {
        auto item = itemFor(round % 2 ? "clip_5s.mov" : "video_only.mp4");
        item->addOutput(std::make_shared<VideoOutput>());
        player.replaceCurrentItem(item);
        for (int pass = 0; pass < round && item->status() == PlayerItem::Status::Unknown; ++pass)
            drainMainQueue();
        player.replaceCurrentItem(nullptr);
    }
    auto good = itemFor("video_only.mp4");
    player.replaceCurrentItem(good);
    ASSERT_TRUE(waitUntil([&] { return good->status() == PlayerItem::Status::ReadyToPlay && player.currentTime() > 0.1; }));
}

TEST(FfmpegMediaPlayer, PicturesDrawnAtHalfTheirSizeOrLessKeepTheirPicture)
{
    // Halved once, twice, and halved then scaled: the size asked for and the
    // same picture (its grey level) as the conversion at full size, from
    // 8-bit pictures and from 10-bit ones (whose first halving also takes
    // them to 8 bits).
    for (const char* name : { "frames.mp4", "frames10.mkv" }) {
        SCOPED_TRACE(name);
        FfmpegMediaPlayer player(std::make_shared<NullAudioOutput>(), HostClock::shared());
        auto item = itemFor(name); // 64 x 64, frame N has luma 16 + 4 × (N mod 50)
        auto output = std::make_shared<VideoOutput>();
        item->addOutput(output);
        player.replaceCurrentItem(item);
        const struct {
            QSize drawn;
            double time;
        } cases[] = { { QSize(32, 32), 2.5 }, { QSize(16, 16), 4.5 }, { QSize(20, 20), 6.5 }, { QSize(64, 64), 8.5 },
            { QSize(32, 32), 9.5 } };
        for (const auto& c : cases) {
            SCOPED_TRACE(c.drawn.width());
            output->setMaximumSize(c.drawn);
            bool finished = false;
            player.seek(c.time, SeekTolerance::Zero, [&](bool ok) { finished = ok; });
            ASSERT_TRUE(waitUntil([&] { return finished; }));
            auto frame = output->copyFrame(output->itemTime(HostClock::monotonicSeconds()));
            ASSERT_TRUE(frame);
            EXPECT_EQ(frame->width(), c.drawn.width());
            EXPECT_EQ(frame->height(), c.drawn.height());
            const int expected = int(c.time * 25) % 50; // the frame standing at the time
            // Every pixel: a halving that read the wrong rows or samples
            // would leave stripes or a picture of another level.
            for (int y = 0; y < frame->height(); ++y) {
                for (int x = 0; x < frame->width(); ++x) {
                    const int green = frame->constBits()[frame->bytesPerLine() * y + x * 4 + 1];
                    ASSERT_EQ(std::lround((green * 219.0 / 255.0) / 4.0), expected) << x << ", " << y;
                }
            }
        }
    }
}

} // namespace
} // namespace tessarin::test

namespace tessarin::test {
namespace {

TEST(FfmpegMediaPlayer, ReportsTheDisplayMatrixAndWrapsFramesWithoutCopying)
{
    FfmpegMediaPlayer player(std::make_shared<NullAudioOutput>(), HostClock::shared());
    auto item = PlayerItem::create(mediaPath(QStringLiteral("rotated.mp4")));
    auto video = std::make_shared<VideoOutput>();
    item->addOutput(video);
    player.replaceCurrentItem(item);
    ASSERT_TRUE(waitUntil([&] { return video->copyFrame(0.0) != nullptr; }));
    // The track header of this file stores a = 0, b = -1, c = 1, d = 0.
    EXPECT_EQ(item->preferredTransform(), (VideoTransform { 0, -1, 1, 0 }));
    auto frame = video->copyFrame(0.0);
    EXPECT_EQ(frame->width(), 320); // pictures stay as coded; the transform says how to turn them
    const QImage image = frame->image();
    EXPECT_EQ(image.constBits(), frame->constBits());
    EXPECT_EQ(image.format(), QImage::Format_RGB32);
}

} // namespace
} // namespace tessarin::test

namespace tessarin::test {
namespace {

TEST(FfmpegMediaPlayer, AMutedItemWithPicturesAndSoundIsSilentYetClockedToItsOutPoint)
{
    DiskCapture capture;
    ASSERT_TRUE(capture.isDisk());
    auto player = std::make_unique<FfmpegMediaPlayer>(capture.output(), HostClock::shared());
    player->setMuted(true);
    auto item = PlayerItem::create(mediaPath(QStringLiteral("clip_5s.mov")));
    item->setForwardPlaybackEndTime(0.8);
    auto video = std::make_shared<VideoOutput>();
    item->addOutput(video);
    int ends = 0;
    QObject::connect(item.get(), &PlayerItem::didPlayToEndTime, [&] { ++ends; });
    player->replaceCurrentItem(item);
    ASSERT_TRUE(waitUntil([&] { return item->status() == PlayerItem::Status::ReadyToPlay; }));
    EXPECT_TRUE(item->hasAudio());
    ASSERT_TRUE(waitUntil([&] { return video->copyFrame(0.0) != nullptr; })); // loaded: play starts at once
    const std::uint64_t renderedAtStart = capture.output()->framesRendered();
    player->play();
    // The muted sound still drives the clock: while it plays, the item's
    // time is the sound the device has taken since the start, however the
    // machine's load paces the device or this thread.
    double largestGap = 0.0;
    ASSERT_TRUE(waitUntil([&] {
        const double before = double(capture.output()->framesRendered() - renderedAtStart) / 48000.0;
        const double time = player->currentTime();
        const double after = double(capture.output()->framesRendered() - renderedAtStart) / 48000.0;
        if (ends == 0 && time > 0.0 && time < 0.8)
            largestGap = std::max(largestGap, std::max(time - after, before - time));
        return ends > 0;
    }));
    EXPECT_LT(largestGap, 0.1) << "a tenth of a second is some nine device buffers";
    EXPECT_GE(double(capture.output()->framesRendered() - renderedAtStart) / 48000.0, 0.8) << "an end before its sound";
    EXPECT_DOUBLE_EQ(player->currentTime(), 0.8);
    auto last = video->copyFrame(video->itemTime(HostClock::monotonicSeconds()));
    ASSERT_TRUE(last);
    EXPECT_NEAR(last->time, 0.76, 1e-6);
    drainMainQueue();
    EXPECT_EQ(ends, 1);
    player.reset();
    const auto mix = capture.finish();
    EXPECT_GT(mix.size(), 2u * 48000 * 7 / 10);
    EXPECT_EQ(firstNonZeroFrame(mix), -1);
}

} // namespace
} // namespace tessarin::test

namespace tessarin::test {
namespace {

TEST(FfmpegMediaPlayer, ALoopingVideoGoesOnFromItsFirstPictureWithoutEnding)
{
    FfmpegMediaPlayer player(std::make_shared<NullAudioOutput>(), HostClock::shared());
    player.setLooping(true);
    player.setMuted(true);
    auto item = PlayerItem::create(mediaPath(QStringLiteral("short_loop.mp4"))); // 15 pictures, 0.6 s
    auto video = std::make_shared<VideoOutput>();
    item->addOutput(video);
    int ends = 0;
    QObject::connect(item.get(), &PlayerItem::didPlayToEndTime, [&] { ++ends; });
    player.replaceCurrentItem(item);
    player.play();
    std::set<int> secondLap; // picture numbers seen during the second pass
    ASSERT_TRUE(waitUntil([&] {
        const double t = video->itemTime(HostClock::monotonicSeconds());
        if (auto frame = video->copyFrame(t); frame && frame->time >= 0.6 && frame->time < 1.2)
            secondLap.insert(frameNumberMod50(*frame));
        return t > 1.3;
    }));
    player.pause();
    drainMainQueue();
    EXPECT_EQ(ends, 0);
    EXPECT_LT(player.currentTime(), 0.6);
    // The second pass shows the clip's own pictures again, from its first.
    ASSERT_FALSE(secondLap.empty());
    EXPECT_EQ(*secondLap.begin(), 0);
    EXPECT_LE(*secondLap.rbegin(), 14);
    EXPECT_GE(secondLap.size(), 10u);
}

} // namespace
} // namespace tessarin::test

namespace tessarin::test {
namespace {

TEST(FfmpegMediaPlayer, ConvertsPicturesToTheLargestSizeTheyAreDrawnAt)
{
    FfmpegMediaPlayer player(std::make_shared<NullAudioOutput>(), HostClock::shared());
    auto item = itemFor("frames.mp4"); // 64 x 64, frame N has luma 16 + 4 × (N mod 50)
    auto small = std::make_shared<VideoOutput>();
    small->setMaximumSize(QSize(32, 40));
    auto wide = std::make_shared<VideoOutput>();
    wide->setMaximumSize(QSize(48, 16));
    item->addOutput(small);
    item->addOutput(wide);
    player.replaceCurrentItem(item);
    auto at = [&](double target) {
        bool finished = false;
        player.seek(target, SeekTolerance::Zero, [&](bool ok) { finished = ok; });
        EXPECT_TRUE(waitUntil([&] { return finished; }));
        return small->copyFrame(small->itemTime(HostClock::monotonicSeconds()));
    };
    // Fitted into 48 x 40, the union of what the two outputs draw.
    auto frame = at(2.5);
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->width(), 40);
    EXPECT_EQ(frame->height(), 40);
    EXPECT_EQ(frameNumberMod50(*frame), 62 % 50); // the same picture, in one pass
    // A reader of the pictures at their own size: no scaling.
    auto own = std::make_shared<VideoOutput>();
    item->addOutput(own);
    frame = at(4.5);
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->width(), 64);
    EXPECT_EQ(frameNumberMod50(*frame), 112 % 50);
}

// The size hint of an item made for a program counts as an output that
// draws the pictures upright at that size, from the first picture on: a
// quarter-turned picture is converted to it transposed.
TEST(FfmpegMediaPlayer, ASizeHintCountsAsAnOutputDrawingThePicturesUpright)
{
    FfmpegMediaPlayer player(std::make_shared<NullAudioOutput>(), HostClock::shared());
    auto item = itemFor("rotated.mp4"); // 320 x 240 coded, turned a quarter
    item->setPictureSizeHint(QSize(200, 100));
    player.replaceCurrentItem(item);
    std::shared_ptr<const VideoFrame> first;
    ASSERT_TRUE(waitUntil([&] {
        const auto source = item->source();
        return source && (first = source->frameAt(0.0)) != nullptr;
    }));
    EXPECT_EQ(QSize(first->width(), first->height()), QSize(100, 75)); // fitted into 100 x 200 as coded
    EXPECT_EQ(item->pictureSizeLimit(), QSize(100, 200));
    // Beside an output, the larger of the two; an output at their own size wins.
    auto wide = std::make_shared<VideoOutput>();
    wide->setMaximumSize(QSize(160, 60));
    item->addOutput(wide);
    EXPECT_EQ(item->pictureSizeLimit(), QSize(160, 200));
    auto own = std::make_shared<VideoOutput>();
    item->addOutput(own);
    EXPECT_EQ(item->pictureSizeLimit(), QSize());
}

} // namespace
} // namespace tessarin::test

namespace tessarin::test {
namespace {

TEST(FfmpegMediaPlayer, OverlayVideosKeepTheirAlphaPremultiplied)
{
    // Left half transparent, right half opaque orange (255, 128, 0).
    for (const char* name : { "halves_prores4444.mov", "halves_vp9alpha.webm" }) {
        SCOPED_TRACE(name);
        FfmpegMediaPlayer player(std::make_shared<NullAudioOutput>(), HostClock::shared());
        auto item = itemFor(name);
        auto video = std::make_shared<VideoOutput>();
        item->addOutput(video);
        player.replaceCurrentItem(item);
        ASSERT_TRUE(waitUntil([&] { return video->copyFrame(0.0) != nullptr; }));
        auto frame = video->copyFrame(0.0);
        EXPECT_TRUE(frame->hasAlpha);
        const QImage image = frame->image(true);
        EXPECT_EQ(image.format(), QImage::Format_ARGB32_Premultiplied);
        EXPECT_LE(qAlpha(image.pixel(8, 24)), 1);
        const QRgb orange = image.pixel(56, 24);
        EXPECT_EQ(qAlpha(orange), 255);
        EXPECT_NEAR(qRed(orange), 255, 3);
        EXPECT_NEAR(qGreen(orange), 128, 3);
        EXPECT_NEAR(qBlue(orange), 0, 3);
    }
    // Ordinary video stays opaque.
    FfmpegMediaPlayer player(std::make_shared<NullAudioOutput>(), HostClock::shared());
    auto item = itemFor("video_only.mp4");
    auto video = std::make_shared<VideoOutput>();
    item->addOutput(video);
    player.replaceCurrentItem(item);
    ASSERT_TRUE(waitUntil([&] { return video->copyFrame(0.0) != nullptr; }));
    EXPECT_FALSE(video->copyFrame(0.0)->hasAlpha);
}

} // namespace
} // namespace tessarin::test
