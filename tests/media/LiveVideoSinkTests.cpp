#include "media/LiveVideoSink.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QObject>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

using namespace tessarin;

namespace {

QImage frameOfColour(QRgb colour)
{
    QImage image(8, 6, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

QRgb colourOf(const QImage& image)
{
    return image.isNull() ? 0 : image.pixel(0, 0);
}

// A stand-in view: remembers what it was last shown and how often.
struct FakeView {
    QObject object;
    QImage shown;
    int updates = 0;
    void attach(LiveVideoSink& sink)
    {
        sink.addView(&object, [this](const QImage& frame) {
            shown = frame;
            ++updates;
        });
    }
};

} // namespace

TEST(LiveVideoSink, CoalescesABurstIntoOneUpdateShowingTheNewestFrame)
{
    auto sink = LiveVideoSink::create();
    FakeView a, b;
    a.attach(*sink);
    b.attach(*sink);
    EXPECT_EQ(a.updates, 1); // shown the (empty) last image on registration

    std::thread producer([&] {
        sink->push(frameOfColour(0xff0000ffu));
        sink->push(frameOfColour(0xff00ff00u));
        sink->push(frameOfColour(0xffff0000u));
    });
    producer.join();
    EXPECT_EQ(colourOf(sink->latest()), 0xffff0000u); // at once, before any update
    EXPECT_EQ(a.updates, 1);

    test::drainMainQueue();
    EXPECT_EQ(a.updates, 2);
    EXPECT_EQ(b.updates, 2);
    EXPECT_EQ(colourOf(a.shown), 0xffff0000u);
    EXPECT_EQ(colourOf(b.shown), 0xffff0000u);
    EXPECT_EQ(colourOf(sink->lastImage()), 0xffff0000u);
}

TEST(LiveVideoSink, ClearingTurnsViewsBlackAndLaterViewsStartBlack)
{
    auto sink = LiveVideoSink::create();
    FakeView early;
    early.attach(*sink);
    sink->push(frameOfColour(0xff123456u));
    test::drainMainQueue();

    FakeView whileOnAir; // registered while a source is on air: starts with the last frame
    whileOnAir.attach(*sink);
    EXPECT_EQ(colourOf(whileOnAir.shown), 0xff123456u);

    sink->push(QImage());
    EXPECT_TRUE(sink->latest().isNull());
    test::drainMainQueue();
    EXPECT_TRUE(early.shown.isNull());
    EXPECT_TRUE(whileOnAir.shown.isNull());

    FakeView late;
    late.attach(*sink);
    EXPECT_TRUE(late.shown.isNull());
}

TEST(LiveVideoSink, ReleasedViewsDropOutAndAreNotUpdated)
{
    auto sink = LiveVideoSink::create();
    int updatesOfGone = 0;
    {
        QObject gone;
        sink->addView(&gone, [&](const QImage&) { ++updatesOfGone; });
        EXPECT_EQ(sink->viewCount(), 1);
    }
    sink->push(frameOfColour(0xff000001u));
    test::drainMainQueue();
    EXPECT_EQ(updatesOfGone, 1); // only the registration
    EXPECT_EQ(sink->viewCount(), 0);
}

TEST(LiveVideoSink, APushDuringAnUpdateSchedulesAnotherSoNoFrameIsLostOnScreen)
{
    auto sink = LiveVideoSink::create();
    FakeView view;
    bool pushedDuringUpdate = false;
    sink->addView(&view.object, [&](const QImage& frame) {
        view.shown = frame;
        ++view.updates;
        if (!pushedDuringUpdate && !frame.isNull()) {
            pushedDuringUpdate = true; // the update has already taken the pending frame
            sink->push(frameOfColour(0xff0000aau));
        }
    });
    sink->push(frameOfColour(0xff0000bbu));
    test::drainMainQueue();
    test::drainMainQueue();
    EXPECT_EQ(colourOf(view.shown), 0xff0000aau);
}

TEST(LiveVideoSink, AnUpdateAfterTheSinkIsGoneDoesNothing)
{
    auto sink = LiveVideoSink::create();
    sink->push(frameOfColour(0xff00ff00u));
    sink.reset();
    test::drainMainQueue(); // the posted update holds the sink weakly
    SUCCEED();
}
