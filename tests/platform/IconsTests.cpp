#include "platform/Icons.h"

#include <gtest/gtest.h>

#include <QImage>

using namespace tessarin;

namespace {

// Share of pixels painted in roughly the requested colour.
double paintedShare(const QPixmap& pixmap, const QColor& color)
{
    const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    int painted = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() > 128 && std::abs(c.red() - color.red()) < 40 && std::abs(c.green() - color.green()) < 40
                && std::abs(c.blue() - color.blue()) < 40)
                ++painted;
        }
    return double(painted) / (image.width() * image.height());
}

} // namespace

TEST(Icons, SvgSymbolsAreDrawnInTheAskedColour)
{
    const QColor red(240, 50, 50);
    const QPixmap play = Icons::pixmap("play.fill", red, 32);
    ASSERT_FALSE(play.isNull());
    EXPECT_GT(paintedShare(play, red), 0.1) << "currentColor must be replaced, not drawn black";
}

TEST(Icons, GlyphSymbolsAreDrawn)
{
    const QPixmap glyph = Icons::pixmap("goforward.10", Qt::white, 32);
    ASSERT_FALSE(glyph.isNull());
    EXPECT_GT(paintedShare(glyph, Qt::white), 0.02);
}

TEST(Icons, UnknownNamesGiveNothing)
{
    EXPECT_FALSE(Icons::has("no.such.symbol"));
    EXPECT_TRUE(Icons::pixmap("no.such.symbol", Qt::white, 16).isNull());
}

// Drawn symbols are kept: each colour, size and pixel ratio of a symbol is
// its own picture, and asking again gives the kept one.
TEST(Icons, EachColourSizeAndRatioIsItsOwnPicture)
{
    const QColor red(240, 50, 50), blue(50, 50, 240);
    const QPixmap first = Icons::pixmap("play.fill", red, 20);
    EXPECT_EQ(Icons::pixmap("play.fill", red, 20).cacheKey(), first.cacheKey());
    EXPECT_GT(paintedShare(Icons::pixmap("play.fill", blue, 20), blue), 0.1);
    EXPECT_EQ(Icons::pixmap("play.fill", red, 24).width(), 24);
    const QPixmap sharp = Icons::pixmap("play.fill", red, 20, 2.0);
    EXPECT_EQ(sharp.width(), 40);
    EXPECT_EQ(sharp.devicePixelRatio(), 2.0);
    EXPECT_EQ(Icons::pixmap("play.fill", red, 20, 1.0).devicePixelRatio(), 1.0);
}
