#include "ProgramTestSupport.h"
#include "engine/ProgramRenderer.h"
#include "support/ManualClock.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace tessarin;
using test::pixel;

#define EXPECT_PIXEL(frame, x, y, colour)                                                             \
    do {                                                                                              \
        const QColor actual_ = pixel(frame, x, y);                                                    \
        EXPECT_TRUE(test::near(actual_, colour)) << "at (" << (x) << ", " << (y) << "): "             \
                                                 << actual_.name(QColor::HexArgb).toStdString()       \
                                                 << " expected " << QColor(colour).name(QColor::HexArgb).toStdString(); \
    } while (0)

namespace {

const QColor red(255, 0, 0);
const QColor blue(0, 0, 255);
const QColor white(255, 255, 255);
const QColor black(0, 0, 0);

class ProgramRendererTest : public ::testing::Test {
protected:
    test::ManualClock clock;
    std::shared_ptr<test::FakeMediaPlayer> playerA = std::make_shared<test::FakeMediaPlayer>(clock);
    std::shared_ptr<test::FakeMediaPlayer> playerB = std::make_shared<test::FakeMediaPlayer>(clock);
    double fade = 1.0;
    double mix = 0.0;
    QImage live;
    double liveAskedAt = -1.0; // the time the live frame was last asked for
    ProgramRenderer renderer { sources(), 1920, 1080, 0.02, clock };

    ProgramSources sources()
    {
        ProgramSources s;
        s.playerA = playerA;
        s.playerB = playerB;
        s.liveFrame = [this](double time, double) {
            liveAskedAt = time;
            return live;
        };
        s.fadeLevel = [this] { return fade; };
        s.mix = [this] { return mix; };
        return s;
    }

    static RenderState::Layer stillLayer(QImage image, double opacity = 1.0)
    {
        RenderState::Layer layer;
        layer.id = QUuid::createUuid();
        layer.isVisible = true;
        layer.opacity = opacity;
        layer.cgImage = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        return layer;
    }
    static QImage solidImage(int w, int h, QColor colour)
    {
        QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
        image.fill(colour);
        return image;
    }
    // A frame after the layers had time to fade in fully.
    std::shared_ptr<VideoFrame> settledFrame()
    {
        renderer.nextFrame();
        clock.advance(1.0);
        return renderer.nextFrame();
    }
};

} // namespace

TEST_F(ProgramRendererTest, FitsPlayerPicturesWholeAndCentredOnBlack)
{
    test::showPicture(*playerA, test::solidFrame(640, 480, red));
    auto frame = renderer.nextFrame();
    ASSERT_TRUE(frame);
    ASSERT_EQ(frame->width(), 1920);
    ASSERT_EQ(frame->height(), 1080);
    // Scaled by 2.25 to 1440 x 1080: bars of 240 pixels left and right.
    EXPECT_PIXEL(*frame, 0, 540, black);
    EXPECT_PIXEL(*frame, 239, 540, black);
    EXPECT_PIXEL(*frame, 240, 0, red);
    EXPECT_PIXEL(*frame, 1679, 1079, red);
    EXPECT_PIXEL(*frame, 1680, 540, black);
    EXPECT_EQ(pixel(*frame, 0, 0).alpha(), 255);

    test::showPicture(*playerA, test::solidFrame(1280, 720, blue));
    frame = renderer.nextFrame();
    EXPECT_PIXEL(*frame, 0, 0, blue);
    EXPECT_PIXEL(*frame, 1919, 1079, blue);
}

