// Streams the real program to two listeners on the loopback, RTMP and SRT,
// for a while (600 s unless a number of seconds is given), with the
// program's sound played into a PulseAudio null sink (paced by the wall
// clock), and prints for each received file the offset of every beep
// behind its flash, item by item (min / median / max), and over the run,
// with a verdict (every flash paired with its beep, none beyond +-20 ms);
// it exits non-zero when the verdict fails.
// A second argument delays the start of every encoder by that many seconds
// (a wrapper around ffmpeg sleeps first); a third sets the frame rate of
// the stream (30 unless given); a fourth, "joins", puts a flash on the
// first picture of every item, so the joins are measured apart; "starts"
// streams first and then starts the block from stop again and again (7 s
// played, 3 s stopped), so the first flash of each lap is the first picture
// of a block started from stop.
//
// The program is a looping block of six 10 s sync clips (720p-ready
// 640 x 360 pictures at the stream's rate): each flashes white and beeps
// for 0.1 s at 1, 3, 5 and 7 s, so the items stand apart by their silent
// 4 s between 7 s and the next 1 s (with "joins": at 0, 3 and 6 s, the
// first on the join).
#include "streaming/SyncClip.h"

#include "engine/PlaylistEngine.h"
#include "media/FFmpegTools.h"
#include "media/MediaBlock.h"
#include "media/MediaFile.h"
#include "streaming/ProgramStreamSources.h"

#include "LoopbackStreams.h"
#include "NullSinkProgram.h"
#include "SyncReport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <unistd.h>

using namespace tessarin;
using bench::waitFor;

int main(int argc, char** argv)
{
    std::signal(SIGPIPE, SIG_IGN);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    const double seconds = argc > 1 ? std::max(20.0, std::atof(argv[1])) : 600.0;
    const double delay = argc > 2 ? std::max(0.0, std::atof(argv[2])) : 0.0;
    const int fps = argc > 3 ? std::clamp(std::atoi(argv[3]), 24, 60) : 30;
    const bool starts = argc > 4 && QLatin1String(argv[4]) == QLatin1String("starts");
    const bool joins = starts || (argc > 4 && QLatin1String(argv[4]) == QLatin1String("joins"));
    const StreamFormat::Rate rate = fps >= 60 ? StreamFormat::Rate::r60
        : fps >= 50                          ? StreamFormat::Rate::r50
        : fps >= 30                          ? StreamFormat::Rate::r30
        : fps >= 25                          ? StreamFormat::Rate::r25
                                             : StreamFormat::Rate::r24;

    QTemporaryDir dir;
    bench::NullSinkProgram program(dir);
    if (!program.ready())
        return 1;
    const QString clip = dir.filePath("sync.mkv");
    if (!(joins ? test::makeSyncClip(clip, 10.0, fps, 0.0, 3.0, 3) : test::makeSyncClip(clip, 10.0, fps, 1.0, 2.0, 4))) {
        std::fprintf(stderr, "ffmpeg could not make the sync clip\n");
        return 1;
    }
    PlaylistEngine& engine = *program.engine;
    const auto& device = program.device;
    auto block = program.loop(clip, 6, 10.0);

    // ffmpeg, or a wrapper that sleeps before it starts encoding.
    QString ffmpeg = QStringLiteral("/usr/bin/ffmpeg");
    if (delay > 0) {
        ffmpeg = dir.filePath("late-ffmpeg");
        QFile script(ffmpeg);
        script.open(QIODevice::WriteOnly);
        script.write(QStringLiteral("#!/bin/sh\ncase \"$2\" in -encoders|-protocols) exec /usr/bin/ffmpeg \"$@\";; esac\n"
                                    "sleep %1\nexec /usr/bin/ffmpeg \"$@\"\n")
                         .arg(delay)
                         .toUtf8());
        script.close();
        QFile::setPermissions(ffmpeg, QFileDevice::Permissions(0x7700));
    }
    FFmpegTools::overrideCandidates(QStringList { ffmpeg });

    ProgramStreaming streaming = ProgramStreaming::create(*program.settings, engine);
    StreamManager& manager = *streaming.manager;
    bench::LoopbackStreams streams;
    if (!streams.prepare(QDir(dir.path()), manager, rate))
        return 1;
    StreamOutput& rtmp = *streams.rtmp;
    StreamOutput& srt = *streams.srt;

    if (!starts)
        engine.play(block);
    manager.startPipeline();
    streams.start(manager.format());
    std::printf("streaming 720p%d for %.0f s to RTMP and SRT on the loopback, encoders starting %.1f s late, "
                "sound into a PulseAudio null sink (device block %d frames, %.1f ms)\n", fps, seconds, delay,
                device->bufferFrames(), device->latency() * 1000);
    std::fflush(stdout);
    QElapsedTimer wall;
    wall.start();
    if (starts) {
        // Each start from stop once both streams are live, 7 s played and 3 s stopped.
        waitFor([&] { return streams.live(); }, 30);
        int started = 0;
        while (wall.elapsed() + 10'000 <= qint64(seconds * 1000)) {
            engine.play(block);
            ++started;
            const qint64 playing = wall.elapsed();
            waitFor([&] { return wall.elapsed() >= playing + 7'000; }, 10);
            engine.stop();
            const qint64 stopped = wall.elapsed();
            waitFor([&] { return wall.elapsed() >= stopped + 3'000; }, 10);
        }
        std::printf("the block started from stop %d times\n", started);
    } else {
        waitFor([&] { return wall.elapsed() >= qint64(seconds * 1000); }, seconds + 5);
    }
    const long long rtmpDropped = rtmp.droppedFrames();
    const long long srtDropped = srt.droppedFrames();
    const bool rtmpLive = rtmp.status() == StreamOutput::Status::live();
    const bool srtLive = srt.status() == StreamOutput::Status::live();
    streams.stop();
    engine.stop();
    if (!rtmpLive || !srtLive)
        std::printf("a destination was not live at the end: RTMP %s, SRT %s\n", rtmpLive ? "live" : "not live",
                    srtLive ? "live" : "not live");
    // A frame dropped because its encoder was busy leaves the frame before
    // it on screen a period longer: the picture of a flash can come late.
    std::printf("frames dropped for busy encoders: RTMP %lld, SRT %lld of %.0f\n", rtmpDropped, srtDropped,
                seconds * fps);
    const double lapGap = joins ? 3.5 : 3.0;
    const bool rtmpMet = bench::syncReport("RTMP", streams.rtmpFile, fps, lapGap).strict;
    const bool srtMet = bench::syncReport("SRT", streams.srtFile, fps, lapGap).strict;
    const bool met = rtmpMet && srtMet && rtmpLive && srtLive;
    std::printf("\n%s\n", met ? "targets met" : "targets NOT met");
    return met ? 0 : 2;
}
