// The application against its targets (run under an X server, e.g. xvfb-run):
//  - from the process start to the main window drawn: the time and the
//    resident memory then;
//  - a 1080p30 item on air in the real main window (monitor, meters and
//    timecodes visible): the process CPU against the player alone (the real
//    player and a 60 Hz reader of its pictures, as the player benchmark
//    measures it) on the same file in the same run, target at most 1.3; and
//    the main thread's lateness, probed by a 16 ms timer, p99 under 8 ms.
//   app_bench [SECONDS]   (20 s of playback each by default)
#include "../common/BenchClip.h"
#include "../common/MainThreadProfile.h"
#include "../common/NoDialogs.h"
#include "../common/ProcessAge.h"
#include "app/AppLook.h"
#include "app/ContentView.h"
#include "engine/MonitorView.h"
#include "engine/PlaylistEngine.h"
#include "media/MediaBlock.h"
#include "media/MediaFile.h"
#include "platform/CaptureDevices.h"
#include "platform/Clock.h"
#include "platform/Displays.h"
#include "platform/PeriodicThread.h"
#include "platform/ProcessEnd.h"
#include "platform/Settings.h"
#include "platform/Workers.h"
#include "platform/player/AudioOutput.h"
#include "platform/player/FfmpegMediaPlayer.h"
#include "platform/player/PlayerItem.h"
#include "platform/player/VideoFrame.h"
#include "platform/player/VideoOutput.h"
#include "show/ShowController.h"
#include "show/ShowDialogs.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace tessarin;

namespace {

double cpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// CPU seconds of the calling thread.
double threadCpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double residentMegabytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return -1;
}

// Runs the event loop (sleeping while idle) for seconds.
void runFor(double seconds)
{
    QEventLoop loop;
    QTimer::singleShot(int(seconds * 1000.0), &loop, &QEventLoop::quit);
    loop.exec();
}

// The player alone: the real player, SDL's dummy driver, a 60 Hz reader.
double playerAloneCpu(const QString& path, double seconds)
{
    const double before = cpuSeconds();
    // The machine's output, as the application's players use it (run with
    // SDL_AUDIODRIVER=dummy: SDL paces it in real time).
    auto output = SdlAudioOutput::shared();
    FfmpegMediaPlayer player(output, HostClock::shared());
    auto video = std::make_shared<VideoOutput>();
    auto item = PlayerItem::create(path);
    item->addOutput(video);
    player.replaceCurrentItem(item);
    while (item->status() == PlayerItem::Status::Unknown) {
        QCoreApplication::processEvents();
        QThread::msleep(5);
    }
    PeriodicThread reader;
    reader.start("bench.reader", PeriodicThread::Period {1000000000ull, 60}, [&] {
        const double t = video->itemTime(HostClock::monotonicSeconds());
        if (video->hasNewFrame(t))
            video->copyFrame(t);
    });
    const auto threadsBefore = bench::threadsCpu();
    player.play();
    runFor(seconds);
    bench::reportThreads("player alone", threadsBefore, bench::threadsCpu(), seconds);
    reader.stop();
    std::printf("player alone: played to %.1f s on SDL's %s driver\n", player.currentTime(),
                qPrintable(output->driverName()));
    player.pause();
    return cpuSeconds() - before;
}

} // namespace

int main(int argc, char* argv[])
{
    bench::ProfiledApplication app(argc, argv);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 20.0;
    QTemporaryDir dir;
    Settings settings(dir.filePath(QStringLiteral("settings.ini")));
    bench::NoDialogs dialogs;
    applyDarkLook(app);

    auto show = ShowController::create({settings, HostClock::shared(), dialogs,
                                        [] { return std::make_shared<FfmpegMediaPlayer>(); }, nullptr});
    CaptureDevices devices;
    const auto displays = createDisplays();
    int status = 0;
    {
        ContentView window(*show, {settings, HostClock::shared(), devices, *displays});
        window.show();
        QTest::qWaitForWindowExposed(&window);
        QCoreApplication::processEvents();
        const double started = bench::secondsSinceStart();
        const double resident = residentMegabytes();
        std::printf("start to a drawn main window: %.0f ms, resident memory %.0f MB\n", started * 1000.0, resident);

        for (const MonitorView* monitor : window.findChildren<MonitorView*>())
            std::printf("monitor: %d x %d (device pixel ratio %.2f)\n", monitor->width(), monitor->height(),
                        monitor->devicePixelRatioF());
        const QString path = bench::clip1080p();
        const double alone = playerAloneCpu(path, seconds);

        auto block = show->engine().addBlock();
        block->appendItems({MediaFile::create(QUrl::fromLocalFile(path))});
        // The item's analysis (length, thumbnail, waveform) is done before
        // the measure: the steady state of an item on air is measured.
        runFor(0.5);
        Workers::userInitiated().waitForIdle(60.0);
        runFor(0.5);
        std::vector<double> lateness;
        QElapsedTimer probeClock;
        probeClock.start();
        qint64 due = 0;
        QTimer probe;
        probe.setTimerType(Qt::PreciseTimer);
        probe.setInterval(16);
        QObject::connect(&probe, &QTimer::timeout, [&] {
            const qint64 now = probeClock.nsecsElapsed();
            if (due > 0)
                lateness.push_back(std::max<qint64>(0, now - due) / 1e6);
            due = now + 16'000'000;
        });
        const double before = cpuSeconds();
        const double mainBefore = threadCpuSeconds();
        show->engine().play(block);
        probe.start();
        const auto threadsBefore = bench::threadsCpu();
        app.startMeasure();
        runFor(seconds);
        app.stopMeasure();
        bench::reportThreads("application", threadsBefore, bench::threadsCpu(), seconds);
        probe.stop();
        const double appCpu = cpuSeconds() - before;
        const double mainCpu = threadCpuSeconds() - mainBefore;
        show->engine().stop();

        std::sort(lateness.begin(), lateness.end());
        const double p99 = lateness.empty() ? 0 : lateness[std::size_t(lateness.size() * 0.99)];
        const double ratio = alone > 0 ? appCpu / alone : 0;
        std::printf("1080p30 on air for %.0f s: CPU %.2f s in the application vs %.2f s for the player alone: "
                    "ratio %.2f (target <= 1.3)\n", seconds, appCpu, alone, ratio);
        std::printf("of which the main thread (views, engine, event loop): %.2f s\n", mainCpu);
        std::printf("main-thread lateness over %zu probes of 16 ms: median %.2f ms, p99 %.2f ms, max %.2f ms "
                    "(target p99 < 8 ms)\n", lateness.size(), lateness.empty() ? 0 : lateness[lateness.size() / 2],
                    p99, lateness.empty() ? 0 : lateness.back());
        app.report(seconds);
        status = ratio <= 1.3 && p99 < 8.0 ? 0 : 1;
    }
    show.reset();
    return ProcessEnd::finish(status, 10.0);
}
