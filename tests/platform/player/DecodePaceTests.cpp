// When a video decoder skips the pictures nothing refers to: only while it
// is both behind and slower than real time. A decoder that keeps up but was
// held up for a moment must show every picture again once on time.
#include "platform/player/DecodePace.h"
#include "platform/player/PipelineTuning.h"

#include <gtest/gtest.h>

namespace tessarin::test {
namespace {

constexpr double kPicture = 1.0 / 30.0;

TEST(DecodePace, AMomentsDelayMakesLatePicturesButNoSkippingWhileTheDecoderKeepsUp)
{
    DecodePace pace;
    for (int i = 0; i < 30; ++i)
        pace.picture(0.6 * kPicture, kPicture, false);
    // Held up for 200 ms: the next pictures come out late, then the decoder
    // catches up at its own pace.
    pace.picture(0.2, kPicture, true);
    for (int i = 0; i < 5; ++i) {
        pace.picture(0.5 * kPicture, kPicture, true);
        EXPECT_FALSE(pace.skipUnreferenced()) << "late picture " << i;
    }
    pace.picture(0.6 * kPicture, kPicture, false);
    EXPECT_FALSE(pace.skipUnreferenced());
    EXPECT_LT(pace.load(), 1.0);
}

TEST(DecodePace, ADecoderSlowerThanRealTimeSkipsUntilAPictureIsOnTime)
{
    DecodePace pace;
    for (int i = 0; i < 8; ++i)
        pace.picture(1.4 * kPicture, kPicture, false);
    EXPECT_FALSE(pace.skipUnreferenced()); // slow, but nothing late yet
    pace.picture(1.4 * kPicture, kPicture, true);
    EXPECT_FALSE(pace.skipUnreferenced()); // one late picture may be a moment's delay
    pace.picture(1.4 * kPicture, kPicture, true);
    EXPECT_TRUE(pace.skipUnreferenced());
    // Skipping, each picture out moves the stream on by two.
    pace.picture(1.4 * kPicture, 2 * kPicture, true);
    EXPECT_TRUE(pace.skipUnreferenced());
    pace.picture(1.4 * kPicture, 2 * kPicture, false);
    EXPECT_FALSE(pace.skipUnreferenced());

    // A new position: its pace is measured afresh.
    pace.reset();
    pace.picture(1.4 * kPicture, kPicture, true);
    pace.picture(1.4 * kPicture, kPicture, true);
    EXPECT_FALSE(pace.skipUnreferenced());
}

} // namespace
} // namespace tessarin::test

namespace tessarin::test {
namespace {

TEST(ItemPipelineBounds, ALargePictureDrawnAtHalfItsSizeOrLessHoldsTheFewestPicturesInFlightAndStartsTwoAhead)
{
    using namespace pipeline;
    const QSize uhd(3840, 2160);
    const QSize hd(1920, 1080);
    // Into a 1080p or smaller program: one picture decoded at a time (slice
    // threads), and the fewest converted pictures queued.
    EXPECT_EQ(videoThreading(uhd, hd, true), VideoThreading::SlicesOnly);
    EXPECT_EQ(videoThreading(uhd, QSize(1280, 720), true), VideoThreading::SlicesOnly);
    EXPECT_EQ(queuedPictures(std::size_t(1920) * 1080 * 4, uhd), kMinFrames);
    // Its clock starts with two pictures decoded, a small picture's with one.
    EXPECT_EQ(startPictures(uhd), 2);
    EXPECT_EQ(startPictures(hd), 1);
    // At its own size, or drawn larger than half of it: two frame threads.
    EXPECT_EQ(videoThreading(uhd, QSize(), true), VideoThreading::TwoFrames);
    EXPECT_EQ(videoThreading(uhd, QSize(2560, 1440), true), VideoThreading::TwoFrames);
    EXPECT_EQ(videoThreading(QSize(4096, 2160), QSize(2049, 1080), true), VideoThreading::TwoFrames);
    // Pictures of 1080p and smaller take a few frame threads and a queue of
    // about kFrameQueueBytes, however they are drawn; up to 640 x 360, two
    // frame threads.
    EXPECT_EQ(videoThreading(hd, QSize(480, 270), true), VideoThreading::MediumFrames);
    EXPECT_EQ(videoThreading(hd, QSize(), true), VideoThreading::MediumFrames);
    EXPECT_EQ(videoThreading(QSize(854, 480), QSize(), false), VideoThreading::MediumFrames);
    EXPECT_EQ(videoThreading(QSize(640, 360), QSize(), false), VideoThreading::TwoFrames);
    EXPECT_EQ(videoThreading(QSize(320, 180), hd, true), VideoThreading::TwoFrames);
    EXPECT_EQ(queuedPictures(std::size_t(1920) * 1080 * 4, hd), kFrameQueueBytes / (std::size_t(1920) * 1080 * 4));
    EXPECT_EQ(queuedPictures(std::size_t(320) * 180 * 4, QSize(320, 180)), kMaxFrames);
    EXPECT_EQ(queuedPictures(std::size_t(3840) * 2160 * 4, uhd), kMinFrames);
}

} // namespace
} // namespace tessarin::test

namespace tessarin::test {
namespace {

// While an item's clock does not run (loaded ahead behind the item on air,
// or paused) its queue holds only what its start needs; once it runs, the
// full queue.
TEST(ItemPipelineBounds, AWaitingItemQueuesOnlyThePicturesItsStartNeeds)
{
    using namespace pipeline;
    struct Case {
        QSize decoded;
        QSize converted;
        std::size_t running;
        std::size_t waiting;
    };
    const Case cases[] = {
        { QSize(1920, 1080), QSize(1920, 1080), 5, 1 }, // 8.3 MB each
        { QSize(1280, 720), QSize(1280, 720), 6, 1 },
        { QSize(320, 180), QSize(320, 180), kMaxFrames, 1 },
        { QSize(3840, 2160), QSize(1920, 1080), kMinFrames, 2 }, // starts two ahead
        { QSize(3840, 2160), QSize(3840, 2160), kMinFrames, 2 },
    };
    for (const Case& c : cases) {
        const std::size_t bytes = std::size_t(c.converted.width()) * 4 * std::size_t(c.converted.height());
        EXPECT_EQ(queuedPictures(bytes, c.decoded, true), c.running) << c.decoded.width();
        EXPECT_EQ(queuedPictures(bytes, c.decoded, false), c.waiting) << c.decoded.width();
        EXPECT_GE(queuedPictures(bytes, c.decoded, false), std::size_t(startPictures(c.decoded)));
    }
}

} // namespace
} // namespace tessarin::test