TEST_F(ProgramRendererTest, TheMixSaysWhichPlayersAreInThePictureAndAPlayerWithoutOneCountsAsBlack)
{
    auto sourceA = test::showPicture(*playerA, test::solidFrame(1920, 1080, red));
    auto sourceB = test::showPicture(*playerB, test::solidFrame(640, 480, blue));

    mix = 0.0005; // no share: B is not even asked
    auto frame = renderer.nextFrame();
    EXPECT_PIXEL(*frame, 960, 540, red);
    EXPECT_EQ(sourceB->asks, 0);

    mix = 0.5; // a crossfade: B over A
    frame = renderer.nextFrame();
    EXPECT_PIXEL(*frame, 960, 540, QColor(128, 0, 128));
    EXPECT_PIXEL(*frame, 100, 540, red); // B's bars show A, not black

    mix = 0.9995; // B alone: A is no longer asked, B's bars are black
    const int asksOfA = sourceA->asks;
    frame = renderer.nextFrame();
    EXPECT_PIXEL(*frame, 960, 540, blue);
    EXPECT_PIXEL(*frame, 100, 540, black);
    EXPECT_EQ(sourceA->asks, asksOfA);

    // B on air without a picture (a sound-only item) while A still holds a
    // picture (the next item loaded ahead): black, never A.
    playerB->replaceCurrentItem(nullptr);
    mix = 1.0;
    frame = renderer.nextFrame();
    EXPECT_PIXEL(*frame, 960, 540, black);
    EXPECT_PIXEL(*frame, 100, 540, black);
    // Halfway through a crossfade into it: A at half strength under black.
    mix = 0.5;
    frame = renderer.nextFrame();
    EXPECT_PIXEL(*frame, 960, 540, QColor(128, 0, 0));
}

TEST_F(ProgramRendererTest, FadeDarkensTheProgramButNotTheOverlays)
{
    test::showPicture(*playerA, test::solidFrame(1920, 1080, QColor(200, 100, 50)));
    // An overlay covering the left half of the frame.
    RenderState state;
    auto overlay = stillLayer(solidImage(1920, 1080, Qt::transparent));
    QPainter(&overlay.cgImage).fillRect(0, 0, 960, 1080, white);
    state.layers.push_back(overlay);
    renderer.setState(state);

    fade = 0.999; // too little to show
    auto frame = settledFrame();
    EXPECT_PIXEL(*frame, 1500, 540, QColor(200, 100, 50));

    fade = 0.5;
    frame = renderer.nextFrame();
    EXPECT_PIXEL(*frame, 1500, 540, QColor(100, 50, 25));
    EXPECT_PIXEL(*frame, 400, 540, white);

    fade = 0.0;
    frame = renderer.nextFrame();
    EXPECT_PIXEL(*frame, 1500, 540, black);
    EXPECT_PIXEL(*frame, 400, 540, white);
}

TEST_F(ProgramRendererTest, LiveFrameReplacesThePlayersAndBlackWaitsForTheFirstOne)
{
    auto sourceA = test::showPicture(*playerA, test::solidFrame(1920, 1080, red));
    RenderState state;
    state.isLiveOnAir = true;
    state.layers.push_back(stillLayer(solidImage(192, 108, white)));
    state.layers.back().scale = 0.1; // a small square in the middle
    renderer.setState(state);

    auto frame = settledFrame();
    EXPECT_PIXEL(*frame, 100, 100, black); // no live frame yet: black, not player A
    EXPECT_PIXEL(*frame, 960, 540, white); // overlays on top all the same
    EXPECT_EQ(sourceA->asks, 0);

    live = QImage(640, 480, QImage::Format_RGB32);
    live.fill(QColor(0, 200, 0));
    frame = renderer.nextFrame();
    EXPECT_DOUBLE_EQ(liveAskedAt, clock.now() + 0.02) << "the live frame due a lookahead ahead, as the players'";
    EXPECT_PIXEL(*frame, 239, 540, black);
    EXPECT_PIXEL(*frame, 240, 540, QColor(0, 200, 0));
    EXPECT_PIXEL(*frame, 960, 540, white);

    state.isLiveOnAir = false;
    renderer.setState(state);
    frame = renderer.nextFrame();
    EXPECT_PIXEL(*frame, 100, 100, red);
}

