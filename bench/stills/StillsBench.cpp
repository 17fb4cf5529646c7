// The real program started on a show of distinct 1080p stills, each of which
// it turns into a clip: its peak resident memory and peak thread count while
// it prepares them, and the time from its start until every clip is in its
// cache folder. Goals: under 1,500 MB and under 150 threads.
//   stills_bench [--stills=N] [--work=FOLDER] [--binary=PATH]
// The stills (200 by default, JPEG, 1920 x 1080, each a different picture)
// are made with ffmpeg in FOLDER (default: tessarin-bench-media/stills in the
// temporary folder) on first use and kept; the program (this build's, or
// PATH) runs offscreen with settings and a cache folder of its own, so every
// clip is rendered anew. A program past 4,000 MB is stopped there, so that a
// build that misses the goal does not take a shared machine's memory.
#include "show/ShowDocument.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>
#include <QUuid>

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

using namespace tessarin;

namespace {

struct Status {
    double residentMB = 0, peakMB = 0;
    int threads = 0;
};

Status statusOf(qint64 pid)
{
    QFile file(QStringLiteral("/proc/%1/status").arg(pid));
    Status s;
    if (!file.open(QIODevice::ReadOnly))
        return s;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QByteArray value = line.mid(line.indexOf(':') + 1).trimmed().split(' ').value(0);
        if (line.startsWith("VmRSS:"))
            s.residentMB = value.toDouble() / 1024.0;
        else if (line.startsWith("VmHWM:"))
            s.peakMB = value.toDouble() / 1024.0;
        else if (line.startsWith("Threads:"))
            s.threads = value.toInt();
    }
    return s;
}

// CPU seconds the process has used (user and system).
double cpuSecondsOf(qint64 pid)
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray stat = file.readAll();
    // Fields after the command's closing parenthesis, from the third on.
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return 0;
    return (fields[11].toDouble() + fields[12].toDouble()) / double(sysconf(_SC_CLK_TCK));
}

QString loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll().split(' ').mid(0, 3).join(' '))
                                          : QStringLiteral("?");
}

// N distinct 1080p JPEGs: frames of a moving test pattern with grain, so
// that each encodes like a photo rather than a flat card.
QStringList makeStills(const QString& folder, int count)
{
    QDir().mkpath(folder);
    QStringList paths;
    for (int i = 1; i <= count; ++i)
        paths << folder + QStringLiteral("/still-%1.jpg").arg(i, 4, 10, QLatin1Char('0'));
    if (std::all_of(paths.begin(), paths.end(), [](const QString& p) { return QFile::exists(p); }))
        return paths;
    std::printf("making %d stills in %s\n", count, qPrintable(folder));
    std::fflush(stdout);
    QProcess ffmpeg;
    ffmpeg.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {"-v", "error", "-y", "-f", "lavfi", "-i", "testsrc2=size=1920x1080:rate=25,noise=alls=10:allf=t",
                  "-frames:v", QString::number(count), "-q:v", "3", "-start_number", "1",
                  folder + QStringLiteral("/still-%04d.jpg")});
    if (!ffmpeg.waitForFinished(-1) || ffmpeg.exitCode() != 0) {
        std::fprintf(stderr, "ffmpeg could not make the stills\n");
        std::exit(2);
    }
    return paths;
}

