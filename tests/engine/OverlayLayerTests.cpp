#include "engine/OverlayLayer.h"
#include "support/FakeMediaPlayer.h"
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

// A layer whose video players are fakes on the test's clock.
struct VideoLayer {
    test::ManualClock clock;
    std::vector<std::shared_ptr<test::FakeMediaPlayer>> made;
    std::shared_ptr<OverlayLayer> layer = OverlayLayer::create(QStringLiteral("Layer 1"), clock, [this] {
        auto player = std::make_shared<test::FakeMediaPlayer>(clock);
        made.push_back(player);
        return player;
    });
    test::FakeMediaPlayer& player() { return *made.back(); }
};

} // namespace

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
    auto layer = OverlayLayer::create(QStringLiteral("Layer 1"), clock, {});
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

TEST(OverlayLayer, AWebPStillKeepsItsTransparency)
{
    test::ManualClock clock;
    auto layer = OverlayLayer::create(QStringLiteral("Layer 1"), clock, {});
    layer->load(fileUrl(test::mediaPath("halves.webp")));
    ASSERT_TRUE(test::waitUntil([&] { return !layer->cgImage().isNull(); }));
    EXPECT_EQ(layer->cgImage().format(), QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(layer->cgImage().pixel(10, 20), 0u);
    EXPECT_EQ(qAlpha(layer->cgImage().pixel(50, 20)), 255);
}

TEST(OverlayLayer, AFileOfAnotherKindLeavesTheLayerAsItWas)
{
    test::ManualClock clock;
    auto layer = OverlayLayer::create(QStringLiteral("Layer 1"), clock, {});
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
    auto layer = OverlayLayer::create(QStringLiteral("Layer 1"), clock, {});
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
    auto layer = OverlayLayer::create(QStringLiteral("Layer 1"), clock, {});
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
    auto layer = OverlayLayer::create(QStringLiteral("Layer 2"), clock, {});
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

TEST(OverlayLayer, AVideoLoadsHiddenAndPausedAndStartsFromItsBeginningWhenShown)
{
    VideoLayer v;
    v.layer->setIsVisible(true);
    v.layer->load(fileUrl("/fake/overlay.mov"));
    EXPECT_FALSE(v.layer->isVisible());
    ASSERT_TRUE(v.layer->player());
    EXPECT_TRUE(v.player().isMuted());
    EXPECT_FALSE(v.player().isLooping());
    EXPECT_FALSE(v.player().isPlaying());
    EXPECT_TRUE(v.layer->image().isNull());

    v.layer->setIsVisible(true);
    ASSERT_FALSE(v.player().seeks.empty());
    EXPECT_EQ(v.player().seeks.back().first, 0.0);
    EXPECT_EQ(v.player().seeks.back().second, SeekTolerance::Zero);
    test::drainMainQueue(); // the seek completes
    EXPECT_TRUE(v.player().isPlaying());
}

TEST(OverlayLayer, HidingPausesTheVideoOnlyAfterTheFadeOut)
{
    VideoLayer v;
    v.layer->load(fileUrl("/fake/overlay.mov"));
    v.layer->setIsVisible(true);
    test::drainMainQueue();
    v.layer->setIsVisible(false);
    v.clock.advance(0.39);
    EXPECT_TRUE(v.player().isPlaying());
    v.clock.advance(0.02);
    EXPECT_FALSE(v.player().isPlaying());

    // Shown again within the fade-out: the pending pause does nothing, and
    // the video starts over.
    v.layer->setIsVisible(true);
    test::drainMainQueue();
    v.clock.advance(2.0);
    v.layer->setIsVisible(false);
    v.clock.advance(0.2);
    v.layer->setIsVisible(true);
    test::drainMainQueue();
    v.clock.advance(0.5);
    EXPECT_TRUE(v.player().isPlaying());
    EXPECT_NEAR(v.player().currentTime(), 0.5, 1e-9);
}

TEST(OverlayLayer, SwitchingLoopsRebuildsTheVideoPlayer)
{
    VideoLayer v;
    v.layer->load(fileUrl("/fake/overlay.mov"));
    auto first = v.layer->player();
    v.layer->setLoops(true);
    ASSERT_NE(v.layer->player(), first);
    EXPECT_TRUE(v.player().isLooping());
    EXPECT_FALSE(v.player().isPlaying()); // hidden: paused at its start
    v.layer->setIsVisible(true);
    test::drainMainQueue();
    auto looping = v.layer->player();
    v.layer->setLoops(true); // unchanged: no rebuild
    EXPECT_EQ(v.layer->player(), looping);
    v.layer->setLoops(false);
    EXPECT_TRUE(v.player().isPlaying()); // visible: the new player plays
    EXPECT_FALSE(v.player().isLooping());
}

TEST(OverlayLayer, ClearingAVisibleVideoHidesAndDropsItsPlayer)
{
    VideoLayer v;
    v.layer->load(fileUrl("/fake/overlay.mov"));
    v.layer->setIsVisible(true);
    test::drainMainQueue();
    auto player = v.made.back();
    v.layer->clear();
    EXPECT_FALSE(v.layer->isVisible());
    EXPECT_FALSE(v.layer->hasContent());
    EXPECT_EQ(v.layer->player(), nullptr);
    EXPECT_FALSE(player->isPlaying());
    v.clock.advance(1.0); // the delayed pause finds nothing to do
}

TEST(OverlayLayer, AVideoLayerGetsTheThumbnailOfItsFile)
{
    VideoLayer v;
    v.layer->load(fileUrl(test::mediaPath("clip_5s.mov")));
    ASSERT_TRUE(test::waitUntil([&] { return !v.layer->thumbnail().isNull(); }));
    EXPECT_LE(v.layer->thumbnail().width(), 160);
    EXPECT_TRUE(v.layer->image().isNull());
}