TEST_F(ProgramRendererTest, OverlayAlphaMovesFourUnitsPerSecondWhateverTheFrameRate)
{
    test::showPicture(*playerA, test::solidFrame(1920, 1080, black));
    RenderState state;
    state.layers.push_back(stillLayer(solidImage(1920, 1080, white), 0.8));
    const QUuid id = state.layers[0].id;
    renderer.setState(state);

    const double up[] = { 0.16, 0.32, 0.48, 0.64, 0.8, 0.8 };
    for (double expected : up) {
        clock.advance(0.04);
        auto frame = renderer.nextFrame();
        EXPECT_NEAR(renderer.layerAlpha(id), expected, 1e-9);
        EXPECT_PIXEL(*frame, 960, 540, QColor::fromRgbF(float(expected), float(expected), float(expected)));
    }

    state.layers[0].isVisible = false;
    renderer.setState(state);
    const double down[] = { 0.64, 0.48, 0.32, 0.16, 0.0 };
    for (double expected : down) {
        clock.advance(0.04);
        auto frame = renderer.nextFrame();
        EXPECT_NEAR(renderer.layerAlpha(id), expected, 1e-9);
    }
    EXPECT_PIXEL(*renderer.nextFrame(), 960, 540, black);

    // An opacity change glides too, at the same rate.
    state.layers[0].isVisible = true;
    state.layers[0].opacity = 0.1;
    renderer.setState(state);
    clock.advance(0.01);
    renderer.nextFrame();
    EXPECT_NEAR(renderer.layerAlpha(id), 0.04, 1e-9);
}

TEST_F(ProgramRendererTest, LayerGeometryScalesAboutTheCentreThenMoves)
{
    test::showPicture(*playerA, test::solidFrame(1920, 1080, black));
    RenderState state;
    auto layer = stillLayer(solidImage(1920, 1080, white));
    layer.scale = 0.5;
    layer.offsetX = 0.25;
    layer.offsetY = 0.1;
    state.layers.push_back(layer);
    renderer.setState(state);

    // Halved about the centre: (480, 270) to (1440, 810); then 480 right and
    // 108 down: (960, 378) to (1920, 918).
    auto frame = settledFrame();
    EXPECT_PIXEL(*frame, 959, 600, black);
    EXPECT_PIXEL(*frame, 960, 600, white);
    EXPECT_PIXEL(*frame, 1919, 600, white);
    EXPECT_PIXEL(*frame, 1200, 377, black);
    EXPECT_PIXEL(*frame, 1200, 378, white);
    EXPECT_PIXEL(*frame, 1200, 917, white);
    EXPECT_PIXEL(*frame, 1200, 918, black);
}

TEST_F(ProgramRendererTest, RotatedVideoIsTurnedBeforeFitting)
{
    // Left half red, right half blue, stored as 640 x 360 and turned a
    // quarter clockwise: 360 x 640 upright, fitted to 607.5 x 1080, with the
    // left half on top.
    test::showPicture(*playerA, test::splitFrame(640, 360, red, blue), VideoTransform { 0, 1, -1, 0 });
    auto frame = renderer.nextFrame();
    EXPECT_PIXEL(*frame, 960, 200, red);
    EXPECT_PIXEL(*frame, 960, 900, blue);
    EXPECT_PIXEL(*frame, 650, 540, black);
    EXPECT_PIXEL(*frame, 1270, 540, black);

    EXPECT_EQ(PlayerFrameGrabber::orientationOf({ 0, -1, 1, 0 }), Orientation::left);
    EXPECT_EQ(PlayerFrameGrabber::orientationOf({ -1, 0, 0, -1 }), Orientation::down);
    EXPECT_EQ(PlayerFrameGrabber::orientationOf({ -1, 0, 0, 1 }), Orientation::up); // mirrored: not turned
}

