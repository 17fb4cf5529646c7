// Golden checks on composed frames: positions and values of pixels, not
// screenshots.
#include "platform/Compositor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace tessarin;

namespace {

constexpr uint32_t kBlack = 0xFF000000u;

uint32_t bgra(int r, int g, int b, int a = 255)
{
    return uint32_t(a) << 24 | uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b);
}
int red(uint32_t p) { return int(p >> 16 & 0xFF); }
int green(uint32_t p) { return int(p >> 8 & 0xFF); }
int blue(uint32_t p) { return int(p & 0xFF); }
int alphaOf(uint32_t p) { return int(p >> 24); }

uint32_t pixelOf(const VideoFrame& frame, int x, int y)
{
    return reinterpret_cast<const uint32_t*>(frame.constBits() + size_t(y) * frame.bytesPerLine())[x];
}

// A picture of one colour, with rectangles of others filled in.
struct Picture {
    std::shared_ptr<VideoFrame> frame;
    Picture(int w, int h, uint32_t colour) : frame(VideoFrame::create(w, h)) { fill(0, 0, w, h, colour); }
    void fill(int x0, int y0, int x1, int y1, uint32_t colour)
    {
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                reinterpret_cast<uint32_t*>(frame->bits() + size_t(y) * frame->bytesPerLine())[x] = colour;
    }
    BgraView view(bool opaque = true, uint64_t stillId = 0) const
    {
        BgraView v = BgraView::of(*frame, opaque);
        v.stillId = stillId;
        return v;
    }
};

class CompositorTest : public ::testing::Test {
protected:
    Compositor compositor{1920, 1080};
    std::shared_ptr<VideoFrame> frame = compositor.newFrame();

    uint32_t at(int x, int y) const { return pixelOf(*frame, x, y); }
    void expectNear(uint32_t actual, uint32_t expected, int tolerance = 1) const
    {
        EXPECT_NEAR(red(actual), red(expected), tolerance);
        EXPECT_NEAR(green(actual), green(expected), tolerance);
        EXPECT_NEAR(blue(actual), blue(expected), tolerance);
        EXPECT_NEAR(alphaOf(actual), alphaOf(expected), tolerance);
    }
};

TEST_F(CompositorTest, fitsAFourByThreePictureWithBarsOf240Pixels)
{
    ASSERT_TRUE(frame);
    const Picture picture(640, 480, bgra(200, 10, 10));
    const BgraView view = picture.view();
    compositor.drawBase(*frame, &view);
    for (int y : {0, 539, 1079}) {
        EXPECT_EQ(at(0, y), kBlack);
        EXPECT_EQ(at(239, y), kBlack);
        EXPECT_EQ(at(240, y), bgra(200, 10, 10));
        EXPECT_EQ(at(1679, y), bgra(200, 10, 10));
        EXPECT_EQ(at(1680, y), kBlack);
        EXPECT_EQ(at(1919, y), kBlack);
    }
}

TEST_F(CompositorTest, fillsTheFrameWithASixteenByNinePictureAndBlackWithoutOne)
{
    const Picture picture(1280, 720, bgra(10, 200, 10));
    const BgraView view = picture.view();
    compositor.drawBase(*frame, &view);
    for (auto [x, y] : {std::pair{0, 0}, {1919, 0}, {0, 1079}, {1919, 1079}, {960, 540}})
        EXPECT_EQ(at(x, y), bgra(10, 200, 10)) << x << "," << y;

    compositor.drawBase(*frame, nullptr);
    EXPECT_EQ(at(0, 0), kBlack);
    EXPECT_EQ(at(960, 540), kBlack);
    const BgraView empty;
    compositor.drawBase(*frame, &empty);
    EXPECT_EQ(at(960, 540), kBlack);
}

TEST_F(CompositorTest, transparentPartsOfTheBasePictureShowBlack)
{
    const Picture picture(1920, 1080, bgra(100, 50, 0, 128)); // premultiplied
    const BgraView view = picture.view(false);
    compositor.drawBase(*frame, &view);
    EXPECT_EQ(at(100, 100), bgra(100, 50, 0));
}

