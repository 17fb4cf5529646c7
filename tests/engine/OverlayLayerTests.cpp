#include "engine/OverlayLayer.h"
#include "support/ManualClock.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

using namespace tessarin;

namespace {

QUrl fileUrl(const QString& path)
{
    return QUrl::fromLocalFile(path);
}

} // namespace

TEST(OverlayLayer, StartsEmptyHiddenWithTheIdentityTransform)
{
    test::ManualClock clock;
    auto layer = OverlayLayer::create(QStringLiteral("Layer 1"), clock);
    EXPECT_EQ(layer->title(), QStringLiteral("Layer 1"));
    EXPECT_FALSE(layer->id().isNull());
    EXPECT_FALSE(layer->hasContent());
    EXPECT_FALSE(layer->fileName().has_value());
    EXPECT_FALSE(layer->isVisible());
    EXPECT_EQ(layer->opacity(), 1.0);
    EXPECT_EQ(layer->scale(), 1.0);
    EXPECT_EQ(layer->offsetX(), 0.0);
    EXPECT_EQ(layer->offsetY(), 0.0);
    EXPECT_FALSE(layer->loops());
}

TEST(OverlayLayer, CanLoadLooksOnlyAtTheExtension)
{
    EXPECT_TRUE(OverlayLayer::canLoad(fileUrl("/nowhere/a.png")));
    EXPECT_TRUE(OverlayLayer::canLoad(fileUrl("/nowhere/a.JPG")));
    EXPECT_TRUE(OverlayLayer::canLoad(fileUrl("/nowhere/a.mov")));
    EXPECT_TRUE(OverlayLayer::canLoad(fileUrl("/nowhere/a.mp4")));
    EXPECT_FALSE(OverlayLayer::canLoad(fileUrl("/nowhere/a.txt")));
    EXPECT_FALSE(OverlayLayer::canLoad(fileUrl("/nowhere/a.wav")));
    EXPECT_FALSE(OverlayLayer::canLoad(fileUrl("/nowhere/noextension")));
    EXPECT_FALSE(OverlayLayer::canLoad(fileUrl("/nowhere/a.unknownext")));
}

TEST(OverlayLayer, LoadingAStillSetsTheUrlAtOnceAndThePictureLater)
{
    test::ManualClock clock;
    auto layer = OverlayLayer::create(QStringLiteral("Layer 1"), clock);
    layer->setIsVisible(true);
    const QUrl png = fileUrl(test::mediaPath("still.png"));
    layer->load(png);
    EXPECT_EQ(layer->url(), png);
    EXPECT_FALSE(layer->isVisible()); // loading clears, which hides
    EXPECT_EQ(layer->fileName().value_or(QString()), QStringLiteral("still.png"));
    ASSERT_TRUE(test::waitUntil([&] { return !layer->image().isNull(); }));
    EXPECT_EQ(layer->image().size(), QSize(640, 360));
    EXPECT_EQ(layer->cgImage().size(), QSize(640, 360));
    EXPECT_EQ(layer->cgImage().format(), QImage::Format_ARGB32_Premultiplied);
    EXPECT_FALSE(layer->thumbnail().isNull());
}

TEST(OverlayLayer, AFileOfAnotherKindLeavesTheLayerAsItWas)
{
    test::ManualClock clock;
    auto layer = OverlayLayer::create(QStringLiteral("Layer 1"), clock);
    const QUrl png = fileUrl(test::mediaPath("still.png"));
    layer->load(png);
    layer->setIsVisible(true);
    layer->load(fileUrl(test::mediaPath("tone_half.wav")));
    EXPECT_EQ(layer->url(), png);
    EXPECT_TRUE(layer->isVisible());
}

TEST(OverlayLayer, TheMostRecentLoadWins)
{
    test::ManualClock clock;
    auto layer = OverlayLayer::create(QStringLiteral("Layer 1"), clock);
    layer->load(fileUrl(test::mediaPath("still.png")));
    layer->load(fileUrl(test::mediaPath("still.jpg")));
    int imageChanges = 0;
    QObject::connect(layer.get(), &OverlayLayer::imageChanged, [&] {
        if (!layer->image().isNull()) {
            ++imageChanges;
            EXPECT_EQ(layer->fileName().value_or(QString()), QStringLiteral("still.jpg"));
        }
    });
    ASSERT_TRUE(test::waitUntil([&] { return !layer->image().isNull(); }));
    EXPECT_EQ(imageChanges, 1);
}

TEST(OverlayLayer, AnUndecodableImageKeepsItsUrlWithoutAPicture)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("broken.png");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a picture");
    file.close();
    test::ManualClock clock;
    auto layer = OverlayLayer::create(QStringLiteral("Layer 1"), clock);
    bool thumbnailArrived = false;
    QObject::connect(layer.get(), &OverlayLayer::thumbnailChanged, [&] { thumbnailArrived = true; });
    layer->load(fileUrl(path));
    thumbnailArrived = false;
    ASSERT_TRUE(test::waitUntil([&] { return thumbnailArrived; }));
    EXPECT_TRUE(layer->hasContent());
    EXPECT_TRUE(layer->image().isNull());
    EXPECT_TRUE(layer->cgImage().isNull());
}

TEST(OverlayLayer, ResetTransformAndLoopsOnAStillTouchOnlyTheirOwnFields)
{
    test::ManualClock clock;
    auto layer = OverlayLayer::create(QStringLiteral("Layer 2"), clock);
    layer->load(fileUrl(test::mediaPath("still.png")));
    layer->setIsVisible(true);
    layer->setOpacity(0.3);
    layer->setScale(2.5);
    layer->setOffsetX(-0.2);
    layer->setOffsetY(0.4);
    int changes = 0;
    QObject::connect(layer.get(), &OverlayLayer::changed, [&] { ++changes; });
    layer->resetTransform();
    EXPECT_EQ(changes, 4);
    EXPECT_EQ(layer->opacity(), 1.0);
    EXPECT_EQ(layer->scale(), 1.0);
    EXPECT_EQ(layer->offsetX(), 0.0);
    EXPECT_EQ(layer->offsetY(), 0.0);
    EXPECT_TRUE(layer->isVisible());
    layer->setLoops(true);
    EXPECT_TRUE(layer->loops());
    EXPECT_TRUE(layer->hasContent());
    EXPECT_TRUE(layer->isVisible());
}
