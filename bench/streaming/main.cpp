// Streams 1080p30 for a while (60 s unless a number of seconds is given) to
// an RTMP receiver on the loopback and prints: the frame rate sent against
// the wall clock (target within 1 % of 30 per second), the pictures the
// receiver got (distinct pictures, so neither a frame the pipe repeated for
// one dropped nor one ffmpeg repeated to keep its rate counts) against the
// frames handed to the output while live (target: every one), frames dropped by the
// two-pending rule after going live (target 0), the render pump's lateness
// behind its deadlines at p50/p99/max (target p99 under 2 ms; lateness is
// the point there), this process's own CPU, children excluded (target under
// half a core), and the encoder child's CPU while live. It exits with 0 only
// when every target is met.
//
// The program is the real one: a PlaylistEngine playing a 1080p30 H.264/AAC
// item on the real player, both overlay layers shown (a still with alpha and
// a looping video, scaled and moved), composed by the program renderer, and
// the sound gathered by the program audio bus. The media are made with the
// ffmpeg program in the temporary folder on first use and kept.
#include "engine/PlaylistEngine.h"
#include "media/MediaBlock.h"
#include "media/MediaFile.h"
#include "platform/ChildProcess.h"
#include "platform/Settings.h"
#include "platform/player/AudioOutput.h"
#include "platform/player/FfmpegMediaPlayer.h"
#include "streaming/ProgramStreamSources.h"
#include "streaming/SecretStore.h"
#include "streaming/StreamManager.h"

#include "../common/EventWait.h"
#include "support/Loopback.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QUuid>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace tessarin;

namespace {

// Makes a file with the ffmpeg program unless it is there already.
QString makeMedia(const QString& name, const QString& args)
{
    const QString path = QDir::temp().filePath(QStringLiteral("tessarin_bench_") + name);
    if (QFile::exists(path))
        return path;
    const QString tmp = path + QStringLiteral(".part.") + QFileInfo(path).suffix();
    const CaptureResult made = runAndCapture("/bin/sh", { "-c",
        QStringLiteral("ffmpeg -nostdin -hide_banner -loglevel error -y %1 '%2'").arg(args, tmp) }, 600);
    if (made.exitCode.value_or(-1) != 0 || !QFile::rename(tmp, path)) {
        std::fprintf(stderr, "ffmpeg could not make %s\n", qPrintable(name));
        return {};
    }
    return path;
}

// CPU seconds (user and system) a running process has used so far, from
// /proc; -1 when it cannot be read.
double processCpuSeconds(pid_t pid)
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (pid <= 0 || !file.open(QIODevice::ReadOnly))
        return -1.0;
    const QByteArray stat = file.readAll();
    // Fields after the command name (which may hold spaces), from field 3 on.
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return -1.0;
    const double ticks = double(sysconf(_SC_CLK_TCK));
    return (fields[11].toDouble() + fields[12].toDouble()) / ticks; // utime, stime
}

double cpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage); // this process only, children excluded
    return double(usage.ru_utime.tv_sec) + usage.ru_utime.tv_usec / 1e6 + double(usage.ru_stime.tv_sec)
        + usage.ru_stime.tv_usec / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    std::signal(SIGPIPE, SIG_IGN);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    QGuiApplication app(argc, argv);
    const double seconds = argc > 1 ? std::max(5.0, std::atof(argv[1])) : 60.0;

    QTemporaryDir dir;
    // Never the user's own keychain entries.
    SecretStore::overrideServiceForTesting("bench." + QUuid::createUuid().toString(QUuid::WithoutBraces));
    Settings settings(dir.filePath("settings.ini"));

    // The program: a 1080p30 item longer than the run, a looping overlay
    // video and a still with alpha.
    const int clipSeconds = int(seconds) + 30;
    const QString clip = makeMedia(QStringLiteral("program_1080p30_%1s.mp4").arg(clipSeconds),
        QStringLiteral("-f lavfi -i testsrc2=size=1920x1080:rate=30:duration=%1 "
                       "-f lavfi -i sine=frequency=440:sample_rate=48000:duration=%1 "
                       "-c:v libx264 -preset veryfast -pix_fmt yuv420p -c:a aac -ac 2 -shortest").arg(clipSeconds));
    const QString overlayVideo = makeMedia(QStringLiteral("overlay_640x360_10s.mp4"),
        QStringLiteral("-f lavfi -i testsrc=size=640x360:rate=30:duration=10 -c:v libx264 -preset veryfast "
                       "-pix_fmt yuv420p -an"));
    if (clip.isEmpty() || overlayVideo.isEmpty())
        return 1;
    const QString still = dir.filePath("lower_third.png");
    {
        QImage image(1920, 1080, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.fillRect(100, 820, 1100, 160, QColor(20, 40, 160, 200));
        painter.fillRect(120, 840, 600, 40, QColor(255, 255, 255, 230));
        painter.end();
        image.save(still);
    }

    auto audioOutput = std::make_shared<SdlAudioOutput>(SdlAudioOutput::Options { QStringLiteral("dummy"), 512 });
    PlaylistEngine engine(HostClock::shared(), settings,
                          [audioOutput] { return std::make_shared<FfmpegMediaPlayer>(audioOutput, HostClock::shared()); },
                          audioOutput);
    auto item = MediaFile::create(QUrl::fromLocalFile(clip));
    item->setPlayableURL(QUrl::fromLocalFile(clip));
    item->setDuration(clipSeconds);
    auto block = std::make_shared<MediaBlock>(QStringLiteral("Bench"), QUuid::createUuid());
    block->setItems({ item });
    engine.setBlocks({ block });
    engine.setTransitionStyle(TransitionStyle::cut);

    const auto& layers = engine.overlays().layers();
    layers.at(0)->load(QUrl::fromLocalFile(still));
    layers.at(1)->setLoops(true);
    layers.at(1)->load(QUrl::fromLocalFile(overlayVideo));
    if (!bench::waitFor([&] { return !layers.at(0)->cgImage().isNull(); }, 20)) {
        std::fprintf(stderr, "the overlay still did not load\n");
        return 1;
    }
    layers.at(0)->setIsVisible(true);
    layers.at(1)->setScale(0.3);
    layers.at(1)->setOffsetX(0.3);
    layers.at(1)->setOffsetY(-0.3);
    layers.at(1)->setIsVisible(true);
    engine.play(block);
    if (!bench::waitFor([&] { return engine.isPlaying() && engine.playerA()->currentTime() > 0.5; }, 20)) {
        std::fprintf(stderr, "the program did not start playing\n");
        return 1;
    }

    const int port = test::freePort(SOCK_STREAM);
    const QString url = QStringLiteral("rtmp://127.0.0.1:%1/live/bench").arg(port);
    const QString received = dir.filePath("received.flv");
    auto receiver = ChildProcess::spawn("/usr/bin/ffmpeg",
                                        { "-hide_banner", "-loglevel", "error", "-nostdin", "-listen", "1", "-timeout",
                                          "30", "-i", url, "-c", "copy", "-y", received },
                                        {});
    if (!receiver || !bench::waitFor([&] { return test::listening(port, false); }, 20)) {
        std::fprintf(stderr, "the receiver did not start\n");
        return 1;
    }

    ProgramStreaming streaming = ProgramStreaming::create(settings, engine);
    StreamManager& manager = *streaming.manager;
    std::vector<std::int64_t> lateness;
    lateness.reserve(size_t(seconds * 30 * 2) + 1000);
    std::mutex latenessMutex;
    manager.setRenderLatenessObserver([&](std::int64_t ns) {
        std::lock_guard guard(latenessMutex);
        if (lateness.size() < lateness.capacity())
            lateness.push_back(ns);
    });
    manager.setFormat({ StreamFormat::Resolution::hd1080, StreamFormat::Scan::progressive, StreamFormat::Rate::r30 });
    StreamOutput& out = *manager.outputs()[0];
    out.setKind(StreamOutput::Kind::rtmp);
    out.setVideoCodec(StreamOutput::VideoCodec::h264);
    out.setBitrateKbps(6000);
    out.setUrl(url);

    manager.startPipeline();
    out.start(manager.format());
    if (!bench::waitFor([&] { return out.status().state != StreamOutput::Status::State::connecting; }, 30)
        || out.status().state != StreamOutput::Status::State::live) {
        std::fprintf(stderr, "did not go live: %s\n", qPrintable(out.status().message));
        receiver->terminateAndWait(2);
        return 1;
    }
    const long long sentAtLive = manager.counters().framesSent;
    const bool realtime = manager.isRenderRealtime();
    const long long droppedAtLive = out.droppedFrames();
    const pid_t encoder = out.processIds().second > 0 ? out.processIds().second : out.processIds().first;
    const double encoderCpuStart = processCpuSeconds(encoder);
    const double cpuStart = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    bench::waitFor([&] { return wall.elapsed() >= qint64(seconds * 1000) || !out.isActive(); }, seconds + 5);
    const double cpu = cpuSeconds() - cpuStart;
    const double encoderCpuEnd = processCpuSeconds(encoder);
    const double elapsed = wall.elapsed() / 1000.0;
    const double kbps = out.measuredKbps();
    const long long sent = manager.counters().framesSent;
    const long long dropped = out.droppedFrames();
    out.stop();
    bench::waitFor([&] { return !out.isActive(); }, 20);
    if (!receiver->wait(20)) {
        std::fprintf(stderr, "the receiver did not end with the stream; counting what it wrote so far\n");
        receiver->terminateAndWait(2);
    }
    out.setUrl("");

    const CaptureResult count = runAndCapture("/usr/bin/ffprobe",
                                              { "-v", "error", "-count_frames", "-select_streams", "v:0",
                                                "-show_entries", "stream=nb_read_frames", "-of", "csv=p=0", received },
                                              120);
    const long long frames = QString::fromUtf8(count.output).trimmed().toLongLong();
    // Distinct pictures: every program frame differs from the one before (the
    // item and the overlay video move on every frame), so a frame that
    // hardly differs from the one before it (mpdecimate's measure: a lossy
    // encoder does not repeat a picture bit for bit) is a repeat, not a
    // picture received.
    const CaptureResult hashes = runAndCapture("/usr/bin/ffmpeg",
                                               { "-nostdin", "-loglevel", "error", "-i", received, "-map", "0:v",
                                                 "-vf", "mpdecimate=max=0", "-f", "framemd5", "-" },
                                               300);
    long long pictures = 0;
    for (const QByteArray& line : hashes.output.split('\n')) {
        if (!line.isEmpty() && !line.startsWith('#'))
            ++pictures;
    }

    // A look at what arrived: one received picture as a PNG when asked for.
    if (const char* snapshot = std::getenv("BENCH_STREAMING_SNAPSHOT"))
        runAndCapture("/usr/bin/ffmpeg", { "-nostdin", "-loglevel", "error", "-y", "-ss", "3", "-i", received,
                                            "-frames:v", "1", QString::fromLocal8Bit(snapshot) }, 60);

    std::vector<std::int64_t> sorted;
    {
        std::lock_guard guard(latenessMutex);
        sorted = lateness;
    }
    std::sort(sorted.begin(), sorted.end());
    auto pct = [&](double p) {
        return sorted.empty() ? 0.0 : double(sorted[std::min(sorted.size() - 1, size_t(p * double(sorted.size())))]) / 1e6;
    };
    // Against the wall clock, not against what was sent: a pipeline that
    // falls behind sends fewer frames, and every one of them may still arrive.
    const double liveRate = elapsed > 0 ? double(sent - sentAtLive) / elapsed : 0.0;
    // Every picture handed to the output while live must be received (the
    // file holds those and what went in before, while connecting).
    const long long handedLive = sent - sentAtLive;
    const long long droppedLive = dropped - droppedAtLive;
    const double encoderCpu = encoderCpuStart >= 0 && encoderCpuEnd >= 0 ? encoderCpuEnd - encoderCpuStart : -1.0;
    const bool rateMet = std::abs(liveRate - 30.0) / 30.0 <= 0.01;
    const bool receivedMet = pictures >= handedLive;
    const bool droppedMet = droppedLive == 0;
    const bool latenessMet = pct(0.99) < 2.0;
    const bool cpuMet = cpu / elapsed < 0.5;
    auto verdict = [](bool met) { return met ? "met" : "NOT met"; };
    std::printf("streamed           %.1f s (1080p30, libx264, 6000 kbit/s, RTMP on the loopback)\n", elapsed);
    std::printf("program            1080p30 item on the real player, a still and a looping video overlay\n");
    std::printf("frames sent        %lld (%lld after going live)\n", sent, sent - sentAtLive);
    std::printf("frame rate         %.2f frames a second sent over %.1f s of wall clock while live (%.2f %% off 30; "
                "target within 1 %%: %s)\n",
                liveRate, elapsed, 100.0 * std::abs(liveRate - 30.0) / 30.0, verdict(rateMet));
    std::printf("pictures received  %lld distinct in the %lld frames of the received file, against %lld handed to the "
                "output while live (%lld in all) (target: at least every one handed while live: %s)\n",
                pictures, frames, handedLive, sent, verdict(receivedMet));
    std::printf("frames dropped     %lld by the two-pending rule after going live (target 0: %s), %lld before\n",
                droppedLive, verdict(droppedMet), droppedAtLive);
    std::printf("render lateness    p50 %.3f ms, p99 %.3f ms, max %.3f ms over %zu ticks (target p99 < 2 ms: %s)\n",
                pct(0.5), pct(0.99), sorted.empty() ? 0.0 : double(sorted.back()) / 1e6, sorted.size(),
                verdict(latenessMet));
    std::printf("render priority    %s\n", realtime ? "real-time (SCHED_FIFO 1)" : "normal (real-time not allowed here)");
    std::printf("own CPU            %.2f cores, children excluded (target < 0.5: %s), of which playback\n"
                "                   (decoding the item and the overlay video) is part\n", cpu / elapsed, verdict(cpuMet));
    std::printf("encoder CPU        %.2f cores (the ffmpeg child, pid %d, while live; printed only)\n",
                encoderCpu >= 0 ? encoderCpu / elapsed : -1.0, int(encoder));
    std::printf("measured rate      %.0f kbit/s (last reading before stop)\n", kbps);
    std::printf("load average       %.1f\n", [] {
        double load[1] = { 0 };
        return getloadavg(load, 1) == 1 ? load[0] : -1.0;
    }());
    const bool met = rateMet && receivedMet && droppedMet && latenessMet && cpuMet;
    std::printf("%s\n", met ? "all targets met" : "some targets NOT met");
    return met ? 0 : 2;
}