TEST_F(CompositorTest, crossfadeDrawsTheSecondPictureAtItsMixOverTheFirst)
{
    const Picture a(1920, 1080, bgra(200, 0, 0));
    const Picture b(1920, 1080, bgra(0, 0, 200));
    const BgraView va = a.view();
    compositor.drawBase(*frame, &va);
    compositor.drawOver(*frame, b.view(), {.alpha = 0.5});
    expectNear(at(500, 500), bgra(100, 0, 100));

    // An opaque picture at full strength covers the first, except where its
    // own fit leaves bars: there the first still shows, not black.
    const Picture narrow(640, 480, bgra(0, 0, 200));
    compositor.drawBase(*frame, &va);
    compositor.drawOver(*frame, narrow.view(), {.alpha = 1.0});
    EXPECT_EQ(at(100, 500), bgra(200, 0, 0));
    EXPECT_EQ(at(960, 500), bgra(0, 0, 200));
}

TEST_F(CompositorTest, fadeHalvesTheProgramAndLeavesOverlaysAtFullStrength)
{
    const Picture program(1920, 1080, bgra(200, 100, 50));
    const Picture overlay(1920, 1080, bgra(0, 240, 0));
    const BgraView view = program.view();

    // Folded into the program draw...
    compositor.drawBase(*frame, &view, Orientation::up, 0.5);
    compositor.drawOver(*frame, overlay.view(), {.scale = 0.5});
    EXPECT_EQ(at(10, 10), bgra(100, 50, 25));
    EXPECT_EQ(at(960, 540), bgra(0, 240, 0));

    // ...or as its own pass before the overlays: the same picture.
    compositor.drawBase(*frame, &view);
    compositor.scaleColour(*frame, 0.5);
    compositor.drawOver(*frame, overlay.view(), {.scale = 0.5});
    EXPECT_EQ(at(10, 10), bgra(100, 50, 25));
    EXPECT_EQ(at(960, 540), bgra(0, 240, 0));

    // Level 0: a black program under an overlay still at full strength.
    compositor.drawBase(*frame, &view, Orientation::up, 0.0);
    compositor.drawOver(*frame, overlay.view(), {.scale = 0.5, .alpha = 0.8});
    EXPECT_EQ(at(10, 10), kBlack);
    expectNear(at(960, 540), bgra(0, 192, 0));
}

TEST_F(CompositorTest, fadeAppliesToBothPlayersOfACrossfade)
{
    const Picture a(1920, 1080, bgra(200, 0, 0));
    const Picture b(1920, 1080, bgra(0, 0, 200));
    const BgraView va = a.view();
    compositor.drawBase(*frame, &va, Orientation::up, 0.5);
    compositor.drawOver(*frame, b.view(), {.alpha = 0.5, .colourScale = 0.5});
    expectNear(at(500, 500), bgra(50, 0, 50));
}

TEST_F(CompositorTest, theOnePassCrossfadeDrawsWhatTheTwoPassesDraw)
{
    // Pictures of one size (fused), of sizes a pixel off the frame (drawn at
    // their own size), and of different shapes (two passes): the same as
    // drawBase followed by drawOver, to the bit without a fade, within one
    // step with one.
    struct Case { int aw, ah, bw, bh; };
    for (const Case c : { Case{1920, 1080, 1920, 1080}, Case{1440, 1080, 1440, 1080}, Case{1919, 1080, 1919, 1080},
                          Case{1920, 1080, 640, 480} }) {
        SCOPED_TRACE(c.bw);
        Picture a(c.aw, c.ah, bgra(200, 100, 50));
        Picture b(c.bw, c.bh, bgra(10, 220, 90));
        a.fill(0, 0, c.aw / 3, c.ah / 2, bgra(255, 255, 255));
        b.fill(c.bw / 2, c.bh / 3, c.bw, c.bh, bgra(0, 0, 0));
        const BgraView va = a.view();
        for (const double fade : { 1.0, 0.7 }) {
            auto fused = compositor.newFrame();
            compositor.drawBaseCrossfade(*fused, &va, Orientation::up, b.view(), Orientation::up, 0.3, fade);
            compositor.drawBase(*frame, &va, Orientation::up, fade);
            compositor.drawOver(*frame, b.view(), { .alpha = 0.3, .colourScale = fade });
            const int tolerance = fade < 1.0 ? 1 : 0;
            int differing = 0;
            for (int y = 0; y < 1080; y += 7) {
                for (int x = 0; x < 1920; x += 5) {
                    const uint32_t p = pixelOf(*fused, x, y), q = at(x, y);
                    differing += std::abs(red(p) - red(q)) > tolerance || std::abs(green(p) - green(q)) > tolerance
                        || std::abs(blue(p) - blue(q)) > tolerance || alphaOf(p) != alphaOf(q);
                }
            }
            EXPECT_EQ(differing, 0) << "fade " << fade;
        }
    }
}

