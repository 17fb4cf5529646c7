// The wall clock, the level meter and the symbol table, on a hand-driven
// clock and the real level tap.
#include "engine/AudioLevelTap.h"
#include "platform/Icons.h"
#include "ui/kit/StereoVUMeterView.h"
#include "ui/kit/Theme.h"
#include "ui/kit/TimeOfDayClockView.h"

#include "support/ManualClock.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QImage>
#include <QLocale>

using namespace tessarin;

namespace {

// Every symbol the interface names, in one list: a missing one would be a
// blank button.
const char* const kSymbols[] = {
    "antenna.radiowaves.left.and.right", "arrow.clockwise", "arrow.counterclockwise", "arrow.down.doc",
    "arrow.up.forward.circle.fill", "arrowshape.right.circle", "arrowshape.right.fill", "backward.end.fill",
    "calendar.badge.clock", "checkmark.circle.fill", "doc.text", "dot.radiowaves.left.and.right",
    "dot.radiowaves.up.forward", "ellipsis", "exclamationmark.triangle.fill", "eye.fill", "eye.slash", "film",
    "film.stack", "folder", "forward.end.fill", "gearshape", "gearshape.fill", "globe", "gobackward.10",
    "goforward.10", "keyboard", "line.3.horizontal", "network", "pause.circle", "pause.fill", "photo",
    "play.circle.fill", "play.fill", "play.rectangle.fill", "plus", "plus.rectangle.on.folder", "repeat",
    "scissors", "slider.horizontal.3", "speaker.slash.fill", "speaker.wave.2.fill", "square.3.layers.3d",
    "square.stack.3d.up", "stop.fill", "trash", "tray.full", "tv", "tv.fill", "video.fill", "waveform",
    "xmark", "xmark.circle", "xmark.circle.fill",
};

int paintedPixels(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
    return count;
}

} // namespace

TEST(ShellIcons, EverySymbolOfTheInterfaceDrawsInTheAskedColour)
{
    const QColor red(255, 0, 0);
    for (const char* name : kSymbols) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(Icons::has(QString::fromLatin1(name)));
        const QImage image = Icons::pixmap(QString::fromLatin1(name), red, 24).toImage().convertToFormat(QImage::Format_ARGB32);
        ASSERT_FALSE(image.isNull());
        EXPECT_GT(paintedPixels(image), 12);
        // Drawn in the colour asked for, not the SVG's black: the most
        // opaque pixel is red.
        QRgb strongest = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qAlpha(image.pixel(x, y)) > qAlpha(strongest))
                    strongest = image.pixel(x, y);
        const QColor c = QColor::fromRgba(strongest);
        EXPECT_GT(c.alpha(), 100);
        EXPECT_GT(c.red(), 200);
        EXPECT_LT(c.green(), 40);
    }
    EXPECT_FALSE(Icons::has(QStringLiteral("no.such.symbol")));
}

TEST(ShellClock, ShowsTheTimeOfDayOnWholeSecondsWithoutAmPm)
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const double beforeMidnight = double(QDateTime(QDate(2026, 3, 1), QTime(23, 59, 59)).toSecsSinceEpoch()) + 0.6;
    test::ManualClock clock(1000.0, beforeMidnight);
    TimeOfDayClockView view(clock);
    view.show();
    EXPECT_EQ(view.text(), "23:59:59");
    clock.advance(0.3);
    EXPECT_EQ(view.text(), "23:59:59");
    clock.advance(0.2); // past the whole second
    EXPECT_EQ(view.text(), "00:00:00");
    clock.advance(13 * 3600.0);
    EXPECT_EQ(view.text(), "13:00:00");
    // Hidden, it stops its timer.
    view.hide();
    EXPECT_EQ(clock.activeTimers(), 0);
    QLocale::setDefault(QLocale::system());
}

TEST(ShellMeter, BarsEaseToTheTapsLevelsFromTroughToTop)
{
    auto tap = std::make_shared<AudioLevelTap>();
    test::ManualClock clock;
    StereoVUMeterView meter(tap, clock);
    meter.resize(26, 200);
    meter.show();
    tap->applyBallistics(1.0f, 0.0f);
    EXPECT_EQ(meter.leftLevel(), 1.0f);
    EXPECT_EQ(meter.rightLevel(), 0.0f);
    // Linear over 0.08 s: about half way after 0.04 s, there after 0.08 s.
    clock.advance(StereoVUMeterView::kStepSeconds);
    EXPECT_NEAR(meter.leftBar()->shownLevel(), StereoVUMeterView::kStepSeconds / 0.08, 0.02);
    clock.advance(0.08);
    EXPECT_EQ(meter.leftBar()->shownLevel(), 1.0f);
    const QImage image = meter.grab().toImage();
    // The left bar reaches the top in the high colour; the right shows only its trough.
    const QRgb leftTop = image.pixel(meter.leftBar()->geometry().center().x(), 3);
    const QRgb rightTop = image.pixel(meter.rightBar()->geometry().center().x(), 3);
    EXPECT_GT(qRed(leftTop), 180);
    EXPECT_LT(qGreen(leftTop), 120);
    EXPECT_EQ(qRed(rightTop), qGreen(rightTop));
    EXPECT_LE(std::abs(meter.leftBar()->width() - meter.rightBar()->width()), 1);

    // The tap falls back: the bar follows down and the timer stops once there.
    tap->applyBallistics(0.0f, 0.0f);
    const float target = meter.leftLevel();
    EXPECT_LT(target, 1.0f);
    clock.advance(0.2);
    EXPECT_EQ(meter.leftBar()->shownLevel(), target);
    EXPECT_EQ(clock.activeTimers(), 0);
}
