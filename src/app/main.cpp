#include "app/AppLook.h"
#include "app/ContentView.h"
#include "platform/CaptureDevices.h"
#include "platform/Clock.h"
#include "platform/Displays.h"
#include "platform/Localization.h"
#include "platform/ProcessEnd.h"
#include "platform/Settings.h"
#include "show/ShowController.h"

#include <QApplication>

#include <csignal>

int main(int argc, char* argv[])
{
    // Writes to a pipe whose reader has gone (an ffmpeg child that ended)
    // must fail with EPIPE, not end the process. Before any thread starts.
    std::signal(SIGPIPE, SIG_IGN);

    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Vellumcast"));
    QApplication::setApplicationName(QStringLiteral("Vellumcast"));
    QApplication::setApplicationDisplayName(QStringLiteral("Tessarin"));
    QApplication::setApplicationVersion(QStringLiteral(TESSARIN_VERSION));

    tessarin::Settings settings;
    const QString language = settings.stringValue(QStringLiteral("Vellumcast.language")).value_or(QString());
    tessarin::Localization::apply(language == QLatin1String("en") || language == QLatin1String("it")
                                      ? language
                                      : tessarin::Localization::systemLanguage());
    tessarin::applyDarkLook(app);

    tessarin::ShowController& show = tessarin::ShowController::shared();
    tessarin::CaptureDevices captureDevices;
    const auto displays = tessarin::createDisplays();
    int status = 0;
    {
        tessarin::ContentView window(show, { settings, tessarin::HostClock::shared(), captureDevices, *displays });
        window.show();
        status = QApplication::exec();
    }
    // With the windows gone and before static objects go: sessions and
    // children stopped, every background thread joined.
    return tessarin::ProcessEnd::finish(status, 10.0);
}