QString writeShow(const QString& folder, const QStringList& stills)
{
    ShowDocument document;
    document.layers = {ShowDocument::Layer {}, ShowDocument::Layer {}};
    ShowDocument::Block block;
    block.id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    block.name = QStringLiteral("Foto");
    for (const QString& path : stills) {
        ShowDocument::Item item;
        item.path = path;
        item.loop = false;
        item.isMuted = false;
        item.gainDB = 0.0;
        item.inPoint = 0.0;
        item.imageDuration = 5.0;
        block.items.push_back(item);
        document.browser.push_back(item);
    }
    document.blocks.push_back(block);
    const QString show = folder + QStringLiteral("/stills.vellumcast");
    QFile file(show);
    if (!file.open(QIODevice::WriteOnly) || file.write(*document.toJson(ShowDocument::Layout::pretty)) < 0) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(show));
        std::exit(2);
    }
    return show;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int count = 200;
    QString work = QDir::tempPath() + QStringLiteral("/tessarin-bench-media/stills");
    QString binary = QStringLiteral(TESSARIN_APP_BINARY);
    for (const QString& arg : app.arguments().mid(1)) {
        if (arg.startsWith(QStringLiteral("--stills=")))
            count = std::max(1, arg.mid(9).toInt());
        else if (arg.startsWith(QStringLiteral("--work=")))
            work = arg.mid(7);
        else if (arg.startsWith(QStringLiteral("--binary=")))
            binary = arg.mid(9);
        else {
            std::fprintf(stderr, "usage: stills_bench [--stills=N] [--work=FOLDER] [--binary=PATH]\n");
            return 2;
        }
    }
    const QStringList stills = makeStills(work + QStringLiteral("/%1").arg(count), count);
    QTemporaryDir home;
    const QString show = writeShow(home.path(), stills);
    const QString clips = home.path() + QStringLiteral("/cache/Vellumcast/ImageClips");

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("dummy"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path() + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), home.path() + QStringLiteral("/cache"));
    env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS")); // no other instance to find
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.setStandardOutputFile(QProcess::nullDevice());
    const QString loadBefore = loadAverage();
    QElapsedTimer clock;
    clock.start();
    program.start(binary, {show});
    if (!program.waitForStarted()) {
        std::fprintf(stderr, "the program did not start\n");
        return 2;
    }
    const qint64 pid = program.processId();
    Status peak;
    int ready = 0;
    double readyAt = -1;
    double cpu = 0;
    const double limit = 600.0;
    bool stopped = false;
    while (clock.elapsed() / 1000.0 < limit && program.state() == QProcess::Running) {
        const Status now = statusOf(pid);
        peak.peakMB = std::max(peak.peakMB, now.peakMB);
        peak.threads = std::max(peak.threads, now.threads);
        if (now.residentMB > 4000.0) {
            stopped = true;
            break;
        }
        ready = int(QDir(clips).entryList({QStringLiteral("*.mov")}, QDir::Files).size());
        if (ready >= count) {
            readyAt = clock.elapsed() / 1000.0;
            cpu = cpuSecondsOf(pid);
            break;
        }
        QThread::msleep(20);
    }
    const Status end = statusOf(pid);
    ::kill(pid_t(pid), SIGTERM);
    if (!program.waitForFinished(30000)) {
        program.kill();
        program.waitForFinished();
    }
    const QString loadAfter = loadAverage();

    const bool memoryMet = peak.peakMB > 0 && peak.peakMB < 1500.0;
    const bool threadsMet = peak.threads > 0 && peak.threads < 150;
    std::printf("%d distinct 1080p stills (load average %s before, %s after, %d cores)\n", count,
                qPrintable(loadBefore), qPrintable(loadAfter), QThread::idealThreadCount());
    if (stopped)
        std::printf("  stopped past 4,000 MB after %.1f s, %d of %d clips ready\n", clock.elapsed() / 1000.0,
                    ready, count);
    else if (readyAt < 0)
        std::printf("  clips ready:   %d of %d after %.1f s (not all)\n", ready, count, clock.elapsed() / 1000.0);
    else
        std::printf("  all ready:     %.1f s from the program's start, %.1f s of its CPU\n", readyAt, cpu);
    std::printf("  peak memory:   %.0f MB (goal < 1500) %s\n", peak.peakMB, memoryMet ? "met" : "NOT MET");
    std::printf("  peak threads:  %d (goal < 150) %s\n", peak.threads, threadsMet ? "met" : "NOT MET");
    std::printf("  resident then: %.0f MB, %d threads\n", end.residentMB, end.threads);
    return readyAt >= 0 && memoryMet && threadsMet ? 0 : 1;
}
