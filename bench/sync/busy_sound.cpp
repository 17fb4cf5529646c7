// The program's sound on a busy machine: plays a looping block of a clip
// with a steady 440 Hz tone into a PulseAudio null sink (paced by the wall
// clock) for a while (600 s unless a number of seconds is given), streaming
// the program to RTMP and SRT listeners on the loopback, with as many
// processes spinning at normal priority as the machine has cores. The null
// sink's monitor is recorded; every hole in the tone (1 ms or more of
// silence) is a moment the device ran dry. Prints the holes, the frames the
// streams dropped, the device's block and whether its thread runs real-time.
//   bench_busy_sound [SECONDS] [BLOCK_FRAMES]
// BLOCK_FRAMES overrides the device's block (the application's own unless
// given). Exits non-zero when the device ran dry.
#include "streaming/ProgramStreamSources.h"

#include "LoopbackStreams.h"
#include "NullSinkProgram.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>

using namespace tessarin;
using bench::waitFor;

namespace {

struct Holes {
    int count = 0;
    double longest = 0; // seconds
    double heard = 0;   // seconds from the first sound to the last
};

// Runs of at least 1 ms of exact silence between the first and the last
// sound of a 48 kHz mono s16 recording (a 440 Hz tone is never 0 for more
// than a sample).
Holes findHoles(const QString& file)
{
    QFile f(file);
    Holes holes;
    if (!f.open(QIODevice::ReadOnly))
        return holes;
    const QByteArray bytes = f.readAll();
    std::vector<std::int16_t> s(std::size_t(bytes.size()) / 2);
    std::memcpy(s.data(), bytes.constData(), s.size() * 2);
    std::size_t first = 0;
    while (first < s.size() && s[first] == 0)
        ++first;
    std::size_t last = s.size();
    while (last > first && s[last - 1] == 0)
        --last;
    holes.heard = double(last - first) / 48000.0;
    std::size_t run = 0;
    for (std::size_t i = first; i < last; ++i) {
        if (s[i] == 0) {
            ++run;
            continue;
        }
        if (run >= 48) {
            ++holes.count;
            holes.longest = std::max(holes.longest, double(run) / 48000.0);
        }
        run = 0;
    }
    return holes;
}

} // namespace

int main(int argc, char** argv)
{
    std::signal(SIGPIPE, SIG_IGN);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    const double seconds = argc > 1 ? std::max(20.0, std::atof(argv[1])) : 600.0;
    const int blockFrames = argc > 2 ? std::atoi(argv[2]) : 0;

    QTemporaryDir dir;
    bench::NullSinkProgram program(dir, blockFrames);
    if (!program.ready())
        return 1;
    const QString clip = dir.filePath("tone.mkv");
    const CaptureResult made = runAndCapture(QStringLiteral("/usr/bin/ffmpeg"),
        { "-hide_banner", "-loglevel", "error", "-nostdin", "-y", "-f", "lavfi", "-i", "testsrc2=size=1280x720:rate=30",
          "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=48000", "-t", "10", "-c:v", "libx264", "-preset",
          "ultrafast", "-g", "30", "-pix_fmt", "yuv420p", "-c:a", "pcm_s16le", "-ac", "2", clip },
        120.0);
    if (made.exitCode.value_or(-1) != 0) {
        std::fprintf(stderr, "ffmpeg could not make the tone clip\n");
        return 1;
    }
    PlaylistEngine& engine = *program.engine;
    const auto& device = program.device;
    auto block = program.loop(clip, 3, 10.0);

    ProgramStreaming streaming = ProgramStreaming::create(*program.settings, engine);
    StreamManager& manager = *streaming.manager;
    bench::LoopbackStreams streams;
    if (!streams.prepare(QDir(dir.path()), manager, StreamFormat::Rate::r30))
        return 1;

    // The other work on the machine: one spinning process per core.
    std::vector<ChildProcess> busy;
    const int cores = std::max(1, QThread::idealThreadCount());
    for (int i = 0; i < cores; ++i) {
        if (auto spinner = ChildProcess::spawn("/bin/sh", { "-c", "while :; do :; done" }, {}))
            busy.push_back(std::move(*spinner));
    }
    const QString recording = dir.filePath("monitor.raw");
    auto recorder = ChildProcess::spawn("/bin/sh",
        { "-c", QStringLiteral("exec parec -d program.monitor --raw --format=s16le --channels=1 --rate=48000 > '%1'")
                    .arg(recording) }, {});
    if (!recorder) {
        std::fprintf(stderr, "parec did not start\n");
        return 1;
    }

    engine.play(block);
    manager.startPipeline();
    streams.start(manager.format());
    std::printf("playing %.0f s into a PulseAudio null sink beside %d spinning processes, streaming 720p30 to RTMP "
                "and SRT; device block %d frames (%.1f ms), the server holding up to %d ms, a render heard %.1f ms "
                "later\n", seconds, int(busy.size()), device->bufferFrames(),
                device->bufferFrames() * 1000.0 / AudioOutput::kSampleRate, device->serverBufferMsec(),
                device->latency() * 1000);
    std::fflush(stdout);
    QElapsedTimer wall;
    wall.start();
    waitFor([&] { return wall.elapsed() >= qint64(seconds * 1000); }, seconds + 5);
    const long long rtmpDropped = streams.rtmp->droppedFrames();
    const long long srtDropped = streams.srt->droppedFrames();
    const bool live = streams.live();
    recorder->terminateAndWait(2);
    for (ChildProcess& spinner : busy)
        spinner.terminateAndWait(1);
    streams.stop();
    engine.stop();

    const char* grants[] = { "no: normal priority", "yes, set by the kernel", "yes, granted by RealtimeKit" };
    std::printf("sound thread real-time: %s\n", grants[std::clamp(device->realtimeGrant(), 0, 2)]);
    const Holes holes = findHoles(recording);
    std::printf("device ran dry: %d times in %.0f s of sound (longest %.1f ms)\n", holes.count, holes.heard,
                holes.longest * 1000);
    std::printf("frames dropped by the streams: RTMP %lld, SRT %lld of %.0f%s\n", rtmpDropped, srtDropped,
                seconds * 30, live ? "" : " (a destination was not live at the end)");
    const bool met = holes.count == 0 && holes.heard > seconds * 0.9;
    std::printf("\n%s\n", met ? "target met" : "target NOT met");
    return met ? 0 : 2;
}
