// Streams the real program to two listeners on the loopback, RTMP and SRT,
// for a while (600 s unless a number of seconds is given), with the
// program's sound played into a PulseAudio null sink (paced by the wall
// clock), and prints for each received file the offset of every beep
// behind its flash, item by item (min / median / max), and over the run,
// with a verdict (every flash paired with its beep, none beyond +-20 ms);
// it exits non-zero when the verdict fails.
// A second argument delays the start of every encoder by that many seconds
// (a wrapper around ffmpeg sleeps first); a third sets the frame rate of
// the stream (30 unless given).
//
// The program is a looping block of six 10 s sync clips (720p-ready
// 640 x 360 pictures at the stream's rate): each flashes white and beeps
// for 0.1 s at 1, 3, 5 and 7 s, so the items stand apart by their silent
// 4 s between 7 s and the next 1 s.
#include "streaming/SyncClip.h"

#include "engine/PlaylistEngine.h"
#include "media/FFmpegTools.h"
#include "media/MediaBlock.h"
#include "media/MediaFile.h"
#include "streaming/ProgramStreamSources.h"

#include "LoopbackStreams.h"
#include "NullSinkProgram.h"

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

namespace {

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size())))];
}

// Prints the offsets of one received file; true when every flash was paired
// with its beep and none lies beyond +-20 ms.
bool report(const char* name, const QString& file, int fps)
{
    const test::SyncEvents events = test::findSyncEvents(file, fps);
    const std::vector<test::SyncOffset> offsets = test::syncOffsets(events);
    std::printf("\n%s: %zu flashes, %zu beeps, %zu paired\n", name, events.flashes.size(), events.beeps.size(),
                offsets.size());
    std::vector<double> all;
    std::vector<double> item;
    int index = 0;
    double last = -1e9;
    int outside = 0;
    auto flush = [&] {
        if (item.empty())
            return;
        std::printf("  item %3d  %d flashes  offset min %6.1f  median %6.1f  max %6.1f ms\n", ++index, int(item.size()),
                    *std::min_element(item.begin(), item.end()) * 1000, percentile(item, 0.5) * 1000,
                    *std::max_element(item.begin(), item.end()) * 1000);
        item.clear();
    };
    for (const test::SyncOffset& o : offsets) {
        if (o.flash - last > 3.0)
            flush();
        last = o.flash;
        item.push_back(o.offset);
        all.push_back(o.offset);
        if (std::abs(o.offset) > 0.020)
            ++outside;
    }
    flush();
    const bool met = !all.empty() && offsets.size() == events.flashes.size()
        && events.flashes.size() == events.beeps.size() && outside == 0;
    if (all.empty()) {
        std::printf("  nothing paired -> NOT met\n");
        return false;
    }
    std::printf("  whole run: min %.1f  median %.1f  max %.1f ms; %d of %zu beyond +-20 ms (target: every flash paired "
                "with its beep, none beyond +-20 ms -> %s)\n",
                *std::min_element(all.begin(), all.end()) * 1000, percentile(all, 0.5) * 1000,
                *std::max_element(all.begin(), all.end()) * 1000, outside, all.size(), met ? "met" : "NOT met");
    return met;
}

} // namespace

int main(int argc, char** argv)
{
    std::signal(SIGPIPE, SIG_IGN);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    const double seconds = argc > 1 ? std::max(20.0, std::atof(argv[1])) : 600.0;
    const double delay = argc > 2 ? std::max(0.0, std::atof(argv[2])) : 0.0;
    const int fps = argc > 3 ? std::clamp(std::atoi(argv[3]), 24, 60) : 30;
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
    if (!test::makeSyncClip(clip, 10.0, fps, 1.0, 2.0, 4)) {
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

    engine.play(block);
    manager.startPipeline();
    streams.start(manager.format());
    std::printf("streaming 720p%d for %.0f s to RTMP and SRT on the loopback, encoders starting %.1f s late, "
                "sound into a PulseAudio null sink (device block %d frames, %.1f ms)\n", fps, seconds, delay,
                device->bufferFrames(), device->latency() * 1000);
    std::fflush(stdout);
    QElapsedTimer wall;
    wall.start();
    waitFor([&] { return wall.elapsed() >= qint64(seconds * 1000); }, seconds + 5);
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
    const bool rtmpMet = report("RTMP", streams.rtmpFile, fps);
    const bool srtMet = report("SRT", streams.srtFile, fps);
    const bool met = rtmpMet && srtMet && rtmpLive && srtLive;
    std::printf("\n%s\n", met ? "targets met" : "targets NOT met");
    return met ? 0 : 2;
}