TEST_F(CompositorTest, scaledLayerLandsHalvedAndMovedRightAndDown)
{
    compositor.drawBase(*frame, nullptr);
    const Picture layer(1920, 1080, bgra(0, 200, 0));
    compositor.drawOver(*frame, layer.view(), {.scale = 0.5, .offsetX = 0.25, .offsetY = 0.1});
    // Halved about the centre it would cover x 480..1440, y 270..810; moved
    // 480 right and 108 down it covers x 960..1920, y 378..918.
    EXPECT_EQ(at(959, 600), kBlack);
    EXPECT_EQ(at(960, 600), bgra(0, 200, 0));
    EXPECT_EQ(at(1919, 600), bgra(0, 200, 0));
    EXPECT_EQ(at(1200, 377), kBlack);
    EXPECT_EQ(at(1200, 378), bgra(0, 200, 0));
    EXPECT_EQ(at(1200, 917), bgra(0, 200, 0));
    EXPECT_EQ(at(1200, 918), kBlack);
}

TEST_F(CompositorTest, negativeOffsetYMovesUpAndALayerPartlyOutsideIsClipped)
{
    compositor.drawBase(*frame, nullptr);
    const Picture layer(1920, 1080, bgra(0, 200, 0));
    compositor.drawOver(*frame, layer.view(), {.scale = 0.5, .offsetX = -0.5, .offsetY = -0.25});
    // x 480..1440 moved 960 left: 0..480; y 270..810 moved 270 up: 0..540.
    EXPECT_EQ(at(0, 0), bgra(0, 200, 0));
    EXPECT_EQ(at(479, 539), bgra(0, 200, 0));
    EXPECT_EQ(at(480, 100), kBlack);
    EXPECT_EQ(at(100, 540), kBlack);
}

TEST_F(CompositorTest, zoomedLayerShowsTheRightPartOfThePicture)
{
    // Left half red, right half blue, zoomed 4 times about the centre: the
    // frame shows the middle quarter, its left half red, its right half blue.
    Picture layer(1920, 1080, bgra(200, 0, 0));
    layer.fill(960, 0, 1920, 1080, bgra(0, 0, 200));
    compositor.drawBase(*frame, nullptr);
    compositor.drawOver(*frame, layer.view(), {.scale = 4.0});
    EXPECT_EQ(at(0, 540), bgra(200, 0, 0));
    EXPECT_EQ(at(950, 0), bgra(200, 0, 0));
    EXPECT_EQ(at(970, 1079), bgra(0, 0, 200));
    EXPECT_EQ(at(1919, 540), bgra(0, 0, 200));
}

