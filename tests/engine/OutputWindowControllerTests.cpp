#include "FakeDisplays.h"
#include "engine/OutputWindowController.h"
#include "platform/Localization.h"
#include "support/ManualClock.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QSignalSpy>

using namespace tessarin;

namespace {

class OutputWindowControllerTest : public ::testing::Test {
protected:
    const VideoMode desktop{2560, 1440, 60.0, 10};
    const VideoMode hd{1920, 1080, 50.0, 11};
    const VideoMode vga{640, 480, 60.0, 12};

    test::FakeDisplays fake;
    DisplayManager manager{fake};
    test::ManualClock clock;
    int contentsMade = 0;
    OutputWindowController controller{manager, clock, [this] {
                                          ++contentsMade;
                                          return new QLabel("program");
                                      }};

    void SetUp() override
    {
        fake.addScreen(1, "Built-in");
        fake.addScreen(2, "HDMI-1");
        fake.main = 1;
        fake.current[2] = desktop;
        fake.modeLists[2] = {desktop, hd, vga};
    }
    OutputDisplay hdmi() const { return manager.allDisplays().at(1); }
};

TEST_F(OutputWindowControllerTest, presentingWithoutAModeOpensAtOnceAndSwitchesNothing)
{
    controller.present(hdmi(), std::nullopt);
    ASSERT_TRUE(controller.window());
    EXPECT_TRUE(controller.window()->isVisible());
    EXPECT_EQ(controller.window()->geometry(), hdmi().screen->geometry());
    EXPECT_TRUE(controller.window()->windowFlags() & Qt::WindowTransparentForInput);
    EXPECT_EQ(contentsMade, 1);
    EXPECT_TRUE(controller.isActive());
    EXPECT_EQ(controller.activeDisplayName(), "HDMI-1");
    EXPECT_EQ(controller.activeModeLabel(), "Risoluzione attuale");
    // Its title is an interface text like any other (the English one when
    // the interface is in English).
    EXPECT_EQ(controller.window()->windowTitle(), "Uscita di Tessarin");
    ASSERT_TRUE(Localization::apply("en"));
    controller.present(hdmi(), std::nullopt);
    EXPECT_EQ(controller.window()->windowTitle(), "Tessarin output");
    Localization::apply("it");

    controller.stop();
    EXPECT_FALSE(controller.window());
    EXPECT_FALSE(controller.isActive());
    EXPECT_FALSE(controller.activeDisplayName());
    EXPECT_FALSE(controller.activeModeLabel());
    EXPECT_TRUE(fake.switches.empty());
}

TEST_F(OutputWindowControllerTest, presentingWithAModeSwitchesThenOpensAfterTheDisplaySettles)
{
    controller.present(hdmi(), DisplayVideoMode{hd});
    ASSERT_EQ(fake.switches.size(), 1u);
    EXPECT_EQ(fake.switches[0].mode, hd);
    EXPECT_FALSE(controller.window());
    EXPECT_FALSE(controller.isActive());

    clock.advance(0.59);
    EXPECT_FALSE(controller.window());
    clock.advance(0.02);
    ASSERT_TRUE(controller.window());
    EXPECT_TRUE(controller.isActive());
    EXPECT_EQ(controller.activeModeLabel(), "1920 × 1080 — 50 Hz");

    controller.stop();
    ASSERT_EQ(fake.switches.size(), 2u);
    EXPECT_EQ(fake.switches[1].screenId, 2u);
    EXPECT_EQ(fake.switches[1].mode, desktop);
    EXPECT_EQ(fake.current[2], desktop);
    controller.stop(); // nothing left to restore
    EXPECT_EQ(fake.switches.size(), 2u);
}

TEST_F(OutputWindowControllerTest, presentingAgainRestoresTheFirstModeBeforeTheSecondSwitch)
{
    controller.present(hdmi(), DisplayVideoMode{hd});
    clock.advance(0.6);
    controller.present(hdmi(), DisplayVideoMode{vga});
    ASSERT_EQ(fake.switches.size(), 3u);
    EXPECT_EQ(fake.switches[1].mode, desktop);
    EXPECT_EQ(fake.switches[2].mode, vga);
    EXPECT_FALSE(controller.window()); // the first window closed
    clock.advance(0.6);
    ASSERT_TRUE(controller.window());

    // Its original is the desktop mode, not the first output's mode.
    controller.stop();
    EXPECT_EQ(fake.current[2], desktop);
}

TEST_F(OutputWindowControllerTest, onlyTheLatestPresentOpensAWindowAndNoneAfterAStop)
{
    controller.present(hdmi(), DisplayVideoMode{hd});
    controller.stop();
    clock.advance(1.0);
    EXPECT_FALSE(controller.window());
    EXPECT_FALSE(controller.isActive());

    controller.present(hdmi(), DisplayVideoMode{hd});
    controller.present(hdmi(), std::nullopt); // replaces the waiting one
    ASSERT_TRUE(controller.window());
    QWidget* window = controller.window();
    clock.advance(1.0);
    EXPECT_EQ(controller.window(), window);
    EXPECT_EQ(contentsMade, 1);
    EXPECT_EQ(controller.activeModeLabel(), "Risoluzione attuale");
    EXPECT_EQ(fake.current[2], desktop);
}

TEST_F(OutputWindowControllerTest, quittingRestoresTheSwitchedMode)
{
    controller.present(hdmi(), DisplayVideoMode{hd});
    clock.advance(0.6);
    controller.applicationWillTerminate();
    EXPECT_EQ(fake.current[2], desktop);
    EXPECT_FALSE(controller.window());
}

TEST_F(OutputWindowControllerTest, aRefusedSwitchStillOpensTheWindowWithTheRequestedLabel)
{
    fake.refuse = true;
    controller.present(hdmi(), DisplayVideoMode{hd});
    clock.advance(0.6);
    ASSERT_TRUE(controller.window());
    EXPECT_EQ(controller.activeModeLabel(), "1920 × 1080 — 50 Hz");
}

// The output's display unplugged, on air or while it settles in its mode:
// the output stops before the platform moves its window onto the screen
// that is left (the operator's), says why once, and starts again only when
// asked. Another display unplugged leaves it as it is; a display already
// gone when asked for gets no window.
TEST_F(OutputWindowControllerTest, anUnpluggedDisplayStopsTheOutputAndNothingCoversTheScreenLeft)
{
    fake.addScreen(3, "DP-2");
    QSignalSpy interrupted(&controller, &OutputWindowController::interrupted);
    controller.present(hdmi(), std::nullopt);
    ASSERT_TRUE(controller.window());
    fake.unplug(3); // another display: the output stays
    EXPECT_TRUE(controller.isActive());
    EXPECT_TRUE(controller.window()->isVisible());

    EXPECT_TRUE(fake.unplug(2).empty());
    EXPECT_FALSE(controller.window());
    EXPECT_FALSE(controller.isActive());
    EXPECT_FALSE(controller.activeDisplayName());
    ASSERT_EQ(interrupted.size(), 1);
    EXPECT_EQ(interrupted[0][0].toString(), "Uscita interrotta: HDMI-1 è stato scollegato.");
    EXPECT_EQ(controller.interruption(), "Uscita interrotta: HDMI-1 è stato scollegato.");

    fake.plug(2, "HDMI-1");
    EXPECT_FALSE(controller.window());
    EXPECT_FALSE(controller.isActive());
    EXPECT_EQ(interrupted.size(), 1);
    controller.present(hdmi(), DisplayVideoMode{hd});
    EXPECT_FALSE(controller.interruption());
    fake.unplug(2);
    clock.advance(1.0);
    EXPECT_FALSE(controller.window());
    ASSERT_EQ(interrupted.size(), 2);
    EXPECT_EQ(controller.interruption(), "Uscita interrotta: HDMI-1 è stato scollegato.");

    const OutputDisplay gone{2, "HDMI-1", QGuiApplication::primaryScreen()};
    controller.present(gone, std::nullopt);
    EXPECT_FALSE(controller.window());
    EXPECT_FALSE(controller.isActive());
    EXPECT_EQ(controller.interruption(), "Uscita non avviata: HDMI-1 non è più collegato.");
    ASSERT_TRUE(Localization::apply("en"));
    fake.plug(2, "HDMI-1");
    controller.present(hdmi(), std::nullopt);
    fake.unplug(2);
    EXPECT_EQ(controller.interruption(), "Output stopped: HDMI-1 was disconnected.");
    Localization::apply("it");
}

// The operator's screen unplugged: Qt moves the main window to the primary
// screen, here the output's display, so the output stops first.
TEST_F(OutputWindowControllerTest, anOutputOnTheScreenTheOperatorsWindowMovesToStops)
{
    QWidget operatorWindow;
    operatorWindow.show();
    controller.setOperatorWindow(&operatorWindow);
    controller.present(hdmi(), std::nullopt);
    // All fake screens are one QScreen: the operator's window is on the
    // screen removed, and the primary left is the output's.
    EXPECT_TRUE(fake.unplug(1).empty());
    EXPECT_FALSE(controller.window());
    EXPECT_EQ(controller.interruption(), "Uscita interrotta: la finestra di Tessarin passa su HDMI-1.");
}

TEST(OutputWindowControllerLifetime, destroyingTheControllerRestoresTheMode)
{
    test::FakeDisplays fake;
    fake.addScreen(2, "HDMI-1");
    fake.current[2] = VideoMode{2560, 1440, 60.0, 10};
    DisplayManager manager(fake);
    test::ManualClock clock;
    {
        OutputWindowController controller(manager, clock, nullptr);
        controller.present(manager.allDisplays().front(), DisplayVideoMode{VideoMode{1920, 1080, 60.0, 11}});
    }
    EXPECT_EQ(fake.current[2].width, 2560);
    clock.advance(1.0); // the waiting show step went with the controller
}

// The settle step drops its own timer before it opens the window with what
// it captured: on the real clock, too, those captures live to the end.
TEST(OutputWindowControllerLifetime, theSettleStepOpensTheWindowOnTheRealClock)
{
    test::FakeDisplays fake;
    fake.addScreen(2, "HDMI-1");
    fake.current[2] = VideoMode{2560, 1440, 60.0, 10};
    DisplayManager manager(fake);
    OutputWindowController controller(manager, HostClock::shared(), [] { return new QLabel("program"); });
    controller.present(manager.allDisplays().front(), DisplayVideoMode{VideoMode{1280, 720, 60.0, 11}});
    ASSERT_TRUE(test::waitUntil([&] { return controller.window() != nullptr; }));
    EXPECT_EQ(controller.activeDisplayName(), "HDMI-1");
    EXPECT_EQ(controller.activeModeLabel(), "1280 × 720 — 60 Hz");
    controller.stop();
    EXPECT_EQ(fake.current[2].width, 2560);
}

} // namespace
