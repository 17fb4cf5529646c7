// main() of every test executable: a QApplication on the offscreen platform
// (also when CTest lists the tests without the test environment), SIGPIPE
// ignored and the text field drop rule and the accessible interfaces
// installed as in the application, then GoogleTest.
#include "platform/ProcessEnd.h"
#include "platform/Workers.h"
#include "ui/kit/Accessibility.h"
#include "ui/kit/TextFieldDrops.h"

#include <QApplication>

#include <gmock/gmock.h>

#include <csignal>
#include <cstdlib>

int main(int argc, char** argv)
{
    std::signal(SIGPIPE, SIG_IGN);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    QApplication app(argc, argv);
    // The interface's own rules, as main() installs them.
    tessarin::installTextFieldDropRule(app);
    tessarin::installAccessibleInterfaces();
    // Analyses run at the test's own priority: the idle policy the program
    // gives them would, beside a busy process on every core, outlast any
    // test's wait for what they find. Tests of the lowering turn it on.
    tessarin::Workers::setLoweringEnabled(false);
    ::testing::InitGoogleMock(&argc, argv);
    const int status = RUN_ALL_TESTS();
    // Background work a test left running ends, and its threads are
    // joined, before static objects go.
    return tessarin::ProcessEnd::finish(status, 60.0);
}
