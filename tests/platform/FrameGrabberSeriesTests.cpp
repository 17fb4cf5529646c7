// A series of exact grabs on one grabber, as a dragged trim marker asks for
// them: each picture is the one shown at its time, whether the grabber
// decoded on from the previous time or sought again.
#include "platform/FrameGrabber.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tessarin::test {
namespace {

// frames.mp4 (25 fps, a key frame every 25) paints frame N with luma 16 + 4 × (N mod 50).
int frameNumberMod50(const QImage& image)
{
    const double luma = qGreen(image.pixel(image.width() / 2, image.height() / 2)) * 219.0 / 255.0 + 16.0;
    return static_cast<int>(std::lround((luma - 16.0) / 4.0));
}

} // namespace

TEST(FrameGrabberSeries, ExactGrabsForwardBackwardAndAcrossKeyFramesShowTheirFrame)
{
    FrameGrabber grabber(mediaPath(QStringLiteral("frames.mp4")), 0);
    // Forward within a run of frames, onto the next frame, across a key
    // frame, back again, far ahead, and the same time twice.
    for (int frame : { 10, 15, 16, 24, 30, 12, 0, 310, 311, 311, 349, 200 }) {
        const double time = frame / 25.0 + 0.001;
        const auto image = grabber.frame(time, QSize(64, 64), FrameGrabber::Tolerance::zero);
        ASSERT_TRUE(image) << "frame " << frame;
        EXPECT_EQ(frameNumberMod50(*image), frame % 50) << "asked for frame " << frame;
    }
    // A default-tolerance grab in between leaves the next exact one exact.
    ASSERT_TRUE(grabber.frame(5.0, QSize(64, 64)));
    const auto image = grabber.frame(5.5, QSize(64, 64), FrameGrabber::Tolerance::zero);
    ASSERT_TRUE(image);
    EXPECT_EQ(frameNumberMod50(*image), 137 % 50);
}

} // namespace tessarin::test