TEST_F(ProgramRendererTest, StillImageWinsOverTheLayerPlayer)
{
    test::showPicture(*playerA, test::solidFrame(1920, 1080, black));
    auto overlayPlayer = std::make_shared<test::FakeMediaPlayer>(clock);
    auto overlaySource = test::showPicture(*overlayPlayer, test::solidFrame(1920, 1080, blue));
    RenderState state;
    auto layer = stillLayer(solidImage(1920, 1080, white));
    layer.player = overlayPlayer;
    state.layers.push_back(layer);
    renderer.setState(state);
    EXPECT_PIXEL(*settledFrame(), 960, 540, white);

    state.layers[0].cgImage = QImage();
    renderer.setState(state);
    EXPECT_PIXEL(*renderer.nextFrame(), 960, 540, blue);
    EXPECT_GT(overlaySource->asks, 0);
}

TEST_F(ProgramRendererTest, GrabberTakesItsOutputOffTheItemItLeaves)
{
    PlayerFrameGrabber grabber(playerA);
    test::showPicture(*playerA, test::solidFrame(64, 36, red));
    auto first = playerA->currentItem();
    ASSERT_TRUE(grabber.image(clock.now()));
    std::weak_ptr<VideoOutput> firstOutput = grabber.output();
    ASSERT_EQ(grabber.output()->item(), first);

    // Many item changes (as a looping overlay's player makes): each leaves
    // no output behind on the item it left.
    std::vector<std::shared_ptr<PlayerItem>> items { first };
    std::vector<std::weak_ptr<VideoOutput>> outputs { firstOutput };
    for (int i = 0; i < 20; ++i) {
        test::showPicture(*playerA, test::solidFrame(64, 36, i % 2 ? red : blue));
        auto picture = grabber.image(clock.now());
        ASSERT_TRUE(picture);
        EXPECT_EQ(test::pixel(*picture.frame, 0, 0), i % 2 ? red : blue);
        items.push_back(playerA->currentItem());
        outputs.push_back(grabber.output());
    }
    for (size_t i = 0; i + 1 < outputs.size(); ++i) {
        auto output = outputs[i].lock();
        EXPECT_TRUE(!output || !output->item()) << "output " << i << " still attached";
    }
    EXPECT_EQ(grabber.output()->item(), playerA->currentItem());

    // The player empties: nothing, and nothing attached.
    playerA->replaceCurrentItem(nullptr);
    EXPECT_FALSE(grabber.image(clock.now()));
    EXPECT_FALSE(grabber.output());
}

TEST_F(ProgramRendererTest, GrabberRepeatsTheLastFrameWhenNoNewOneIsDue)
{
    // Real item time on the fake player: frames change every 1/25 s.
    auto item = PlayerItem::create(QStringLiteral("/fake/clip.mov"));
    playerA->replaceCurrentItem(item);
    playerA->play();
    PlayerFrameGrabber grabber(playerA);
    auto first = grabber.image(clock.now());
    ASSERT_TRUE(first);
    EXPECT_EQ(grabber.image(clock.now()).frame, first.frame);
    clock.advance(0.05);
    auto second = grabber.image(clock.now());
    ASSERT_TRUE(second);
    EXPECT_NE(second.frame, first.frame);
}

TEST_F(ProgramRendererTest, LayerPlayerGoneOrReplacedGetsAFreshGrabber)
{
    test::showPicture(*playerA, test::solidFrame(1920, 1080, black));
    auto first = std::make_shared<test::FakeMediaPlayer>(clock);
    test::showPicture(*first, test::solidFrame(1920, 1080, red));
    RenderState state;
    RenderState::Layer layer;
    layer.id = QUuid::createUuid();
    layer.isVisible = true;
    layer.player = first;
    state.layers.push_back(layer);
    renderer.setState(state);
    EXPECT_PIXEL(*settledFrame(), 960, 540, red);

    // The layer's player is rebuilt (a loop switch): the new one is shown.
    auto second = std::make_shared<test::FakeMediaPlayer>(clock);
    test::showPicture(*second, test::solidFrame(1920, 1080, blue));
    state.layers[0].player = second;
    renderer.setState(state);
    first.reset();
    EXPECT_PIXEL(*renderer.nextFrame(), 960, 540, blue);

    // A layer without a player or still draws nothing.
    state.layers[0].player.reset();
    second.reset();
    renderer.setState(state);
    EXPECT_PIXEL(*renderer.nextFrame(), 960, 540, black);
}

