#include "engine/OverlayFade.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace tessarin;

namespace {

TEST(OverlayFade, showingAtOpacity08AtTwentyFiveFramesRisesInFiveSteps)
{
    const double target = OverlayFade::target(true, 0.8);
    double alpha = 0.0;
    for (double expected : {0.16, 0.32, 0.48, 0.64, 0.8, 0.8}) {
        alpha = OverlayFade::step(alpha, target, 0.04);
        EXPECT_NEAR(alpha, expected, 1e-9);
    }
    // Hidden: it falls by the same steps and stops being drawn at 0.
    for (double expected : {0.64, 0.48, 0.32, 0.16}) {
        alpha = OverlayFade::step(alpha, OverlayFade::target(false, 0.8), 0.04);
        EXPECT_NEAR(alpha, expected, 1e-9);
        EXPECT_TRUE(OverlayFade::isDrawn(alpha));
    }
    alpha = OverlayFade::step(alpha, 0.0, 0.04);
    EXPECT_NEAR(alpha, 0.0, 1e-9);
    EXPECT_FALSE(OverlayFade::isDrawn(alpha));
    EXPECT_FALSE(OverlayFade::isDrawn(0.001));
}

TEST(OverlayFade, opacityChangesGlideAndBadTimesMoveNothing)
{
    EXPECT_DOUBLE_EQ(OverlayFade::step(1.0, 0.5, 0.05), 0.8);
    EXPECT_DOUBLE_EQ(OverlayFade::step(0.5, 1.0, 10.0), 1.0);
    EXPECT_DOUBLE_EQ(OverlayFade::step(0.5, 1.0, -1.0), 0.5);
    EXPECT_DOUBLE_EQ(OverlayFade::step(0.5, 1.0, std::numeric_limits<double>::quiet_NaN()), 0.5);
    EXPECT_DOUBLE_EQ(OverlayFade::step(std::numeric_limits<double>::quiet_NaN(), 0.7, 0.04), 0.7);
}

} // namespace
