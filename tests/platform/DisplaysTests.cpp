#include "platform/Displays.h"
#include "platform/XrandrDisplays.h"
#include "support/Xvfb.h"

#include <gtest/gtest.h>

#include <QGuiApplication>

#include <cmath>

using namespace tessarin;

namespace {

TEST(Displays, refreshRateComesFromTheTimingsAndZeroTotalsGiveZero)
{
    EXPECT_DOUBLE_EQ(modeRefreshRate(148500000, 2200, 1125), 60.0);
    EXPECT_NEAR(modeRefreshRate(148351648, 2200, 1125), 59.94, 0.001);
    EXPECT_DOUBLE_EQ(modeRefreshRate(74250000, 0, 750), 0.0);
    EXPECT_DOUBLE_EQ(modeRefreshRate(74250000, 1650, 0), 0.0);
    EXPECT_DOUBLE_EQ(modeRefreshRate(0, 0, 0), 0.0);
}

TEST(Displays, screenIdsAreStableAndDistinctPerName)
{
    EXPECT_EQ(screenIdFor("HDMI-1"), screenIdFor("HDMI-1"));
    EXPECT_NE(screenIdFor("HDMI-1"), screenIdFor("HDMI-2"));
}

// The tests run on the offscreen platform: its one screen is listed, it is
// the main one, and no mode is offered or switched.
TEST(Displays, offscreenListsTheScreensAndOffersNoModes)
{
    auto displays = createDisplays();
    const auto screens = displays->screens();
    ASSERT_EQ(screens.size(), size_t(QGuiApplication::screens().size()));
    ASSERT_FALSE(screens.empty());
    EXPECT_EQ(screens.front().screen, QGuiApplication::primaryScreen());
    EXPECT_FALSE(screens.front().name.isEmpty());
    EXPECT_EQ(displays->mainScreenId(), screens.front().id);
    EXPECT_TRUE(displays->modes(screens.front().id).empty());
    EXPECT_FALSE(displays->currentMode(screens.front().id));
    EXPECT_FALSE(displays->setMode(screens.front().id, VideoMode{1920, 1080, 60.0, 1}));
}

TEST(Displays, xrandrListsTheModesOfARealServer)
{
    test::XvfbServer server;
    if (server.display().isEmpty())
        GTEST_SKIP() << "Xvfb is not available";
    auto connection = XrandrConnection::open(server.display());
    ASSERT_TRUE(connection);
    const auto outputs = connection->outputs();
    ASSERT_FALSE(outputs.empty());
    const auto& output = outputs.front();
    EXPECT_FALSE(output.name.isEmpty());
    ASSERT_FALSE(output.modes.empty());
    for (const VideoMode& mode : output.modes) {
        EXPECT_GT(mode.width, 0);
        EXPECT_GT(mode.height, 0);
        EXPECT_TRUE(std::isfinite(mode.refreshRate));
        EXPECT_GE(mode.refreshRate, 0.0);
        EXPECT_NE(mode.nativeId, 0u);
    }
    ASSERT_TRUE(output.active);
    ASSERT_TRUE(output.current);
    EXPECT_EQ(output.current->width, 1280);
    EXPECT_EQ(output.current->height, 720);

    // Switching to the mode it has is accepted; a mode that is not the
    // output's, or an unknown output, is refused without harm.
    EXPECT_TRUE(connection->setMode(output.name, *output.current));
    VideoMode bogus = *output.current;
    bogus.nativeId = 0x7FFFFF;
    EXPECT_FALSE(connection->setMode(output.name, bogus));
    EXPECT_FALSE(connection->setMode("no-such-output", *output.current));
    EXPECT_EQ(connection->outputs().front().current, output.current);
}

TEST(Displays, xrandrRefusesAMissingServer)
{
    EXPECT_FALSE(XrandrConnection::open(":9876"));
}

} // namespace
