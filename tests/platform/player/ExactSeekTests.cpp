// Zero-tolerance seeks land on the picture standing at the target in every
// container, also where timestamp seeking is approximate (MPEG program and
// transport streams) and where key frames are ten seconds apart: checked by
// the frame number painted into each picture, in the player and in
// FrameGrabber.
#include "platform/FrameGrabber.h"
#include "platform/player/AudioOutput.h"
#include "platform/player/FfmpegMediaPlayer.h"
#include "platform/player/PlayerItem.h"
#include "platform/player/VideoFrame.h"
#include "platform/player/VideoOutput.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tessarin::test {
namespace {

// The counted_* files paint frame N as two flat fields, left luma
// 16 + 4 × (N mod 50), right 16 + 4 × (N div 50 mod 50), at 25 frames a second.
int fieldValue(int green)
{
    const double luma = green * 219.0 / 255.0 + 16.0;
    return static_cast<int>(std::lround((luma - 16.0) / 4.0));
}

int frameNumber(const std::uint8_t* bits, int stride)
{
    const std::uint8_t* row = bits + static_cast<std::ptrdiff_t>(stride) * 64;
    return fieldValue(row[40 * 4 + 1]) + 50 * fieldValue(row[120 * 4 + 1]);
}

struct Case {
    const char* file;
    double firstFrame; // the first picture's time in the player's timeline
};

// The program stream's sound starts 10 ms before its pictures.
const Case kCases[] = {
    { "counted_mpeg2.mpg", 0.01 },
    { "counted_mpeg2.ts", 0.0 },
    { "counted_h264_longgop.ts", 0.0 },
};

// Targets well inside a picture (a file's pictures start at 0 or 0.01 s),
// far from a key frame and near one, in an order that seeks backwards as
// well as forwards.
const double kTargets[] = { 12.505, 3.025, 9.945, 17.705, 0.505, 19.865 };

int expectedFrame(double target, double firstFrame)
{
    return static_cast<int>(std::floor((target - firstFrame) / 0.04 + 1e-9));
}

TEST(ExactSeek, PlayerShowsThePictureStandingAtTheTargetInEveryContainer)
{
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.file);
        FfmpegMediaPlayer player(std::make_shared<NullAudioOutput>(), HostClock::shared());
        auto item = PlayerItem::create(mediaPath(QString::fromLatin1(c.file)));
        auto video = std::make_shared<VideoOutput>();
        item->addOutput(video);
        player.replaceCurrentItem(item);
        ASSERT_TRUE(waitUntil([&] { return item->status() != PlayerItem::Status::Unknown; }));
        ASSERT_EQ(item->status(), PlayerItem::Status::ReadyToPlay);
        for (double target : kTargets) {
            SCOPED_TRACE(target);
            bool finished = false;
            player.seek(target, SeekTolerance::Zero, [&](bool ok) { finished = ok; });
            ASSERT_TRUE(waitUntil([&] { return finished; }));
            EXPECT_DOUBLE_EQ(player.currentTime(), target);
            auto frame = video->copyFrame(video->itemTime(HostClock::monotonicSeconds()));
            ASSERT_TRUE(frame);
            const int expected = expectedFrame(target, c.firstFrame);
            EXPECT_EQ(frameNumber(frame->constBits(), frame->bytesPerLine()), expected);
            EXPECT_NEAR(frame->time, c.firstFrame + expected * 0.04, 1e-3);
        }
    }
}

TEST(ExactSeek, FrameGrabberDecodesThePictureStandingAtTheTargetInEveryContainer)
{
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.file);
        FrameGrabber grabber(mediaPath(QString::fromLatin1(c.file)));
        for (double target : kTargets) {
            SCOPED_TRACE(target);
            // The grabber's timeline starts at the picture track's start.
            const auto image = grabber.frame(target - c.firstFrame, QSize(), FrameGrabber::Tolerance::zero);
            ASSERT_TRUE(image);
            ASSERT_EQ(image->size(), QSize(160, 128));
            EXPECT_EQ(frameNumber(image->constBits(), static_cast<int>(image->bytesPerLine())),
                expectedFrame(target, c.firstFrame));
        }
        // Default tolerance: a key frame at or before the target, never after it.
        const auto key = grabber.frame(12.505 - c.firstFrame, QSize(), FrameGrabber::Tolerance::defaultTolerance);
        ASSERT_TRUE(key);
        EXPECT_LE(frameNumber(key->constBits(), static_cast<int>(key->bytesPerLine())), expectedFrame(12.505, c.firstFrame));
    }
}

} // namespace
} // namespace tessarin::test
