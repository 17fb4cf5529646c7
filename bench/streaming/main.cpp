// Streams 1080p30 for a while (60 s unless a number of seconds is given) to
// an RTMP receiver on the loopback and prints: the frame rate sent against
// the wall clock (target within 1 % of 30 per second); which of the frames
// handed to the output while live the receiver got (each frame is numbered
// on its way out, and the numbers are read back from the received file:
// target every one), how many arrived more than once and whether the item's
// own pictures (numbered in its clip) repeated or skipped; the frames the
// output did not carry after going live (target 0); the render pump's
// lateness behind its deadlines at p50/p99/max (target p99 under 2 ms;
// lateness is the point there); this process's own CPU, children excluded
// (target under half a core); and the encoder child's CPU while live. It
// exits with 0 only when every target is met.
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
#include "streaming/StreamSources.h"

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
#include <atomic>
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

// Each frame the pipeline takes from the program gets its own number, drawn
// as a row of black and white squares along the top edge (bit i in the
// square at x = i * kCodeSquare), so the received stream says which frame
// each of its pictures is, whatever the pictures show.
constexpr int kCodeSquare = 48;
constexpr int kCodeBits = 24;

class NumberedFrames final : public StreamFrameSource {
public:
    NumberedFrames(std::shared_ptr<StreamFrameSource> inner, std::shared_ptr<std::atomic<long long>> count)
        : inner_(std::move(inner))
        , count_(std::move(count))
    {
    }

    StreamFramePtr nextFrame() override
    {
        StreamFramePtr frame = inner_->nextFrame();
        if (!frame || !frame->bits() || frame->width() < kCodeSquare * kCodeBits || frame->height() < kCodeSquare)
            return frame;
        const long long number = count_->fetch_add(1);
        for (int bit = 0; bit < kCodeBits; ++bit) {
            const std::uint8_t value = (number >> bit) & 1 ? 255 : 0;
            for (int y = 0; y < kCodeSquare; ++y) {
                std::uint8_t* row = frame->bits() + qsizetype(y) * frame->bytesPerLine() + qsizetype(bit) * kCodeSquare * 4;
                for (int x = 0; x < kCodeSquare; ++x) {
                    row[x * 4] = row[x * 4 + 1] = row[x * 4 + 2] = value;
                    row[x * 4 + 3] = 255;
                }
            }
        }
        return frame;
    }

private:
    std::shared_ptr<StreamFrameSource> inner_;
    std::shared_ptr<std::atomic<long long>> count_;
};

// The numbers of every picture in a received file, in order: the frame's own
// (drawn by NumberedFrames, top row of squares) and the item's (its source
// clip carries its frame number the same way in the row below). Each square
// is averaged to one grey pixel by the decoder's area scaling, so the
// encoder's blur at the edges does not matter.
struct ReceivedNumbers {
    std::vector<long long> frame;
    std::vector<long long> item;
};

