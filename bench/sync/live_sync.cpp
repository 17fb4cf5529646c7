// A live feed with a flash and a beep, taken to air as a live item and
// streamed out: a publisher (ffmpeg, in real time, H.264 + AAC) sends the
// 10 s sync clip round and round over RTMP or SRT to the program's ingest;
// the program plays the live item (its sound into a PulseAudio null sink,
// paced by the wall clock) and streams to an RTMP and an SRT listener on
// the loopback. Prints the flash-to-beep offset in each received file
// (lap by lap, over the run, the drift) with a verdict: the median within
// +-20 ms and 95 % of the flashes within +-40 ms. The first 10 s after the
// feed goes live (the ingest's probing backlog) are left out.
//   bench_live_sync [SECONDS] [rtmp|srt]     (600 s and rtmp unless given)
#include "streaming/SyncClip.h"

#include "engine/LiveAudioPlayer.h"
#include "engine/PlaylistEngine.h"
#include "media/FFmpegTools.h"
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
#include <csignal>
#include <cstdio>
#include <vector>

using namespace tessarin;
using bench::waitFor;

namespace {

constexpr int kFps = 30;
constexpr double kSettleSeconds = 10.0;

} // namespace

int main(int argc, char** argv)
{
    std::signal(SIGPIPE, SIG_IGN);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    const double seconds = argc > 1 ? std::max(30.0, std::atof(argv[1])) : 600.0;
    const bool srt = argc > 2 && QLatin1String(argv[2]) == QLatin1String("srt");

    QTemporaryDir dir;
    bench::NullSinkProgram program(dir);
    if (!program.ready())
        return 1;
    const QString clip = dir.filePath("sync.mkv");
    if (!test::makeSyncClip(clip, 10.0, kFps, 1.0, 2.0, 4)) {
        std::fprintf(stderr, "ffmpeg could not make the sync clip\n");
        return 1;
    }
    PlaylistEngine& engine = *program.engine;

    // The program's ingest listens; the publisher connects.
    auto [source, publish] = bench::loopbackFeed(clip, kFps, srt);
    auto block = std::make_shared<MediaBlock>(QStringLiteral("Live"), QUuid::createUuid());
    block->setItems({ MediaFile::create(source) });
    engine.setBlocks({ block });

    ProgramStreaming streaming = ProgramStreaming::create(*program.settings, engine);
    StreamManager& manager = *streaming.manager;
    bench::LoopbackStreams streams;
    if (!streams.prepare(QDir(dir.path()), manager, StreamFormat::Rate::r30))
        return 1;

    engine.play(block);
    // The ingest's ffmpeg listens a moment after the item goes on air.
    std::optional<ChildProcess> publisher;
    waitFor([&] { return false; }, 1.5);
    publisher = ChildProcess::spawn("/usr/bin/ffmpeg", publish, {});
    if (!publisher || !waitFor([&] { return engine.liveStatus() == LiveStatus::live(); }, 30)) {
        std::fprintf(stderr, "the feed did not go live\n");
        return 1;
    }
    manager.startPipeline();
    streams.start(manager.format());
    std::printf("live %s feed (sync clip, x264 zerolatency + AAC, in real time) on air, streamed as 720p30 to RTMP "
                "and SRT on the loopback for %.0f s; sound into a PulseAudio null sink (device block %d frames)\n",
                srt ? "SRT" : "RTMP", seconds, program.device->bufferFrames());
    std::fflush(stdout);
    QElapsedTimer wall;
    wall.start();
    std::vector<double> latencies;
    LiveAudioPlayer::Adjustments settled;
    waitFor([&] {
        const double latency = engine.liveAudio()->latency();
        if (wall.elapsed() <= qint64(kSettleSeconds * 1000))
            settled = engine.liveAudio()->adjustments();
        else if (latency > 0) {
            latencies.push_back(latency);
            // Every 5 s, where the delay sits: a growth shows whether the
            // jitter buffer or the device holds it.
            if (latencies.size() % 250 == 1)
                std::printf("  at %3.0f s: latency %.0f ms, waiting %.0f ms, device %.0f ms, played %.3f s faster\n",
                            wall.elapsed() / 1000.0, latency * 1000, engine.liveAudio()->waitingSeconds() * 1000,
                            program.device->latency() * 1000,
                            engine.liveAudio()->adjustments().speedSeconds - settled.speedSeconds);
        }
        return wall.elapsed() >= qint64(seconds * 1000);
    }, seconds + 5);
    const LiveAudioPlayer::Adjustments adjusted = engine.liveAudio()->adjustments();
    const bool live = streams.live() && engine.liveStatus() == LiveStatus::live();
    streams.stop();
    publisher->terminateAndWait(2);
    engine.stop();
    std::sort(latencies.begin(), latencies.end());
    const auto at = [&](double q) { return latencies.empty() ? 0.0 : latencies[std::size_t(q * double(latencies.size() - 1))] * 1000; };
    std::printf("live sound's latency over the run: min %.0f, median %.0f, 95 %% below %.0f, max %.0f ms; "
                "the queue started afresh %d times, had sound left out before it was heard %d times (%.2f s)\n",
                at(0.0), at(0.5), at(0.95), at(1.0), adjusted.restarts - settled.restarts, adjusted.trims - settled.trims,
                adjusted.trimmedSeconds - settled.trimmedSeconds);
    if (!live)
        std::printf("the feed or a destination was not live at the end\n");
    const auto rtmp = bench::syncReport("RTMP", streams.rtmpFile, kFps, 3.0, kSettleSeconds, false);
    const auto srtOut = bench::syncReport("SRT", streams.srtFile, kFps, 3.0, kSettleSeconds, false);
    const bool met = live && rtmp.medianMet && srtOut.medianMet && std::abs(rtmp.drift) <= 0.020
        && std::abs(srtOut.drift) <= 0.020;
    std::printf("\n%s (median within +-20 ms, 95 %% within +-40 ms, drift within +-20 ms)\n",
                met ? "targets met" : "targets NOT met");
    return met ? 0 : 2;
}