TEST_F(ProgramRendererTest, UnchangedInputsGiveTheSameFrameToViews)
{
    test::showPicture(*playerA, test::solidFrame(320, 180, red));
    auto one = renderer.nextFrameIfChanged();
    ASSERT_TRUE(one);
    EXPECT_EQ(renderer.nextFrameIfChanged(), one);
    fade = 0.5;
    auto two = renderer.nextFrameIfChanged();
    EXPECT_NE(two, one);
    EXPECT_PIXEL(*two, 960, 540, QColor(128, 0, 0));
    renderer.invalidate();
    EXPECT_NE(renderer.nextFrameIfChanged(), two);
    // The stream always gets a buffer of its own.
    EXPECT_NE(renderer.nextFrame(), renderer.nextFrame());
}


TEST_F(ProgramRendererTest, AsksThePlayersForPicturesAtTheSizeTheyAreDrawn)
{
    // Player A turned a quarter, so its pictures (stored as coded) are asked
    // for transposed; player B upright; the overlay video at 0.35 of the frame.
    test::showPicture(*playerA, test::solidFrame(640, 360, red), VideoTransform { 0, 1, -1, 0 });
    test::showPicture(*playerB, test::solidFrame(640, 360, blue));
    mix = 0.5;
    auto overlayPlayer = std::make_shared<test::FakeMediaPlayer>(clock);
    test::showPicture(*overlayPlayer, test::solidFrame(1920, 1080, white));
    RenderState state;
    RenderState::Layer layer;
    layer.id = QUuid::createUuid();
    layer.isVisible = true;
    layer.player = overlayPlayer;
    layer.scale = 0.35;
    state.layers.push_back(layer);
    renderer.setState(state);
    settledFrame();
    EXPECT_EQ(playerA->currentItem()->pictureSizeLimit(), QSize(1080, 1920));
    EXPECT_EQ(playerB->currentItem()->pictureSizeLimit(), QSize(1920, 1080));
    EXPECT_EQ(overlayPlayer->currentItem()->pictureSizeLimit(), QSize(672, 378));

    // A second reader of the same item drawing it larger wins; one drawing
    // the pictures at their own size makes them come at that size.
    auto larger = std::make_shared<VideoOutput>();
    larger->setMaximumSize(QSize(2000, 900));
    playerB->currentItem()->addOutput(larger);
    EXPECT_EQ(playerB->currentItem()->pictureSizeLimit(), QSize(2000, 1080));
    auto own = std::make_shared<VideoOutput>();
    playerB->currentItem()->addOutput(own);
    EXPECT_EQ(playerB->currentItem()->pictureSizeLimit(), QSize());
    playerB->currentItem()->removeOutput(own);
    EXPECT_EQ(playerB->currentItem()->pictureSizeLimit(), QSize(2000, 1080));
}

TEST_F(ProgramRendererTest, AnOverlayVideoWithAlphaShowsTheProgramThroughItsClearParts)
{
    test::showPicture(*playerA, test::solidFrame(1920, 1080, red));
    auto overlayPlayer = std::make_shared<test::FakeMediaPlayer>(clock);
    // Left half clear (premultiplied: all zero), right half opaque blue.
    auto picture = VideoFrame::create(1920, 1080);
    for (int y = 0; y < 1080; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(picture->bits() + std::ptrdiff_t(y) * picture->bytesPerLine());
        for (int x = 0; x < 1920; ++x)
            row[x] = x < 960 ? 0u : 0xFF0000FFu;
    }
    picture->hasAlpha = true;
    test::showPicture(*overlayPlayer, picture);
    RenderState state;
    RenderState::Layer layer;
    layer.id = QUuid::createUuid();
    layer.isVisible = true;
    layer.player = overlayPlayer;
    state.layers.push_back(layer);
    renderer.setState(state);
    auto frame = settledFrame();
    EXPECT_PIXEL(*frame, 400, 540, red);
    EXPECT_PIXEL(*frame, 1500, 540, blue);
}
