#include "app/AppIdentity.h"
#include "app/AppLook.h"
#include "app/CloseRequests.h"
#include "app/CommandLine.h"
#include "app/ContentView.h"
#include "app/MainWindowFrame.h"
#include "engine/OutputWindowController.h"
#include "platform/AllocatorSettings.h"
#include "platform/CaptureDevices.h"
#include "platform/Clock.h"
#include "platform/Displays.h"
#include "platform/FFmpegLog.h"
#include "platform/ImagePool.h"
#include "platform/RealtimeScheduling.h"
#include "platform/Localization.h"
#include "platform/ProcessEnd.h"
#include "platform/Settings.h"
#include "platform/SingleInstance.h"
#include "platform/TerminationSignals.h"
#include "platform/Workers.h"
#include "platform/player/AudioOutput.h"
#include "platform/player/FfmpegMediaPlayer.h"
#include "show/ShowController.h"
#include "ui/kit/Accessibility.h"
#include "ui/kit/TextFieldDrops.h"
#include "ui/settings/AppLanguage.h"
#include "ui/settings/SettingsWindowController.h"

#include <QApplication>
#include <QIcon>

#include <csignal>
#include <cstdio>


int main(int argc, char* argv[])
{
    // First of all: a request to end (SIGTERM, SIGINT, SIGHUP) at any moment
    // of the start is kept, not fatal, and answered once the program can.
    tessarin::TerminationSignals::catchEarly();
    // Before any thread starts, so every thread's allocations follow them.
    tessarin::applyAllocatorSettings();
    tessarin::SdlAudioOutput::prepareServerBuffer();
    tessarin::AppIdentity::apply();
    // Help and version need no display: answered before the application.
    if (const auto status = tessarin::CommandLine::answerBeforeStart(argc, argv))
        return *status;
    // Writes to a pipe whose reader has gone (an ffmpeg child that ended)
    // must fail with EPIPE, not end the process. Before any thread starts.
    std::signal(SIGPIPE, SIG_IGN);
    tessarin::FFmpegLog::apply();

    QApplication app(argc, argv);
    tessarin::prepareImagePool();
    tessarin::Workers::prepareThreads();
    // The operator's takes and the interface run here: where the process
    // may, this thread is raised as the sound's reader is, and what it
    // makes starts at the process's priority.
    tessarin::raiseMainThreadPriority();
    // What Qt leaves of the arguments once it has taken its own options.
    const auto commandLine = tessarin::CommandLine::read(QApplication::arguments());
    if (commandLine.request != tessarin::CommandLine::Request::run)
        return tessarin::CommandLine::answer(commandLine);
    const QString showGiven = commandLine.showPath();

    QApplication::setWindowIcon(QIcon(QStringLiteral(":/tessarin.svg")));

    // Asked to end while it started: nothing has begun yet that needs ending.
    if (tessarin::TerminationSignals::arrived())
        return 0;

    // A second start brings the running window forward, with the show it was
    // given, and ends: two programs would open the same show and fight over
    // the sound device.
    tessarin::SingleInstance instance;
    if (!instance.claim()) {
        const bool answered = showGiven.isEmpty()
            ? tessarin::SingleInstance::activateRunning(QDBusConnection::sessionBus())
            : tessarin::SingleInstance::openInRunning(QDBusConnection::sessionBus(), showGiven);
        if (!answered)
            std::fprintf(stderr, "Tessarin is already running but did not answer\n");
        return 0;
    }

    tessarin::Settings settings;
    const auto language = tessarin::AppLanguage::effective(settings);
    tessarin::Localization::apply(tessarin::AppLanguage::rawValue(language));
    tessarin::applyDarkLook(app);
    tessarin::installTextFieldDropRule(app);
    tessarin::installAccessibleInterfaces();

    tessarin::ShowController& show = tessarin::ShowController::shared();
    if (!showGiven.isEmpty())
        show.openFile(showGiven);
    tessarin::CaptureDevices captureDevices;
    const auto displays = tessarin::createDisplays();
    int status = 0;
    // A request to end from outside (logout, shutdown, Ctrl+C, a closed
    // terminal) ends every event loop, open questions and panels included,
    // and then takes the same way out as the quit command, asking nothing:
    // unsaved changes are not written anywhere.
    bool endedFromOutside = false;
    // Once the end is decided nothing may hold the process for ever: an
    // operator who finds it still running (holding the sound device, a
    // listening port, the session's single-instance name) cannot start again.
    // The deadline is armed in the signal handler itself, so a main thread
    // that does not answer cannot hold the end either.
    constexpr double kEndSeconds = 20.0;
    tessarin::ProcessEnd::prepare(kEndSeconds);
    tessarin::TerminationSignals::install(
        [&endedFromOutside](int) {
            tessarin::ProcessEnd::begin(kEndSeconds);
            endedFromOutside = true;
            QCoreApplication::exit(0);
        },
        &tessarin::ProcessEnd::beginFromSignal);
    {
        tessarin::ContentView window(show, { settings, tessarin::HostClock::shared(), captureDevices, *displays });
        // A language relaunch quits through the window's quit rule.
        tessarin::AppLanguage::setQuitRequest([&window] { return window.close(); });
        QObject::connect(&instance, &tessarin::SingleInstance::activationRequested, &window, [&window] {
            window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
            window.show();
            window.raise();
            window.activateWindow();
        });
        QObject::connect(&instance, &tessarin::SingleInstance::openRequested, &window,
                         [&show](const QString& path) { show.openFile(path); });
        // Closing the main window ends the program. Qt's quit request is
        // refused while another window declines to close; the end is not.
        QObject::connect(&window, &tessarin::ContentView::quitConfirmed, &window, [] {
            tessarin::ProcessEnd::begin(kEndSeconds);
            QMetaObject::invokeMethod(QCoreApplication::instance(), [] { QCoreApplication::exit(0); },
                                      Qt::QueuedConnection);
        });
        const auto closeRequests = tessarin::CloseRequests::install(window);
        // Where the operator left it, within the screens there are now.
        new tessarin::MainWindowFrame(window, settings,
                                      { { tessarin::ContentView::kDefaultWidth, tessarin::ContentView::kDefaultHeight },
                                        { tessarin::ContentView::kMinimumWidth, tessarin::ContentView::kMinimumHeight },
                                        tessarin::MainWindowFrame::kFrameEstimate });
        window.show();
        // An end asked for in an event loop run before this one (a question
        // at start) has ended that loop already.
        if (!endedFromOutside)
            status = QApplication::exec();
        tessarin::ProcessEnd::mark("the windows' teardown");
        tessarin::AppLanguage::setQuitRequest({});
        if (endedFromOutside) {
            tessarin::SettingsWindowController::shared().close();
            window.outputWindowController().stop();
        }
    }
    // The language relaunch's new start waits for this process to be gone,
    // so it is arranged now, before a shutdown that might have to be cut short.
    tessarin::ProcessEnd::mark("the language relaunch");
    if (!endedFromOutside)
        tessarin::AppLanguage::startPendingRelaunch(QApplication::applicationFilePath(), QApplication::applicationPid());
    // For the busy-machine sound benchmark: how often the feeding side of
    // the sound fell behind the device.
    if (qEnvironmentVariableIsSet("TESSARIN_SOUND_REPORT"))
        std::fprintf(stderr, "sound: %llu renders found an item's decoded sound run short\n",
                     static_cast<unsigned long long>(tessarin::FfmpegMediaPlayer::soundShortRenders()));
    // With the windows gone and before static objects go: sessions and
    // children stopped, every background thread joined.
    return tessarin::ProcessEnd::finish(status, 10.0);
}
