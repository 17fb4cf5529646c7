// Every frame and every beep of a live feed through the program: a
// publisher (ffmpeg, in real time, H.264 + AAC) sends a 25 fps clip with a
// one-frame white flash and a 40 ms beep at the start of every second, over
// RTMP or SRT, to the program's ingest; the program takes it to air and
// streams it at 25 fps to an RTMP and an SRT listener on the loopback.
// Prints, after the feed has settled: the flashes each received file
// carries against the beeps it carries (every frame of a same-rate source
// should reach the program), the beep intervals further than 5 ms from a
// second (sound skipped or repeated), and the live sound's own delay over
// the run (its latency, sampled every 20 ms: the jitter buffer should hold
// it steady), with the jitter buffer's adjustments; and how far each beep
// lies behind its flash in the first seconds, from the take on.
//   bench_live_frames [SECONDS] [rtmp|srt]     (120 s and rtmp unless given)
#include "streaming/SyncClip.h"

#include "engine/LiveAudioPlayer.h"
#include "engine/PlaylistEngine.h"
#include "media/MediaBlock.h"
#include "media/MediaFile.h"
#include "platform/ChildProcess.h"
#include "streaming/ProgramStreamSources.h"

#include "LoopbackFeed.h"
#include "LoopbackStreams.h"
#include "NullSinkProgram.h"
#include "SyncReport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <vector>

using namespace tessarin;
using bench::waitFor;

namespace {

constexpr int kFps = 25;
constexpr double kSettleSeconds = 10.0;

// 10 s of 640 x 360 at 25 fps, black but for the first frame of each
// second (white), 48 kHz stereo PCM silent but for a 1 kHz tone over the
// first 40 ms of each second.
bool makeFlashClip(const QString& path)
{
    const QString video = QStringLiteral("color=c=black:s=640x360:r=%1:d=10,"
                                         "drawbox=x=0:y=0:w=iw:h=ih:color=white:t=fill:enable='eq(mod(n\\,%1)\\,0)'")
                              .arg(kFps);
    const QString audio = QStringLiteral("aevalsrc=exprs=if(lt(mod(t\\,1)\\,0.04)\\,0.7*sin(2*PI*1000*t)\\,0)"
                                         "|if(lt(mod(t\\,1)\\,0.04)\\,0.7*sin(2*PI*1000*t)\\,0):c=stereo:s=48000:d=10");
    const CaptureResult made = runAndCapture(QStringLiteral("/usr/bin/ffmpeg"),
        { "-nostdin", "-hide_banner", "-loglevel", "error", "-y", "-f", "lavfi", "-i", video, "-f", "lavfi", "-i",
          audio, "-c:v", "libx264", "-preset", "ultrafast", "-bf", "0", "-g", QString::number(kFps), "-pix_fmt",
          "yuv420p", "-c:a", "pcm_s16le", "-shortest", path },
        120.0);
    return made.exitCode.value_or(-1) == 0 && QFile::exists(path);
}

// Flashes and beeps of one received file from `from` seconds of it on, and
// the beeps' offsets behind their flashes before that (the take).
void report(const char* name, const QString& file, double from)
{
    const test::SyncEvents events = test::findSyncEvents(file, kFps);
    std::printf("%s: beep behind its flash over the first %.0f s (ms):", name, from);
    std::vector<double> later;
    for (const test::SyncOffset& o : test::syncOffsets(events)) {
        if (o.flash < from)
            std::printf(" %.0f", o.offset * 1000);
        else
            later.push_back(o.offset);
    }
    std::sort(later.begin(), later.end());
    std::printf("; after: median %.0f ms\n", later.empty() ? 0.0 : later[later.size() / 2] * 1000);
    std::vector<double> beeps, flashes;
    std::copy_if(events.beeps.begin(), events.beeps.end(), std::back_inserter(beeps), [&](double t) { return t >= from; });
    std::copy_if(events.flashes.begin(), events.flashes.end(), std::back_inserter(flashes),
                 [&](double t) { return t >= from; });
    if (beeps.size() < 2) {
        std::printf("%s: %zu beeps: nothing to measure\n", name, beeps.size());
        return;
    }
    // The received window: from the first beep to the last; a flash stands
    // for every beep in it.
    const double first = beeps.front() - 0.5;
    const double last = beeps.back() + 0.5;
    const auto carried = std::count_if(flashes.begin(), flashes.end(), [&](double t) { return t >= first && t < last; });
    int off = 0;
    double worst = 0;
    for (std::size_t i = 1; i < beeps.size(); ++i) {
        const double error = std::abs(beeps[i] - beeps[i - 1] - 1.0);
        worst = std::max(worst, error);
        if (error > 0.005)
            ++off;
    }
    std::printf("%s: %ld of %zu one-frame flashes carried; %d of %zu beep intervals off by more than 5 ms "
                "(worst %.1f ms)\n",
                name, long(carried), beeps.size(), off, beeps.size() - 1, worst * 1000);
}

} // namespace

