#include "platform/FrameView.h"
#include "platform/player/VideoFrame.h"
#include "support/ManualClock.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTest>

#include <gtest/gtest.h>

using namespace tessarin;

namespace {

QImage filled(int w, int h, QRgb colour)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

class FrameViewTest : public ::testing::Test {
protected:
    test::ManualClock clock;
    FrameView view{clock};
    int pulls = 0;
    QImage next;

    void SetUp() override
    {
        view.resize(320, 180);
        view.setFrameSource([this] {
            ++pulls;
            return next;
        });
        pulls = 0;
    }
    QImage shown() { return view.grab().toImage().convertToFormat(QImage::Format_RGB32); }
};

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget& widget) { widget.installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

TEST_F(FrameViewTest, showsThePictureFittedOnBlack)
{
    next = filled(640, 480, qRgb(200, 0, 0)); // 240 x 180 at x 40
    view.refresh();
    const QImage image = shown();
    ASSERT_EQ(image.size(), QSize(320, 180));
    EXPECT_EQ(image.pixel(20, 90), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(41, 5), qRgb(200, 0, 0));
    EXPECT_EQ(image.pixel(160, 90), qRgb(200, 0, 0));
    EXPECT_EQ(image.pixel(278, 175), qRgb(200, 0, 0));
    EXPECT_EQ(image.pixel(300, 90), qRgb(0, 0, 0));

    next = QImage();
    view.refresh();
    EXPECT_EQ(shown().pixel(160, 90), qRgb(0, 0, 0));
}

TEST_F(FrameViewTest, aRegionOfSeveralRectsIsPaintedWholeInEachRect)
{
    // Rounded corners give a paint region of several rects: each is painted
    // on its own, with its bars and its part of the picture.
    next = filled(640, 480, qRgb(200, 0, 0)); // 240 x 180 at x 40
    view.refresh();
    QRegion region(QRect(2, 0, 316, 1));
    region += QRect(0, 1, 320, 178);
    region += QRect(30, 179, 20, 1);
    ASSERT_GT(region.rectCount(), 1);
    QImage image(320, 180, QImage::Format_RGB32);
    image.fill(qRgb(0, 0, 255));
    view.render(&image, QPoint(), region);
    EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(2, 0), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(160, 0), qRgb(200, 0, 0));
    EXPECT_EQ(image.pixel(20, 90), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(160, 90), qRgb(200, 0, 0));
    EXPECT_EQ(image.pixel(300, 90), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(35, 179), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(45, 179), qRgb(200, 0, 0));
    EXPECT_EQ(image.pixel(160, 179), qRgb(0, 0, 255));
}

TEST_F(FrameViewTest, showsPooledFramesAndOtherFormats)
{
    auto frame = VideoFrame::create(1920, 1080);
    for (int y = 0; y < 1080; ++y)
        for (int x = 0; x < 1920; ++x)
            reinterpret_cast<uint32_t*>(frame->bits() + size_t(y) * frame->bytesPerLine())[x] = 0xFF00C800u; // green
    next = frame->image();
    view.refresh();
    EXPECT_EQ(shown().pixel(160, 90), qRgb(0, 200, 0));

    next = filled(64, 36, qRgb(0, 0, 200)).convertToFormat(QImage::Format_RGB888);
    view.refresh();
    EXPECT_EQ(shown().pixel(160, 90), qRgb(0, 0, 200));
}

TEST_F(FrameViewTest, pullsAtTheScreenRateOnlyWhilePlaying)
{
    next = filled(32, 18, qRgb(1, 2, 3));
    EXPECT_EQ(clock.activeTimers(), 0);
    view.setPlaying(true);
    EXPECT_EQ(pulls, 1);
    EXPECT_EQ(clock.activeTimers(), 1);
    const double interval = view.refreshInterval();
    EXPECT_GT(interval, 0.0);
    EXPECT_LE(interval, 1.0);
    clock.advance(interval * 10 + interval / 2);
    EXPECT_EQ(pulls, 11);

    view.setPlaying(false);
    EXPECT_EQ(clock.activeTimers(), 0);
    const int before = pulls;
    clock.advance(1.0);
    EXPECT_EQ(pulls, before);
}

TEST_F(FrameViewTest, anUnchangedPictureCausesNoRepaintAndANewOneOneRepaint)
{
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    PaintCounter counter(view);
    auto frame = VideoFrame::create(64, 36);
    next = frame->image();
    view.refresh();
    ASSERT_TRUE(QTest::qWaitFor([&] { return counter.paints > 0; }, 5000));

    counter.paints = 0;
    for (int i = 0; i < 5; ++i) {
        next = frame->image(); // the same frame, wrapped anew as a player hands it out
        view.refresh();
        QCoreApplication::processEvents();
    }
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(counter.paints, 0);

    auto other = VideoFrame::create(64, 36);
    next = other->image();
    view.refresh();
    EXPECT_TRUE(QTest::qWaitFor([&] { return counter.paints > 0; }, 5000));
    // The picture and its black bars still cover the whole view.
    next = filled(640, 480, qRgb(0, 200, 0));
    view.refresh();
    const QImage image = shown();
    EXPECT_EQ(image.pixel(20, 90), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(160, 90), qRgb(0, 200, 0));
}

TEST_F(FrameViewTest, theSameFrameWrappedAgainIsNotANewPicture)
{
    auto frame = VideoFrame::create(64, 36);
    next = frame->image();
    view.refresh();
    const qint64 key = view.currentImage().cacheKey();
    next = frame->image(); // a new QImage of the same frame
    view.refresh();
    EXPECT_EQ(view.currentImage().cacheKey(), key);

    auto other = VideoFrame::create(64, 36);
    next = other->image();
    view.refresh();
    EXPECT_NE(view.currentImage().cacheKey(), key);
}

} // namespace