ReceivedNumbers readNumbers(const QString& file)
{
    const CaptureResult decoded = runAndCapture("/usr/bin/ffmpeg",
        { "-nostdin", "-loglevel", "error", "-i", file, "-map", "0:v", "-fps_mode", "passthrough", "-vf",
          QStringLiteral("crop=%1:%2:0:0,scale=%3:2:flags=area,format=gray")
              .arg(kCodeSquare * kCodeBits).arg(kCodeSquare * 2).arg(kCodeBits),
          "-f", "rawvideo", "-" },
        300);
    ReceivedNumbers numbers;
    const QByteArray& bytes = decoded.output;
    for (qsizetype at = 0; at + 2 * kCodeBits <= bytes.size(); at += 2 * kCodeBits) {
        long long frame = 0;
        long long item = 0;
        for (int bit = 0; bit < kCodeBits; ++bit) {
            if (std::uint8_t(bytes[at + bit]) >= 128)
                frame |= 1LL << bit;
            if (std::uint8_t(bytes[at + kCodeBits + bit]) >= 128)
                item |= 1LL << bit;
        }
        numbers.frame.push_back(frame);
        numbers.item.push_back(item);
    }
    return numbers;
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
    // The item carries its own frame number in the second row of squares.
    const QString clip = makeMedia(QStringLiteral("program_numbered_1080p30_%1s.mp4").arg(clipSeconds),
        QStringLiteral("-f lavfi -i \"nullsrc=size=%2x%3:rate=30:duration=%1,"
                       "geq=lum='255*mod(floor(N/pow(2,floor(X/%3))),2)':cb=128:cr=128,format=yuv420p[c];"
                       "testsrc2=size=1920x1080:rate=30:duration=%1[a];"
                       "[a][c]overlay=x=0:y=%3:format=yuv420[out0]\" "
                       "-f lavfi -i sine=frequency=440:sample_rate=48000:duration=%1 "
                       "-c:v libx264 -preset veryfast -pix_fmt yuv420p -c:a aac -ac 2 -shortest")
            .arg(clipSeconds).arg(kCodeSquare * kCodeBits).arg(kCodeSquare));
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

    // The program's own sources, its frames numbered on their way out.
    auto numbered = std::make_shared<std::atomic<long long>>(0);
    auto programAudio = std::make_shared<ProgramAudioSource>(engine.programAudio());
    StreamManager manager(settings,
                          [&engine, numbered](int width, int height, double lookahead) -> std::shared_ptr<StreamFrameSource> {
                              return std::make_shared<NumberedFrames>(
                                  std::make_shared<ProgramFrameSource>(engine, width, height, lookahead), numbered);
                          },
                          programAudio, HostClock::shared());
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
    const long long numberAtLive = numbered->load();
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
    const long long numberAtEnd = numbered->load();
    const long long dropped = out.droppedFrames();
    // The frames handed in last are still on their way through the pipe and
    // the encoder's queue: a second more lets them arrive before the stop.
    QElapsedTimer tail;
    tail.start();
    bench::waitFor([&] { return tail.elapsed() >= 1000 || !out.isActive(); }, 5);
    out.stop();
    bench::waitFor([&] { return !out.isActive(); }, 20);
    if (!receiver->wait(20)) {
        std::fprintf(stderr, "the receiver did not end with the stream; counting what it wrote so far\n");
        receiver->terminateAndWait(2);
    }
    out.setUrl("");

    // What the numbers say: which of the frames handed over while live
    // arrived, which arrived more than once (the pipe repeats the last frame
    // into a slot left empty), and, between frames that follow each other,
    // whether the item's picture repeated or skipped (the player's doing,
    // not the stream's).
    const ReceivedNumbers numbers = readNumbers(received);
    const long long liveCount = std::max(0LL, numberAtEnd - numberAtLive);
    std::vector<char> seen(std::size_t(liveCount), 0);
    long long repeats = 0, outOfOrder = 0, itemRepeats = 0, itemSkips = 0;
    auto isLive = [&](long long n) { return n >= numberAtLive && n < numberAtEnd; };
    for (std::size_t i = 0; i < numbers.frame.size(); ++i) {
        const long long n = numbers.frame[i];
        if (isLive(n)) {
            seen[std::size_t(n - numberAtLive)] = 1;
        }
        if (i == 0)
            continue;
        const long long before = numbers.frame[i - 1];
        if (n == before && isLive(n))
            ++repeats;
        else if (n < before)
            ++outOfOrder;
        if (n == before + 1 && isLive(n) && isLive(before)) {
            const long long step = numbers.item[i] - numbers.item[i - 1];
            if (step == 0)
                ++itemRepeats;
            else if (step > 1)
                itemSkips += step - 1;
        }
    }
    const long long missing = std::count(seen.begin(), seen.end(), char(0));
    // The missing ones as runs of numbers, the first few.
    QStringList missingRuns;
    for (std::size_t i = 0; i < seen.size() && missingRuns.size() < 16; ++i) {
        if (seen[i])
            continue;
        std::size_t end = i;
        while (end + 1 < seen.size() && !seen[end + 1])
            ++end;
        const long long first = numberAtLive + (long long)i;
        missingRuns << (end == i ? QString::number(first)
                                 : QStringLiteral("%1-%2").arg(first).arg(numberAtLive + (long long)end));
        i = end;
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
    const long long droppedLive = dropped - droppedAtLive;
    const double encoderCpu = encoderCpuStart >= 0 && encoderCpuEnd >= 0 ? encoderCpuEnd - encoderCpuStart : -1.0;
    const bool rateMet = std::abs(liveRate - 30.0) / 30.0 <= 0.01;
    const bool receivedMet = missing == 0 && liveCount > 0;
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
    std::printf("numbered frames    %lld handed while live (numbers %lld to %lld): %lld received, %lld missing "
                "(target 0: %s), %lld repeats of one, %lld out of order; %lld frames read in the file\n",
                liveCount, numberAtLive, numberAtEnd - 1, liveCount - missing, missing, verdict(receivedMet), repeats,
                outOfOrder, (long long)numbers.frame.size());
    if (!missingRuns.isEmpty())
        std::printf("                   missing: %s\n", qPrintable(missingRuns.join(QStringLiteral(", "))));
    std::printf("item pictures      %lld repeated and %lld skipped between consecutive live frames (the player's; "
                "printed only)\n", itemRepeats, itemSkips);
    std::printf("frames dropped     %lld not carried by the output after going live (target 0: %s), %lld before\n",
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