TEST_F(CompositorTest, shrunkLayerKeepsItsSidesAndItsAlpha)
{
    // Scale 0.25: 480 x 270 at (720, 405); shrunk through the halving path.
    Picture layer(1920, 1080, bgra(100, 0, 0, 100));
    layer.fill(960, 0, 1920, 1080, bgra(0, 0, 200, 200));
    const Picture program(1920, 1080, bgra(0, 200, 0));
    const BgraView view = program.view();
    compositor.drawBase(*frame, &view);
    compositor.drawOver(*frame, layer.view(false), {.scale = 0.25});
    EXPECT_EQ(at(719, 500), bgra(0, 200, 0));
    expectNear(at(722, 500), bgra(100, 122, 0));
    expectNear(at(955, 500), bgra(100, 122, 0));
    expectNear(at(965, 500), bgra(0, 43, 200));
    expectNear(at(1199, 674), bgra(0, 43, 200));
    EXPECT_EQ(at(1200, 500), bgra(0, 200, 0));
    EXPECT_EQ(at(900, 675), bgra(0, 200, 0));
}

TEST_F(CompositorTest, turnedPictureIsTurnedBeforeFitting)
{
    // 640 x 360 with a red top-left quadrant; a quarter turn clockwise makes
    // it 360 x 640, fitted to 607.5 x 1080 at x 656.25, the red quadrant now
    // at its top right.
    Picture picture(640, 360, bgra(0, 0, 200));
    picture.fill(0, 0, 320, 180, bgra(200, 0, 0));
    const BgraView view = picture.view();
    compositor.drawBase(*frame, &view, Orientation::right);
    EXPECT_EQ(at(655, 540), kBlack);
    EXPECT_EQ(at(1264, 540), kBlack);
    EXPECT_EQ(at(1250, 10), bgra(200, 0, 0));
    EXPECT_EQ(at(670, 10), bgra(0, 0, 200));
    EXPECT_EQ(at(1250, 1070), bgra(0, 0, 200));

    compositor.drawBase(*frame, &view, Orientation::left); // red at bottom left
    EXPECT_EQ(at(670, 1070), bgra(200, 0, 0));
    EXPECT_EQ(at(1250, 10), bgra(0, 0, 200));

    compositor.drawBase(*frame, &view, Orientation::down); // red at bottom right, 16:9 fills
    EXPECT_EQ(at(1900, 1070), bgra(200, 0, 0));
    EXPECT_EQ(at(10, 10), bgra(0, 0, 200));
}

TEST_F(CompositorTest, overlayAlphaStepsGiveProportionalStrength)
{
    const Picture white(1920, 1080, bgra(255, 255, 255));
    for (double a : {0.16, 0.32, 0.48, 0.64, 0.8, 1.0}) {
        compositor.drawBase(*frame, nullptr);
        compositor.drawOver(*frame, white.view(), {.alpha = a});
        const int expected = int(std::lround(255 * a));
        EXPECT_NEAR(red(at(960, 540)), expected, 1) << a;
        EXPECT_EQ(alphaOf(at(960, 540)), 255);
    }
    compositor.drawBase(*frame, nullptr);
    compositor.drawOver(*frame, white.view(), {.alpha = 0.0});
    EXPECT_EQ(at(960, 540), kBlack);
}

TEST_F(CompositorTest, translucentOverlayKeepsItsOwnAlphaAndTransparentPartsLeaveTheProgram)
{
    const Picture program(1920, 1080, bgra(0, 0, 200));
    // Premultiplied red at half alpha in the top half, transparent below.
    Picture layer(1920, 1080, 0);
    layer.fill(0, 0, 1920, 540, bgra(128, 0, 0, 128));
    const BgraView view = program.view();
    compositor.drawBase(*frame, &view);
    compositor.drawOver(*frame, layer.view(false), {});
    expectNear(at(500, 100), bgra(128, 0, 100));
    EXPECT_EQ(at(500, 900), bgra(0, 0, 200));
    // The odd pixels at the end of a row (not a whole block) too.
    expectNear(at(1919, 100), bgra(128, 0, 100));

    compositor.drawBase(*frame, &view);
    compositor.drawOver(*frame, layer.view(false), {.alpha = 0.5});
    expectNear(at(500, 100), bgra(64, 0, 150));
}

