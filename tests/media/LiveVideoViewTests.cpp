#include "media/LiveVideoSink.h"
#include "media/LiveVideoView.h"
#include "support/ManualClock.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <thread>

using namespace tessarin;

namespace {

QImage solid(QRgb colour)
{
    QImage image(32, 18, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

QRgb shown(const LiveVideoView& view)
{
    const QImage image = view.currentImage();
    return image.isNull() ? 0 : image.pixel(0, 0);
}

} // namespace

TEST(LiveVideoView, ShowsTheNewestFrameAndBlackAfterAClear)
{
    test::ManualClock clock;
    auto sink = LiveVideoSink::create();
    LiveVideoView view(sink, clock);
    view.resize(160, 90);
    EXPECT_TRUE(view.currentImage().isNull());

    std::thread pusher([&] {
        sink->push(solid(0xffff0000));
        sink->push(solid(0xff00ff00));
        sink->push(solid(0xff0000ff));
    });
    pusher.join();
    test::drainMainQueue();
    EXPECT_EQ(shown(view), 0xff0000ffu);
    EXPECT_FALSE(view.isPlaying()); // the sink brings the frames; nothing pulls

    // A view made while the source is on air starts with the frame on screen.
    LiveVideoView later(sink, clock);
    EXPECT_EQ(shown(later), 0xff0000ffu);

    sink->push(QImage());
    test::drainMainQueue();
    EXPECT_TRUE(view.currentImage().isNull());
    EXPECT_TRUE(later.currentImage().isNull());
    LiveVideoView afterClear(sink, clock);
    EXPECT_TRUE(afterClear.currentImage().isNull());
}