int main(int argc, char** argv)
{
    std::signal(SIGPIPE, SIG_IGN);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    const double seconds = argc > 1 ? std::max(30.0, std::atof(argv[1])) : 120.0;
    const bool srt = argc > 2 && QLatin1String(argv[2]) == QLatin1String("srt");

    QTemporaryDir dir;
    bench::NullSinkProgram program(dir);
    if (!program.ready())
        return 1;
    const QString clip = dir.filePath("flashes.mkv");
    if (!makeFlashClip(clip)) {
        std::fprintf(stderr, "ffmpeg could not make the flash clip\n");
        return 1;
    }
    PlaylistEngine& engine = *program.engine;

    auto [source, publish] = bench::loopbackFeed(clip, kFps, srt);
    auto block = std::make_shared<MediaBlock>(QStringLiteral("Live"), QUuid::createUuid());
    block->setItems({ MediaFile::create(source) });
    engine.setBlocks({ block });

    ProgramStreaming streaming = ProgramStreaming::create(*program.settings, engine);
    StreamManager& manager = *streaming.manager;
    bench::LoopbackStreams streams;
    if (!streams.prepare(QDir(dir.path()), manager, StreamFormat::Rate::r25))
        return 1;

    engine.play(block);
    std::optional<ChildProcess> publisher;
    waitFor([&] { return false; }, 1.5);
    publisher = ChildProcess::spawn("/usr/bin/ffmpeg", publish, {});
    if (!publisher || !waitFor([&] { return engine.liveStatus() == LiveStatus::live(); }, 30)) {
        std::fprintf(stderr, "the feed did not go live\n");
        return 1;
    }
    manager.startPipeline();
    streams.start(manager.format());
    std::printf("live %s feed (25 fps, one-frame flash and 40 ms beep each second) on air, streamed at 25 fps for "
                "%.0f s (load %s)\n",
                srt ? "SRT" : "RTMP", seconds, qPrintable(QString::fromLatin1(QByteArray::fromStdString([] {
                    std::FILE* f = std::fopen("/proc/loadavg", "r");
                    char text[64] = {};
                    if (f) {
                        (void)!std::fgets(text, sizeof text, f);
                        std::fclose(f);
                    }
                    return std::string(text);
                }()).trimmed())));
    std::fflush(stdout);
    QElapsedTimer wall;
    wall.start();
    std::vector<double> latencies, queued, device;
    LiveAudioPlayer::Adjustments settled;
    waitFor([&] {
        const double latency = engine.liveAudio()->latency();
        if (wall.elapsed() <= qint64(kSettleSeconds * 1000)) {
            settled = engine.liveAudio()->adjustments();
        } else if (latency > 0) {
            latencies.push_back(latency);
            queued.push_back(engine.liveAudio()->waitingSeconds()); // atomics: a fair sample from here
            device.push_back(program.device->latency());
            // Every 5 s: where the delay sits, so a growth shows whether the
            // queue or the device holds it.
            if (latencies.size() % 250 == 1)
                std::printf("  at %3.0f s: delay %.0f ms, waiting %.0f ms, device %.0f ms, played %.3f s faster\n",
                            wall.elapsed() / 1000.0, latency * 1000, queued.back() * 1000, device.back() * 1000,
                            engine.liveAudio()->adjustments().speedSeconds - settled.speedSeconds);
        }
        return wall.elapsed() >= qint64(seconds * 1000);
    }, seconds + 5);
    const LiveAudioPlayer::Adjustments adjusted = engine.liveAudio()->adjustments();
    streams.stop();
    publisher->terminateAndWait(2);
    engine.stop();
    std::vector<double> sorted = latencies;
    std::sort(sorted.begin(), sorted.end());
    const auto at = [&](double q) { return sorted.empty() ? 0.0 : sorted[std::size_t(q * double(sorted.size() - 1))] * 1000; };
    // Spans of the run with the delay 100 ms or more above its median.
    int raised = 0;
    bool in = false;
    for (double l : latencies) {
        const bool high = l * 1000 >= at(0.5) + 100;
        raised += high && !in;
        in = high;
    }
    std::printf("live sound's delay: min %.0f, median %.0f, 99 %% below %.0f, max %.0f ms; %d spans 100 ms or more "
                "above the median; the queue started afresh %d times, had sound left out %d times (%.2f s), was "
                "played %.3f s faster\n",
                at(0.0), at(0.5), at(0.99), at(1.0), raised, adjusted.restarts - settled.restarts,
                adjusted.trims - settled.trims, adjusted.trimmedSeconds - settled.trimmedSeconds,
                adjusted.speedSeconds - settled.speedSeconds);
    const auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v.empty() ? 0.0 : v[v.size() / 2] * 1000;
    };
    std::printf("  of which waiting in the jitter buffer: median %.0f ms; the device's latency: median %.0f ms\n",
                median(queued), median(device));
    report("RTMP", streams.rtmpFile, kSettleSeconds);
    report("SRT ", streams.srtFile, kSettleSeconds);
    return 0;
}
