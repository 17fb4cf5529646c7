#include "platform/ChildProcess.h"
#include "platform/Displays.h"
#include "platform/XrandrDisplays.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QGuiApplication>

#include <poll.h>
#include <unistd.h>

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

// A private Xvfb server, started on a display number it picks itself and
// reports through -displayfd.
class XvfbServer {
public:
    XvfbServer()
    {
        if (!QFileInfo::exists("/usr/bin/Xvfb"))
            return;
        auto pipe = Pipe::create();
        if (!pipe)
            return;
        auto child = ChildProcess::spawn("/usr/bin/Xvfb",
                                         {"-displayfd", "3", "-nolisten", "tcp", "-screen", "0", "1280x720x24"},
                                         {{0, -1}, {1, -1}, {2, -1}, {3, pipe->writeEnd}});
        closeDescriptor(pipe->writeEnd);
        if (child) {
            process_ = std::move(*child);
            display_ = readDisplay(pipe->readEnd);
        }
        closeDescriptor(pipe->readEnd);
    }
    ~XvfbServer()
    {
        if (process_.running())
            process_.terminateAndWait(5.0);
    }
    // ":N", or empty when the server did not start.
    QByteArray display() const { return display_; }

private:
    static QByteArray readDisplay(int fd)
    {
        QByteArray number;
        pollfd p{fd, POLLIN, 0};
        while (poll(&p, 1, 20000) > 0) {
            char c;
            const ssize_t n = read(fd, &c, 1);
            if (n <= 0 || c == '\n')
                break;
            number.append(c);
        }
        return number.isEmpty() ? QByteArray() : ":" + number;
    }

    ChildProcess process_;
    QByteArray display_;
};

TEST(Displays, xrandrListsTheModesOfARealServer)
{
    XvfbServer server;
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
