// Stills decode through libav in the formats Qt has no reader for here
// (WebP, TIFF), at 16 bits, large, transparent and EXIF-turned, fitted to a
// size on the way.
#include "platform/StillImage.h"

#include "support/TestSupport.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tessarin::test {
namespace {

TEST(StillImage, DecodesEveryFormatWithItsTransparency)
{
    // Left half transparent, right half opaque orange (255, 128, 0).
    for (const char* name : { "halves.png", "halves.webp", "halves.tiff", "halves16.png" }) {
        SCOPED_TRACE(name);
        const QImage image = StillImage::read(mediaPath(QString::fromLatin1(name)));
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.size(), QSize(64, 48));
        EXPECT_EQ(image.format(), QImage::Format_ARGB32_Premultiplied);
        EXPECT_EQ(image.pixel(10, 20), 0u);
        const QRgb orange = image.pixel(50, 20);
        EXPECT_EQ(qAlpha(orange), 255);
        EXPECT_EQ(qRed(orange), 255);
        EXPECT_NEAR(qGreen(orange), 128, 1);
        EXPECT_EQ(qBlue(orange), 0);
    }
    // Without transparency: opaque RGB32.
    const QImage jpeg = StillImage::read(mediaPath(QStringLiteral("still.jpg")));
    EXPECT_EQ(jpeg.format(), QImage::Format_RGB32);
    EXPECT_EQ(jpeg.size(), QSize(640, 360));
}

TEST(StillImage, FitsLargePicturesAndTurnsThemByTheirOrientation)
{
    const QImage large = StillImage::read(mediaPath(QStringLiteral("large.jpg")), QSize(1920, 1920));
    EXPECT_EQ(large.size(), QSize(1920, 1152));
    EXPECT_EQ(StillImage::read(mediaPath(QStringLiteral("large.jpg"))).size(), QSize(5000, 3000));
    EXPECT_EQ(StillImage::read(mediaPath(QStringLiteral("halves.webp")), QSize(1920, 1080)).size(), QSize(64, 48));

    // The same JPEG with an EXIF block saying "turn a quarter clockwise".
    QFile source(mediaPath(QStringLiteral("still.jpg")));
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    const QByteArray jpeg = source.readAll();
    const char exif[] = "\xFF\xE1\x00\x22"
                        "Exif\x00\x00"
                        "MM\x00\x2A\x00\x00\x00\x08"
                        "\x00\x01"
                        "\x01\x12\x00\x03\x00\x00\x00\x01\x00\x06\x00\x00"
                        "\x00\x00\x00\x00";
    QTemporaryDir dir;
    const QString turnedPath = dir.path() + QStringLiteral("/turned.jpg");
    QFile turned(turnedPath);
    ASSERT_TRUE(turned.open(QIODevice::WriteOnly));
    turned.write(jpeg.left(2) + QByteArray(exif, sizeof exif - 1) + jpeg.mid(2));
    turned.close();
    const QImage upright = StillImage::read(turnedPath);
    const QImage plain = StillImage::read(source.fileName());
    ASSERT_EQ(upright.size(), QSize(360, 640));
    // The stored top-left corner is now at the top right.
    EXPECT_EQ(upright.pixel(359, 0), plain.pixel(0, 0));
    EXPECT_EQ(StillImage::read(turnedPath, QSize(100, 100)).size(), QSize(56, 100));
}

TEST(StillImage, AnythingElseGivesNothing)
{
    for (const char* name : { "not_media.mp4", "empty.mp4", "missing.png", "tone_half.wav" })
        EXPECT_TRUE(StillImage::read(mediaPath(QString::fromLatin1(name))).isNull()) << name;
}

} // namespace
} // namespace tessarin::test