TEST_F(CompositorTest, stillWithTransparentMarginsDrawsOnlyItsContent)
{
    // A logo in a transparent picture, drawn as is and halved, twice each
    // (the second time from what the first one kept).
    Picture logo(1920, 1080, 0);
    logo.fill(100, 800, 500, 900, bgra(128, 0, 0, 128));
    const Picture program(1920, 1080, bgra(0, 0, 200));
    const BgraView view = program.view();
    for (int pass = 0; pass < 2; ++pass) {
        compositor.drawBase(*frame, &view);
        compositor.drawOver(*frame, logo.view(false, 5), {});
        expectNear(at(100, 800), bgra(128, 0, 100));
        expectNear(at(499, 899), bgra(128, 0, 100));
        EXPECT_EQ(at(99, 850), bgra(0, 0, 200));
        EXPECT_EQ(at(500, 850), bgra(0, 0, 200));
        EXPECT_EQ(at(300, 900), bgra(0, 0, 200));

        compositor.drawBase(*frame, &view);
        compositor.drawOver(*frame, logo.view(false, 5), {.scale = 0.5});
        // Halved about the centre: x 530..730, y 670..720.
        expectNear(at(600, 700), bgra(128, 0, 100));
        EXPECT_EQ(at(520, 700), bgra(0, 0, 200));
        EXPECT_EQ(at(600, 730), bgra(0, 0, 200));
    }
}

TEST_F(CompositorTest, stillsAreScaledOnceAndNeverMixedUp)
{
    Picture first(640, 360, bgra(200, 0, 0));
    const Picture second(640, 360, bgra(0, 200, 0));
    compositor.drawBase(*frame, nullptr);
    compositor.drawOver(*frame, first.view(true, 1), {});
    EXPECT_EQ(at(960, 540), bgra(200, 0, 0));
    compositor.drawOver(*frame, second.view(true, 2), {});
    EXPECT_EQ(at(960, 540), bgra(0, 200, 0));
    compositor.drawOver(*frame, first.view(true, 1), {});
    EXPECT_EQ(at(960, 540), bgra(200, 0, 0));
    // The same id at another size is scaled anew.
    compositor.drawBase(*frame, nullptr);
    compositor.drawOver(*frame, first.view(true, 1), {.scale = 0.5});
    EXPECT_EQ(at(960, 540), bgra(200, 0, 0));
    EXPECT_EQ(at(100, 540), kBlack);
}

TEST_F(CompositorTest, badParametersDrawNothing)
{
    const Picture layer(1920, 1080, bgra(0, 200, 0));
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    compositor.drawBase(*frame, nullptr);
    compositor.drawOver(*frame, layer.view(), {.alpha = nan});
    compositor.drawOver(*frame, layer.view(), {.scale = nan});
    compositor.drawOver(*frame, layer.view(), {.scale = 0.0});
    compositor.drawOver(*frame, layer.view(), {.scale = -1.0});
    compositor.drawOver(*frame, layer.view(), {.offsetX = inf});
    compositor.drawOver(*frame, layer.view(), {.scale = 1e-9});
    compositor.drawOver(*frame, layer.view(), {.offsetX = 2.0});
    compositor.drawOver(*frame, BgraView{}, {});
    EXPECT_EQ(at(960, 540), kBlack);
    EXPECT_EQ(at(0, 0), kBlack);

    Compositor other(640, 360);
    auto small = other.newFrame();
    compositor.drawOver(*small, layer.view(), {}); // a frame of another size is left alone
}

TEST(CompositorFrames, releasedFramesAreReusedAndFramesOutliveTheCompositor)
{
    std::shared_ptr<VideoFrame> kept;
    {
        Compositor compositor(64, 32);
        auto first = compositor.newFrame();
        ASSERT_TRUE(first);
        EXPECT_EQ(first->width(), 64);
        EXPECT_EQ(first->bytesPerLine() % 64, 0);
        const uint8_t* pixels = first->constBits();
        first.reset();
        kept = compositor.newFrame();
        EXPECT_EQ(kept->constBits(), pixels);
        compositor.drawBase(*kept, nullptr);
    }
    EXPECT_EQ(pixelOf(*kept, 63, 31), kBlack);
    EXPECT_FALSE(Compositor(0, 0).newFrame());
}

} // namespace
