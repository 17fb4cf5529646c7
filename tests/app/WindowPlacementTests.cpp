// Where the main window opens, on screens made up for each case, and its
// frame read back from the settings as it was written.
#include "app/MainWindowFrame.h"
#include "app/WindowPlacement.h"
#include "platform/Settings.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

using namespace tessarin;

namespace {

const WindowSizes kSizes { { 1440, 860 }, { 1120, 700 }, { 0, 30, 0, 0 } };
// A laptop's 1366 x 768 with a 32-pixel panel at the top, beside a 1920 x
// 1080 monitor at 150 % (1280 x 720 logical) on its right.
const PlacementScreen kLaptop { "eDP-1", { 0, 32, 1366, 736 } };
const PlacementScreen kScaled { "HDMI-1", { 1366, 0, 1280, 720 } };
const PlacementScreen kWide { "DP-1", { 0, 0, 1920, 1040 } };

struct Case {
    const char* what;
    std::vector<PlacementScreen> screens;
    std::optional<WindowFrame> kept;
    WindowFrame expected;
};

TEST(WindowPlacement, placesTheWindowInsideAScreensAvailableArea)
{
    const std::vector<Case> cases {
        { "first start on a screen with room: centred at the default size",
          { kWide }, std::nullopt, { "DP-1", { 240, 75 }, { 1440, 860 }, false } },
        { "first start on 1366 x 768: maximised, its own size within the area",
          { kLaptop, kWide }, std::nullopt, { "eDP-1", { 0, 32 }, { 1366, 706 }, true } },
        { "first start on 720 logical pixels: maximised, the minimum height its own",
          { kScaled }, std::nullopt, { "HDMI-1", { 1366, 0 }, { 1280, 700 }, true } },
        { "kept on a screen still there: where it was",
          { kLaptop, kWide }, WindowFrame { "DP-1", { 100, 50 }, { 1200, 800 }, false },
          { "DP-1", { 100, 50 }, { 1200, 800 }, false } },
        { "kept maximised: maximised again",
          { kWide }, WindowFrame { "DP-1", { 100, 50 }, { 1200, 800 }, true },
          { "DP-1", { 100, 50 }, { 1200, 800 }, true } },
        { "kept on a screen gone: centred on the first",
          { kWide }, WindowFrame { "HDMI-9", { 3000, 200 }, { 1200, 800 }, false },
          { "DP-1", { 360, 105 }, { 1200, 800 }, false } },
        { "kept larger than its screen now: shrunk and brought inside",
          { kLaptop }, WindowFrame { "eDP-1", { -40, 0 }, { 1900, 1000 }, false },
          { "eDP-1", { 0, 32 }, { 1366, 706 }, false } },
        { "kept partly off its screen: moved back in whole",
          { kWide }, WindowFrame { "DP-1", { 1500, 900 }, { 1200, 800 }, false },
          { "DP-1", { 720, 210 }, { 1200, 800 }, false } },
        { "kept below the minimum: the minimum",
          { kWide }, WindowFrame { "DP-1", { 10, 10 }, { 400, 300 }, false },
          { "DP-1", { 10, 10 }, { 1120, 700 }, false } },
        { "no screen at all: as kept",
          {}, WindowFrame { "DP-1", { 10, 10 }, { 1200, 800 }, false },
          { "DP-1", { 10, 10 }, { 1200, 800 }, false } },
    };
    for (const Case& c : cases) {
        const WindowFrame placed = placeWindow(c.screens, c.kept, kSizes);
        EXPECT_EQ(placed.screen, c.expected.screen) << c.what;
        EXPECT_EQ(placed.position, c.expected.position) << c.what;
        EXPECT_EQ(placed.size, c.expected.size) << c.what;
        EXPECT_EQ(placed.maximized, c.expected.maximized) << c.what;
    }
}

TEST(MainWindowFrame, readsBackWhatItWroteAndNothingFromAnUnreadableValue)
{
    QTemporaryDir dir;
    Settings settings(dir.filePath("settings.ini"));
    EXPECT_FALSE(MainWindowFrame::read(settings));
    const WindowFrame frame { "HDMI-1", { -1200, 40 }, { 1180, 710 }, true };
    MainWindowFrame::write(settings, frame);
    EXPECT_EQ(MainWindowFrame::read(settings), frame);
    EXPECT_EQ(settings.stringValue(MainWindowFrame::kGeometryKey), "-1200,40,1180,710");

    for (const char* bad : { "1,2,3", "a,b,c,d", "0,0,0,700", "" }) {
        settings.setString(MainWindowFrame::kGeometryKey, bad);
        EXPECT_FALSE(MainWindowFrame::read(settings)) << bad;
    }
}

} // namespace
