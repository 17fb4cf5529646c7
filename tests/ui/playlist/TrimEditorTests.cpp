// The IN/OUT editor on real items: the marker rules, the points reaching a
// real player, and frame previews that always show the latest request.
#include "engine/PlaylistEngine.h"
#include "media/MediaBlock.h"
#include "media/MediaFile.h"
#include "platform/Clock.h"
#include "platform/Settings.h"
#include "platform/player/FfmpegMediaPlayer.h"
#include "support/DiskCapture.h"
#include "support/TestSupport.h"
#include "ui/playlist/FramePreviewLoader.h"
#include "ui/playlist/WaveformTrimView.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QAccessible>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

namespace tessarin::test {
namespace {

std::shared_ptr<MediaFile> analysedItem(const char* name)
{
    const QUrl url = QUrl::fromLocalFile(mediaPath(QString::fromLatin1(name)));
    auto item = MediaFile::create(url);
    EXPECT_TRUE(waitUntil([&] { return item->duration() > 0 && !item->playableURL().isEmpty(); }));
    return item;
}

void mouse(QWidget* w, QEvent::Type type, QPointF pos, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, pos, w->mapToGlobal(pos), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

// Presses at from, moves in a few steps to to, releases there.
void drag(QWidget* w, QPointF from, QPointF to)
{
    mouse(w, QEvent::MouseButtonPress, from, Qt::LeftButton);
    for (int i = 1; i <= 4; ++i)
        mouse(w, QEvent::MouseMove, from + (to - from) * (i / 4.0), Qt::LeftButton);
    mouse(w, QEvent::MouseButtonRelease, to, Qt::NoButton);
}

// frames.mp4 paints frame N with luma 16 + 4 × (N mod 50).
int frameNumberMod50(const QImage& image)
{
    const int value = qGreen(image.pixel(image.width() / 2, image.height() / 2));
    const double luma = value * 219.0 / 255.0 + 16.0;
    return static_cast<int>(std::lround((luma - 16.0) / 4.0));
}

} // namespace

TEST(WaveformTrimView, MarkersKeepTheirDistanceAndStayInsideTheFile)
{
    auto item = analysedItem("clip_5s.mov");
    ASSERT_NEAR(item->duration(), 5.0, 0.05);
    const double d = item->duration();
    WaveformTrimView view(item);
    view.show();
    TrimWaveformArea* area = view.waveformArea();
    const double w = area->width();
    ASSERT_GT(w, 300);

    // IN dragged far past the end stops 0.1 s before it.
    drag(area, area->inMarker().center(), area->inMarker().center() + QPointF(2 * w, 0));
    EXPECT_NEAR(item->inPoint(), d - 0.1, 1e-9);
    EXPECT_FALSE(item->outPoint().has_value());

    // OUT dragged over IN stops 0.1 s after it; a drag always leaves OUT set.
    drag(area, area->outMarker().center(), area->outMarker().center() - QPointF(2 * w, 0));
    ASSERT_TRUE(item->outPoint().has_value());
    EXPECT_NEAR(*item->outPoint(), item->inPoint() + 0.1, 1e-9);

    // IN dragged before the start pins at 0; OUT then follows the pointer.
    drag(area, area->inMarker().center(), area->inMarker().center() - QPointF(2 * w, 0));
    EXPECT_EQ(item->inPoint(), 0.0);
    const QPointF out = area->outMarker().center();
    drag(area, out, QPointF(w / 2, out.y()));
    EXPECT_NEAR(*item->outPoint(), d / 2, d / w);
    EXPECT_EQ(view.inText(), QStringLiteral("00:00:00"));
    EXPECT_EQ(view.outText(), QStringLiteral("00:00:02"));

    // OUT past the end pins at the duration.
    drag(area, area->outMarker().center(), area->outMarker().center() + QPointF(2 * w, 0));
    EXPECT_NEAR(*item->outPoint(), d, 1e-9);

    QTest::mouseClick(view.resetButton(), Qt::LeftButton);
    EXPECT_EQ(item->inPoint(), 0.0);
    EXPECT_FALSE(item->outPoint().has_value());
    EXPECT_EQ(view.lengthText(), QStringLiteral("00:00:05"));
}

TEST(WaveformTrimView, TabReachesBothMarkersWhoseKeysMoveThemByAFrameOrASecondWithinTheirBounds)
{
    auto item = analysedItem("clip_5s.mov");
    const double d = item->duration();
    WaveformTrimView view(item);
    view.show();
    TrimWaveformArea* area = view.waveformArea();
    QWidget* in = area->inHandle();
    QWidget* out = area->outHandle();

    std::vector<QWidget*> stops;
    for (QWidget* w = view.nextInFocusChain(); w != &view; w = w->nextInFocusChain()) {
        if ((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(&view))
            stops.push_back(w);
    }
    EXPECT_EQ(stops, (std::vector<QWidget*> { in, out, view.resetButton() }));

    QSignalSpy inPreviews(area, &TrimWaveformArea::inPointDragged);
    constexpr double frame = 1.0 / 25.0;
    struct Case {
        QWidget* marker;
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        double in, out; // the points after the key
    };
    for (const Case& c : { Case { in, Qt::Key_Right, {}, frame, d }, Case { in, Qt::Key_Right, Qt::ShiftModifier, frame + 1, d },
                           Case { in, Qt::Key_Left, Qt::ShiftModifier, frame, d }, Case { in, Qt::Key_Left, Qt::ShiftModifier, 0, d },
                           Case { out, Qt::Key_Left, {}, 0, d - frame }, Case { out, Qt::Key_Right, Qt::ShiftModifier, 0, d },
                           Case { in, Qt::Key_Right, Qt::ShiftModifier, 1, d } }) {
        QTest::keyClick(c.marker, c.key, c.mods);
        EXPECT_NEAR(item->inPoint(), c.in, 1e-9);
        EXPECT_NEAR(item->outPoint().value_or(d), c.out, 1e-9);
    }
    EXPECT_EQ(inPreviews.count(), 5) << "each IN move asks for its frame";
    // IN stops 0.1 s before OUT.
    item->setOutPoint(1.05);
    QTest::keyClick(in, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_NEAR(item->inPoint(), 0.95, 1e-9);

    // Page Up/Down move by a second, Home and End as far as the bounds let.
    item->setOutPoint(std::nullopt);
    item->setInPoint(0);
    for (const Case& c : { Case { in, Qt::Key_PageUp, {}, 1, d }, Case { in, Qt::Key_PageDown, {}, 0, d },
                           Case { in, Qt::Key_End, {}, d - 0.1, d }, Case { in, Qt::Key_Home, {}, 0, d },
                           Case { out, Qt::Key_PageDown, {}, 0, d - 1 }, Case { out, Qt::Key_Home, {}, 0, 0.1 },
                           Case { out, Qt::Key_End, {}, 0, d } }) {
        QTest::keyClick(c.marker, c.key, c.mods);
        EXPECT_NEAR(item->inPoint(), c.in, 1e-9) << c.key;
        EXPECT_NEAR(item->outPoint().value_or(d), c.out, 1e-9) << c.key;
    }

    // Readers hear a step of one frame: the step and the text carry it.
    QAccessibleInterface* marker = QAccessible::queryAccessibleInterface(in);
    ASSERT_TRUE(marker && marker->valueInterface());
    EXPECT_NEAR(marker->valueInterface()->minimumStepSize().toDouble(), frame, 1e-9);
    QTest::keyClick(in, Qt::Key_Right);
    EXPECT_EQ(marker->text(QAccessible::Value), QStringLiteral("00:00:00.04"));
}

// Each marker takes a press over at least 10 points, also where half of it
// lies past the area's edge: IN at the start, OUT at the end.
TEST(WaveformTrimView, MarkersAtTheEdgesAreGrabbedOverTenPoints)
{
    auto item = analysedItem("clip_5s.mov");
    const double d = item->duration();
    WaveformTrimView view(item);
    view.show();
    TrimWaveformArea* area = view.waveformArea();
    const double w = area->width();
    const double y = area->height() / 2.0;
    for (const QRectF& zone : {area->inGrabZone(), area->outGrabZone()}) {
        EXPECT_GE(zone.width(), 10.0);
        EXPECT_GE(zone.left(), 0.0);
        EXPECT_LE(zone.right(), w);
    }

    // Pressed 9 points in from the start, IN moves with the pointer.
    drag(area, QPointF(9, y), QPointF(9 + w / 4, y));
    EXPECT_NEAR(item->inPoint(), d / 4, d / w);
    // Pressed 9 points in from the end, OUT moves with the pointer.
    drag(area, QPointF(w - 9, y), QPointF(w - 9 - w / 4, y));
    ASSERT_TRUE(item->outPoint().has_value());
    EXPECT_NEAR(*item->outPoint(), d * 3 / 4, d / w);
    // A press in the middle, away from both, moves nothing.
    drag(area, QPointF(w / 2, y), QPointF(w / 2 + 20, y));
    EXPECT_NEAR(item->inPoint(), d / 4, d / w);
    EXPECT_NEAR(*item->outPoint(), d * 3 / 4, d / w);
}

TEST(WaveformTrimView, MarkersDoNotMoveWhileTheLengthIsUnknown)
{
    // A file that never gets a duration: dragging must not invent points.
    auto item = MediaFile::create(QUrl::fromLocalFile(mediaPath(QStringLiteral("not_media.mp4"))));
    WaveformTrimView view(item);
    view.show();
    TrimWaveformArea* area = view.waveformArea();
    drag(area, area->outMarker().center(), area->outMarker().center() + QPointF(100, 0));
    drag(area, area->inMarker().center(), area->inMarker().center() + QPointF(100, 0));
    EXPECT_FALSE(item->outPoint().has_value());
    EXPECT_EQ(item->inPoint(), 0.0);
    EXPECT_EQ(view.lengthText(), QStringLiteral("00:00:00"));
}

TEST(WaveformTrimView, APlayerEndsTheItemAtTheOutPointSetByDragging)
{
    DiskCapture capture(512);
    if (!capture.isDisk())
        GTEST_SKIP() << "SDL's disk audio driver is not available in this process";
    double outPoint = 0;
    {
        QTemporaryDir dir;
        Settings settings(dir.filePath(QStringLiteral("settings.ini")));
        auto output = capture.output();
        PlaylistEngine engine(HostClock::shared(), settings,
                              [output] { return std::make_shared<FfmpegMediaPlayer>(output, HostClock::shared()); },
                              output);
        output.reset();
        // ramp.wav: sample n of both channels is n / 192000, 2 s long.
        auto item = analysedItem("ramp.wav");
        ASSERT_NEAR(item->duration(), 2.0, 0.01);
        {
            WaveformTrimView view(item);
            view.show();
            TrimWaveformArea* area = view.waveformArea();
            const QPointF out = area->outMarker().center();
            drag(area, out, QPointF(area->xForTime(1.0), out.y()));
        }
        ASSERT_TRUE(item->outPoint().has_value());
        outPoint = *item->outPoint();
        ASSERT_NEAR(outPoint, 1.0, 0.01);

        auto block = std::make_shared<MediaBlock>(QStringLiteral("Blocco 1"), QUuid::createUuid());
        block->setItems({ item });
        engine.setBlocks({ block });
        engine.play(block);
        ASSERT_TRUE(waitUntil([&] { return !engine.isPlaying(); }, 20.0));
    }
    const std::vector<float> mix = capture.finish();
    ASSERT_FALSE(mix.empty());
    float loudest = 0;
    for (std::size_t i = 0; i < mix.size(); i += 2)
        loudest = std::max(loudest, mix[i]);
    // The last sample before OUT is n = OUT × 48000 - 1, worth n / 192000.
    const double expected = (outPoint * 48000.0 - 1.0) / 192000.0;
    EXPECT_NEAR(loudest, expected, 2.0 / 192000.0);
}

TEST(FramePreviewLoader, ShowsTheExactFrameOfTheLatestRequestOnly)
{
    FramePreviewLoader loader;
    loader.update(1.0);
    EXPECT_EQ(loader.generation(), 0u) << "no request before a file is bound";

    loader.prepare(mediaPath(QStringLiteral("frames.mp4")));
    loader.prepare(mediaPath(QStringLiteral("clip_5s.mov"))); // bound already: ignored
    std::vector<int> published;
    QObject::connect(&loader, &FramePreviewLoader::imageChanged,
                     [&] { published.push_back(frameNumberMod50(loader.image())); });

    loader.update(3.0); // frame 75
    ASSERT_TRUE(waitUntil([&] { return !published.empty(); }));
    EXPECT_EQ(published, std::vector<int> { 75 % 50 });

    // A burst of requests while dragging: only the last one is published,
    // and what was decoded for the others never shows.
    published.clear();
    for (double t : { 1.0, 2.0, 4.4, 6.08, 7.36 })
        loader.update(t);
    ASSERT_TRUE(waitUntil([&] { return !published.empty(); }));
    drainMainQueue();
    EXPECT_EQ(published, std::vector<int> { 184 % 50 });
    EXPECT_LE(loader.framesDecoded(), 3u) << "requests made while one decodes must coalesce";

    // A negative time asks for frame 0.
    published.clear();
    loader.update(-2.0);
    ASSERT_TRUE(waitUntil([&] { return !published.empty(); }));
    EXPECT_EQ(published.back(), 0);
}

TEST(FramePreviewLoader, AFileWithoutPicturesKeepsTheLastImage)
{
    FramePreviewLoader loader;
    loader.prepare(mediaPath(QStringLiteral("ramp.wav")));
    loader.update(0.5);
    ASSERT_TRUE(waitUntil([&] { return loader.framesDecoded() == 1; }));
    drainMainQueue();
    EXPECT_TRUE(loader.image().isNull());
}

} // namespace tessarin::test
