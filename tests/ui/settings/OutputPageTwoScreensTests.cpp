// The output page on a real X server with two screens (an Xvfb with two X
// screens, each a QScreen of its own): the external screen is offered, the
// output opens full screen on it from the page and closes again. Qt picks
// its platform once per process, so the test runs its inner half in a child
// of this test program on that server.
#include "engine/EngineFixture.h"
#include "engine/OutputWindowController.h"
#include "platform/ChildProcess.h"
#include "platform/Displays.h"
#include "support/Xvfb.h"
#include "ui/settings/OutputSettingsView.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QWindow>

using namespace tessarin;

namespace {

constexpr const char* kInnerFlag = "TESSARIN_TWO_SCREEN_TEST";

TEST(OutputPageOnTwoScreens, OpensTheOutputOnTheExternalScreenAndClosesIt)
{
    // Two X screens, each a QScreen of its own.
    test::XvfbServer server({QStringLiteral("1280x720x24"), QStringLiteral("1024x768x24")});
    if (server.display().isEmpty())
        GTEST_SKIP() << "Xvfb is not available";
    const CaptureResult run = runAndCapture(
        "/usr/bin/env",
        { QStringLiteral("DISPLAY=%1").arg(QString::fromLatin1(server.display())), "QT_QPA_PLATFORM=xcb",
          QStringLiteral("%1=1").arg(QString::fromLatin1(kInnerFlag)), QCoreApplication::applicationFilePath(),
          "--gtest_filter=OutputPageOnTwoScreensInner.*", "--gtest_also_run_disabled_tests" },
        120.0);
    ASSERT_TRUE(run.started);
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 0) << run.output.toStdString();
    EXPECT_TRUE(run.output.contains("[  PASSED  ] 1 test")) << run.output.toStdString();
}

class OutputPageOnTwoScreensInner : public test::EngineTest {
protected:
    void SetUp() override
    {
        if (!qEnvironmentVariableIsSet(kInnerFlag))
            GTEST_SKIP() << "runs inside OutputPageOnTwoScreens only";
        EngineTest::SetUp();
        makeEngine();
    }
};

TEST_F(OutputPageOnTwoScreensInner, Run)
{
    ASSERT_EQ(QGuiApplication::platformName(), "xcb");
    const auto screens = QGuiApplication::screens();
    ASSERT_EQ(screens.size(), 2) << "the server's two X screens are two QScreens";
    QScreen* external = screens[0] == QGuiApplication::primaryScreen() ? screens[1] : screens[0];

    auto displays = createDisplays();
    DisplayManager manager(*displays);
    OutputWindowController controller(manager, clock, [] { return new QLabel(QStringLiteral("program")); });
    OutputSettingsView page(controller, *engine);
    page.show();

    ASSERT_EQ(page.displays().size(), 1u) << "the main screen is not offered";
    EXPECT_EQ(page.displays().front().screen, external);
    ASSERT_TRUE(page.selectedDisplay());
    EXPECT_EQ(page.displayPicker()->count(), 1);
    EXPECT_EQ(page.displayPicker()->currentIndex(), 0);
    EXPECT_EQ(page.modePicker()->itemText(0), "Risoluzione attuale");
    EXPECT_FALSE(page.emptyLabel()->isVisible());
    ASSERT_TRUE(page.startButton()->isVisible());
    ASSERT_TRUE(page.startButton()->isEnabled());

    QTest::mouseClick(page.startButton(), Qt::LeftButton);
    ASSERT_TRUE(controller.isActive());
    QWidget* window = controller.window();
    ASSERT_TRUE(window);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    EXPECT_EQ(window->windowHandle()->screen(), external);
    EXPECT_EQ(window->geometry(), external->geometry());
    EXPECT_TRUE(window->windowState() & Qt::WindowFullScreen);
    EXPECT_TRUE(page.stopButton()->isVisible());
    EXPECT_FALSE(page.startButton()->isVisible());
    EXPECT_EQ(page.activeLabel()->text(),
              QStringLiteral("In uscita su %1 — Risoluzione attuale").arg(page.displays().front().name));

    QTest::mouseClick(page.stopButton(), Qt::LeftButton);
    EXPECT_FALSE(controller.isActive());
    EXPECT_FALSE(controller.window());
    EXPECT_TRUE(page.startButton()->isVisible());
}

} // namespace
