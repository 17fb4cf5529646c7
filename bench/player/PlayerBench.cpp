// The media player against its targets, on files made here by the ffmpeg
// program:
//  - real-time playback of 60 s of 1080p30 H.264/AAC: pictures dropped or
//    late at the video output (a 60 Hz reader, as a view or the renderer
//    would be), and CPU time against `ffmpeg -i FILE -f null -` on the same
//    file in the same run;
//  - the A/V offset at the output, on a clip that flashes white and beeps on
//    the same frame, in samples of the mixed output (SDL's disk driver);
//  - 4K HEVC 10-bit into a 1080p program (played, and taken by a cut after
//    being loaded ahead) and at its own size: every picture shown, CPU
//    against ffmpeg, peak memory;
//  - from play() on a preloaded item (loaded, sought, paused) to the picture
//    after the one it shows already, and to its first sound;
//  - an item started without having been cued: open, first picture, first
//    sound.
// Each prints its reference from the same run and a verdict; the program
// exits non-zero when a verdict failed.
#include "../common/ProcStatus.h"
#include "platform/AllocatorSettings.h"
#include "platform/Clock.h"
#include "platform/PeriodicThread.h"
#include "platform/player/AudioOutput.h"
#include "platform/player/AudioTap.h"
#include "platform/player/FfmpegMediaPlayer.h"
#include "platform/player/PlayerItem.h"
#include "platform/player/VideoFrame.h"
#include "platform/player/VideoOutput.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

using namespace tessarin;

namespace {

bool anyTargetMissed = false;

// A verdict that failed: the benchmark shows an error and the program's
// exit status says so.
void missed(benchmark::State& state, const char* what)
{
    anyTargetMissed = true;
    state.SkipWithError(what);
}

QString mediaDir()
{
    const QString dir = QDir::tempPath() + QStringLiteral("/tessarin-player-bench");
    QDir().mkpath(dir);
    return dir;
}

// Makes a file with the ffmpeg program unless it is there already.
QString makeMedia(const QString& name, const QString& args)
{
    const QString path = mediaDir() + QLatin1Char('/') + name;
    if (QFileInfo(path).size() > 0)
        return path;
    const QString tmp = mediaDir() + QStringLiteral("/tmp.") + name;
    const QString cmd = QStringLiteral("ffmpeg -nostdin -hide_banner -loglevel error -y %1 '%2'").arg(args, tmp);
    if (std::system(cmd.toUtf8().constData()) != 0) {
        std::fprintf(stderr, "ffmpeg failed: %s\n", qPrintable(cmd));
        std::exit(1);
    }
    QFile::rename(tmp, path);
    return path;
}

QString file1080p()
{
    return makeMedia(QStringLiteral("clip_1080p30_60s.mp4"),
        QStringLiteral("-f lavfi -i testsrc2=size=1920x1080:rate=30:duration=60 "
                       "-f lavfi -i sine=frequency=440:sample_rate=48000:duration=60 "
                       "-c:v libx264 -preset veryfast -pix_fmt yuv420p -g 60 -b:v 8M -c:a aac -b:a 128k -ac 2 -shortest"));
}

// 10 s of 4K HEVC 10-bit with sound, as a camera or an editor delivers it.
QString file4kHevc10()
{
    return makeMedia(QStringLiteral("clip_4k_hevc10_10s.mp4"),
        QStringLiteral("-f lavfi -i testsrc2=size=3840x2160:rate=30:duration=10 "
                       "-f lavfi -i sine=frequency=440:sample_rate=48000:duration=10 "
                       "-c:v libx265 -preset ultrafast -pix_fmt yuv420p10le -x265-params log-level=error -b:v 20M "
                       "-c:a aac -b:a 128k -ac 2 -shortest"));
}

// The peak resident size since the last reset, in MiB (VmHWM).
double peakResidentMiB() { return bench::statusMegabytes("VmHWM"); }

void resetPeakResident()
{
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}

// White for one frame and a 1 kHz beep at 2 s, 5 s and 8 s.
QString fileFlashBeep()
{
    return makeMedia(QStringLiteral("flash_beep.mp4"),
        QStringLiteral("-f lavfi -i \"nullsrc=size=320x180:rate=30:duration=10,geq=lum='if(eq(mod(N\\,90)\\,60)\\,235\\,16)':cb=128:cr=128\" "
                       "-f lavfi -i \"aevalsrc='if(between(mod(t\\,3)\\,2\\,2+1/30)\\,0.5*sin(2*PI*1000*(t-2))\\,0)':s=48000:d=10\" "
                       "-c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a pcm_s16le -ac 2 -f mov"));
}

double cpuSeconds(int who)
{
    rusage usage {};
    getrusage(who, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

// Runs the main thread's events until pred holds or seconds pass.
bool runUntil(const std::function<bool()>& pred, double seconds)
{
    QElapsedTimer timer;
    timer.start();
    while (!pred()) {
        if (timer.elapsed() > seconds * 1000.0)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(5); // the harness itself stays out of the CPU figures
    }
    return true;
}

std::shared_ptr<PlayerItem> loaded(FfmpegMediaPlayer& player, const QString& path,
    const std::shared_ptr<VideoOutput>& output)
{
    auto item = PlayerItem::create(path);
    item->addOutput(output);
    player.replaceCurrentItem(item);
    runUntil([&] { return item->status() != PlayerItem::Status::Unknown; }, 10);
    return item;
}

double loadAverage()
{
    double load[1] = { 0.0 };
    return getloadavg(load, 1) == 1 ? load[0] : -1.0;
}

// Notes when the first sound of an item passes the tap, at the moment the
// output mixes it, and when the device plays it.
class FirstSoundTap : public AudioTap {
public:
    void prepare(const AudioFormat&, int) override { }
    void process(AudioBufferList& buffers) override
    {
        if (mixed_.load() > 0.0)
            return;
        const AudioBuffer& b = buffers.buffers[0];
        const std::uint32_t n = b.byteSize / sizeof(float);
        for (std::uint32_t i = 0; i < n; ++i) {
            if (b.data[i] != 0.0f) {
                heard_ = buffers.heardTime;
                mixed_ = HostClock::monotonicSeconds();
                return;
            }
        }
    }
    double mixed() const { return mixed_.load(); }
    double heard() const { return heard_.load(); }

private:
    std::atomic<double> mixed_ { 0.0 };
    std::atomic<double> heard_ { 0.0 };
};

void BM_RealTimePlayback1080p(benchmark::State& state)
{
    const QString path = file1080p();
    for (auto _ : state) {
        // The ffmpeg program decoding the same file as fast as it can.
        const double childBefore = cpuSeconds(RUSAGE_CHILDREN);
        const QString cmd = QStringLiteral("ffmpeg -nostdin -hide_banner -loglevel error -i '%1' -f null -").arg(path);
        if (std::system(cmd.toUtf8().constData()) != 0)
            missed(state, "ffmpeg -f null failed");
        const double ffmpegCpu = cpuSeconds(RUSAGE_CHILDREN) - childBefore;

        const double selfBefore = cpuSeconds(RUSAGE_SELF);
        auto output = std::make_shared<SdlAudioOutput>(SdlAudioOutput::Options { QStringLiteral("dummy"), 512 });
        FfmpegMediaPlayer player(output, HostClock::shared());
        auto video = std::make_shared<VideoOutput>();
        auto item = loaded(player, path, video);
        bool ended = false;
        QObject::connect(item.get(), &PlayerItem::didPlayToEndTime, [&] { ended = true; });

        std::mutex mutex;
        std::set<long> shown;
        int late = 0;
        int readerStalls = 0; // ticks more than a picture's time after the previous one
        double lastTick = 0.0;
        PeriodicThread reader;
        reader.start("bench.reader", PeriodicThread::Period { 1000000000ull, 60 }, [&] {
            const double tickTime = HostClock::monotonicSeconds();
            if (lastTick > 0.0 && tickTime - lastTick > 1.0 / 30.0)
                ++readerStalls;
            lastTick = tickTime;
            const double t = video->itemTime(tickTime);
            if (!video->hasNewFrame(t))
                return;
            auto frame = video->copyFrame(t);
            if (!frame)
                return;
            std::lock_guard lock(mutex);
            shown.insert(std::lround(frame->time * 30.0));
            if (frame->time + frame->duration + 1e-3 < t)
                ++late; // the picture due was not there: an older one stood in
        });
        player.play();
        runUntil([&] { return ended; }, 90);
        reader.stop();
        const double playerCpu = cpuSeconds(RUSAGE_SELF) - selfBefore;

        long missing = 0;
        for (long n = 0; n < 1800; ++n) {
            if (!shown.count(n)) {
                if (++missing <= 5)
                    std::printf("picture %ld (%.3f s) never reached the output\n", n, n / 30.0);
            }
        }
        state.counters["frames_shown"] = static_cast<double>(shown.size());
        state.counters["frames_missing"] = static_cast<double>(missing);
        state.counters["frames_late"] = late;
        state.counters["reader_stalls"] = readerStalls;
        state.counters["decode_drops"] = static_cast<double>(player.droppedFrames());
        state.counters["player_cpu_s"] = playerCpu;
        state.counters["ffmpeg_cpu_s"] = ffmpegCpu;
        state.counters["cpu_ratio"] = ffmpegCpu > 0 ? playerCpu / ffmpegCpu : 0;
        const double ratio = ffmpegCpu > 0 ? playerCpu / ffmpegCpu : 0.0;
        const bool met = missing == 0 && late == 0 && ratio > 0.0 && ratio <= 1.5;
        std::printf("\n1080p30 60 s: %zu pictures shown, %ld missing (the 60 Hz reader itself stalled %d times),"
                    " %d late, %llu dropped at decode; CPU %.2f s vs ffmpeg -f null %.2f s: ratio %.2f; targets: nothing "
                    "missing or late, ratio <= 1.5 -> %s\n",
            shown.size(), missing, readerStalls, late, static_cast<unsigned long long>(player.droppedFrames()), playerCpu,
            ffmpegCpu, ratio, met ? "MET" : "NOT MET");
        if (!met)
            missed(state, "target not met");
    }
}
BENCHMARK(BM_RealTimePlayback1080p)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// Plays the 4K HEVC 10-bit file with its sound to its end into an output
// that draws it at `drawn` (empty: its own size), read by a 60 Hz reader as
// a view or the renderer would. Every picture of the file must reach the
// output: a picture never shown (dropped late, or skipped by the decoder)
// fails the verdict. Prints the pictures shown, the process's CPU against
// ffmpeg doing the same work in the same run, the load average, and the
// peak resident memory while it plays.
//
// `joined`: taken as the engine takes the next item of a block in a cut,
// its most common path: loaded ahead (open, its first pictures decoded,
// paused) on a second player while a 2 s lead-in plays on the first, joined
// onto the lead-in's last sample, and drawn only from then on. Nothing draws
// it when it opens, so it carries the program's size as a hint, as the
// engine gives it; the output is attached once it stands ready.
struct Playback4k {
    int pictures = 0;      // in the file
    int shown = 0;         // distinct pictures that reached the output
    int width = 0;         // of the pictures as converted
    double playerCpu = 0.0;
    double ffmpegCpu = 0.0;
    double ffmpegWall = 0.0;
    double peakMiB = 0.0;
    double beforeMiB = 0.0;
    unsigned long long decodeDrops = 0;
};


Playback4k play4k(const QString& path, QSize drawn, const QString& ffmpegFilter, bool joined = false)
{
    Playback4k result;
    result.pictures = 300; // 10 s at 30 a second
    const double childBefore = cpuSeconds(RUSAGE_CHILDREN);
    const QString cmd = QStringLiteral("ffmpeg -nostdin -hide_banner -loglevel error -i '%1' %2 -f null -")
                            .arg(path, ffmpegFilter.isEmpty() ? QString() : QStringLiteral("-vf ") + ffmpegFilter);
    QElapsedTimer wall;
    wall.start();
    if (std::system(cmd.toUtf8().constData()) != 0)
        return result;
    result.ffmpegWall = wall.nsecsElapsed() / 1e9;
    result.ffmpegCpu = cpuSeconds(RUSAGE_CHILDREN) - childBefore;

    resetPeakResident();
    result.beforeMiB = peakResidentMiB();
    const double selfBefore = cpuSeconds(RUSAGE_SELF);
    auto output = std::make_shared<SdlAudioOutput>(SdlAudioOutput::Options { QStringLiteral("dummy"), 512 });
    FfmpegMediaPlayer player(output, HostClock::shared());
    auto video = std::make_shared<VideoOutput>();
    if (!drawn.isEmpty())
        video->setMaximumSize(drawn); // as the program renderer asks
    FfmpegMediaPlayer leadPlayer(output, HostClock::shared());
    std::shared_ptr<PlayerItem> lead; // outlives its player's hold on it
    std::shared_ptr<PlayerItem> item;
    if (joined) {
        lead = PlayerItem::create(fileFlashBeep());
        lead->setForwardPlaybackEndTime(2.0);
        // As the engine lets go of the item before once the join has taken
        // place (until then both are open).
        QObject::connect(lead.get(), &PlayerItem::didPlayToEndTime, [&] {
            leadPlayer.pause();
            leadPlayer.replaceCurrentItem(nullptr);
        });
        leadPlayer.replaceCurrentItem(lead);
        item = PlayerItem::create(path);
        item->setPictureSizeHint(drawn); // as the engine makes it for the program
        player.replaceCurrentItem(item);
        player.pause();
        runUntil([&] {
            return item->status() != PlayerItem::Status::Unknown && lead->status() != PlayerItem::Status::Unknown;
        }, 10);
        runUntil([&] { auto src = item->source(); return src && src->frameAt(0.0); }, 10);
        item->addOutput(video);
        if (!player.playAfter(leadPlayer))
            std::printf("the item could not be joined onto the lead-in\n");
    } else {
        item = loaded(player, path, video);
    }
    bool ended = false;
    QObject::connect(item.get(), &PlayerItem::didPlayToEndTime, [&] { ended = true; });
    std::mutex mutex;
    std::set<long> shown;
    std::atomic<int> width { 0 };
    PeriodicThread reader;
    reader.start("bench.reader", PeriodicThread::Period { 1000000000ull, 60 }, [&] {
        const double t = video->itemTime(HostClock::monotonicSeconds());
        if (!video->hasNewFrame(t))
            return;
        if (auto frame = video->copyFrame(t)) {
            std::lock_guard lock(mutex);
            shown.insert(std::lround(frame->time * 30.0));
            width = frame->width();
        }
    });
    if (joined)
        leadPlayer.play(); // the item starts by itself at the lead-in's end
    else
        player.play();
    runUntil([&] { return ended; }, 60);
    reader.stop();
    result.playerCpu = cpuSeconds(RUSAGE_SELF) - selfBefore;
    result.peakMiB = peakResidentMiB();
    result.shown = static_cast<int>(shown.size());
    result.width = width.load();
    result.decodeDrops = player.droppedFrames();
    int listed = 0;
    for (long n = 0; n < result.pictures && listed < 5; ++n) {
        if (!shown.count(n)) {
            std::printf("picture %ld (%.3f s) never reached the output\n", n, n / 30.0);
            ++listed;
        }
    }
    return result;
}

// A 4K HEVC 10-bit item feeding a 1920 x 1080 program: the player converts
// each picture to BGRA at the program's size. Every picture shown, its CPU
// against `ffmpeg -i FILE -vf scale=1920:1080,format=bgra -f null -` in the
// same run (target at most 1.1 times) and the process's peak memory while it
// plays (target at most 280 MiB). joined: the item is taken by a cut, loaded
// ahead while a 2 s lead-in plays, joined onto its end and drawn once on air
// (the lead-in's small share of CPU included).
// A memory goal counts the whole process, so what an earlier benchmark left
// resident would count too: such a benchmark runs in a child of its own (this
// program, asked for that benchmark alone), whose figures and verdict it
// prints, and fails when the child did.
const char* const kAloneVariable = "TESSARIN_PLAYER_BENCH_ALONE";

bool ranInChildOfItsOwn(benchmark::State& state, const char* name)
{
    if (qEnvironmentVariableIsSet(kAloneVariable))
        return false;
    for (auto _ : state) {
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QString::fromLatin1(kAloneVariable), QStringLiteral("1"));
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        std::fflush(stdout);
        child.start(QCoreApplication::applicationFilePath(),
            {QStringLiteral("--benchmark_filter=^%1/").arg(QString::fromLatin1(name))});
        if (!child.waitForFinished(-1) || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
            missed(state, "target not met (in its own process)");
    }
    return true;
}

void run4kAtProgramSize(benchmark::State& state, bool joined, const char* what)
{
    if (ranInChildOfItsOwn(state, joined ? "BM_Playback4kJoinedAtProgramSize" : "BM_Playback4kAtProgramSize"))
        return;
    const QString path = file4kHevc10();
    if (joined)
        fileFlashBeep();
    for (auto _ : state) {
        const double load = loadAverage();
        const Playback4k r = play4k(path, QSize(1920, 1080), QStringLiteral("scale=1920:1080,format=bgra"), joined);
        if (r.ffmpegCpu <= 0.0) {
            missed(state, "ffmpeg -f null failed");
            return;
        }
        const double ratio = r.playerCpu / r.ffmpegCpu;
        const bool allShown = r.shown == r.pictures;
        const bool met = allShown && ratio <= 1.1 && r.peakMiB <= 280.0;
        state.counters["pictures_shown"] = r.shown;
        state.counters["cpu_ratio"] = ratio;
        state.counters["peak_MiB"] = r.peakMiB;
        std::printf("\n%s (load average %.1f): %d of %d pictures shown at width %d (%llu dropped late at decode; "
                    "target: all: %s); CPU %.2f s vs ffmpeg scale+format %.2f s: ratio %.2f (target <= 1.1: %s); "
                    "peak memory %.0f MiB (%.0f MiB before the item; target <= 280: %s) -> %s\n",
            what, load, r.shown, r.pictures, r.width, r.decodeDrops, allShown ? "met" : "NOT met", r.playerCpu,
            r.ffmpegCpu, ratio, ratio <= 1.1 ? "met" : "NOT met", r.peakMiB, r.beforeMiB,
            r.peakMiB <= 280.0 ? "met" : "NOT met", met ? "MET" : "NOT MET");
        if (!met)
            missed(state, "target not met");
    }
}

void BM_Playback4kAtProgramSize(benchmark::State& state)
{
    run4kAtProgramSize(state, false, "4K HEVC 10-bit into 1080p");
}
BENCHMARK(BM_Playback4kAtProgramSize)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

void BM_Playback4kJoinedAtProgramSize(benchmark::State& state)
{
    run4kAtProgramSize(state, true, "4K HEVC 10-bit joined after a lead-in into 1080p");
}
BENCHMARK(BM_Playback4kJoinedAtProgramSize)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// The same file shown at its own size (a 4K output): every picture reaches
// the output whenever the machine decodes the file faster than it plays.
// The reference is `ffmpeg -i FILE -vf format=bgra -f null -` in the same
// run: its CPU, and the rate at which it decoded (pictures per wall-clock
// second: above 30, the machine keeps up), are printed beside ours.
void BM_Playback4kFullSize(benchmark::State& state)
{
    const QString path = file4kHevc10();
    for (auto _ : state) {
        const double load = loadAverage();
        const Playback4k r = play4k(path, QSize(), QStringLiteral("format=bgra"));
        if (r.ffmpegCpu <= 0.0) {
            missed(state, "ffmpeg -f null failed");
            return;
        }
        const bool allShown = r.shown == r.pictures;
        state.counters["pictures_shown"] = r.shown;
        state.counters["cpu_ratio"] = r.playerCpu / r.ffmpegCpu;
        std::printf("\n4K HEVC 10-bit at 4K (load average %.1f): %d of %d pictures shown at width %d (%llu dropped "
                    "late at decode; target: all: %s); CPU %.2f s vs ffmpeg format=bgra %.2f s (ratio %.2f), ffmpeg "
                    "decoded %.0f pictures a second; peak memory %.0f MiB -> %s\n",
            load, r.shown, r.pictures, r.width, r.decodeDrops, allShown ? "met" : "NOT met", r.playerCpu, r.ffmpegCpu,
            r.playerCpu / r.ffmpegCpu, r.pictures / r.ffmpegWall, r.peakMiB, allShown ? "MET" : "NOT MET");
        if (!allShown)
            missed(state, "pictures were not shown");
    }
}
BENCHMARK(BM_Playback4kFullSize)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// The A/V offset as the output and the screen show it, outside the player's
// own clock and latency model: SDL's "disk" driver writes every mixed sample
// to a file, so each beep's first sample has an exact position in the
// output; a 0.5 ms reader of the video output notes how many samples the
// output had mixed when each white picture appeared. The difference, in
// samples, is the offset (the disk driver, like the dummy one, runs a few
// per cent off real time: samples, not wall time, are the measure). The
// output's block is 128 samples (2.7 ms), the resolution of the figure.
void BM_AvOffset(benchmark::State& state)
{
    const QString path = fileFlashBeep();
    for (auto _ : state) {
        QTemporaryDir dir;
        const QString capture = dir.filePath(QStringLiteral("mix.raw"));
        qputenv("SDL_DISKAUDIOFILE", capture.toUtf8());
        auto output = std::make_shared<SdlAudioOutput>(SdlAudioOutput::Options { QStringLiteral("disk"), 128 });
        if (output->driverName() != QLatin1String("disk")) {
            missed(state, "SDL's disk audio driver is not available");
            return;
        }
        std::vector<std::uint64_t> flashes; // samples mixed when each white picture appeared
        {
            FfmpegMediaPlayer player(output, HostClock::shared());
            auto item = PlayerItem::create(path);
            auto video = std::make_shared<VideoOutput>();
            item->addOutput(video);
            player.replaceCurrentItem(item);
            runUntil([&] { return item->status() != PlayerItem::Status::Unknown; }, 10);
            bool ended = false;
            QObject::connect(item.get(), &PlayerItem::didPlayToEndTime, [&] { ended = true; });
            bool white = false;
            std::atomic<bool> stop { false };
            std::thread watcher([&] {
                while (!stop) {
                    const std::uint64_t mixed = output->framesRendered();
                    auto frame = video->copyFrame(video->itemTime(HostClock::monotonicSeconds()));
                    if (frame) {
                        const bool isWhite = frame->constBits()[frame->bytesPerLine() * 90 + 160 * 4] > 200;
                        if (isWhite && !white)
                            flashes.push_back(mixed);
                        white = isWhite;
                    }
                    std::this_thread::sleep_for(std::chrono::microseconds(500));
                }
            });
            player.play();
            runUntil([&] { return ended; }, 20);
            stop = true;
            watcher.join();
        }
        const std::uint64_t rendered = output->framesRendered();
        output->close();
        output.reset();
        QFile file(capture);
        if (!file.open(QIODevice::ReadOnly)) {
            missed(state, "no capture");
            return;
        }
        const QByteArray bytes = file.readAll();
        const auto* samples = reinterpret_cast<const float*>(bytes.constData());
        const std::size_t frames = static_cast<std::size_t>(bytes.size()) / 8;
        // Frames SDL wrote before the first render (the device starting).
        const std::int64_t lead = frames > rendered ? static_cast<std::int64_t>(frames - rendered) : 0;
        std::vector<std::int64_t> beeps;
        long quiet = 48000;
        for (std::size_t i = 0; i < frames; ++i) {
            const bool loud = std::fabs(samples[i * 2]) > 0.01f;
            if (loud && quiet > 4800)
                beeps.push_back(static_cast<std::int64_t>(i) - lead);
            quiet = loud ? 0 : quiet + 1;
        }
        const std::size_t n = std::min(flashes.size(), beeps.size());
        double worst = 0.0;
        double sum = 0.0;
        for (std::size_t i = 0; i < n; ++i) {
            const double offset = (static_cast<double>(flashes[i]) - static_cast<double>(beeps[i])) / 48000.0;
            worst = std::max(worst, std::fabs(offset));
            sum += offset;
            std::printf("flash %zu: picture %+.1f ms from its beep (%+lld samples)\n", i + 1, offset * 1000.0,
                static_cast<long long>(static_cast<std::int64_t>(flashes[i]) - beeps[i]));
        }
        if (n == 0 || flashes.size() != beeps.size())
            std::printf("%zu flashes seen, %zu beeps heard\n", flashes.size(), beeps.size());
        state.counters["events"] = static_cast<double>(n);
        state.counters["mean_offset_ms"] = n ? sum / n * 1000.0 : 0;
        state.counters["worst_offset_ms"] = worst * 1000.0;
        const bool met = n == 3 && flashes.size() == beeps.size() && worst < 0.020;
        std::printf("A/V offset over %zu flashes, in output samples: mean %+.1f ms, worst %.1f ms (target: all three "
                    "flashes, each < 20 ms from its beep -> %s)\n",
            n, n ? sum / n * 1000.0 : 0.0, worst * 1000.0, met ? "MET" : "NOT MET");
        if (!met)
            missed(state, "target not met");
    }
}
BENCHMARK(BM_AvOffset)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// A preloaded item (loaded, sought exactly, paused) shows its first picture
// before play() already, so that picture says nothing; what play() must
// bring is the picture after it, due one frame period later, and the first
// sound. Target: the next picture within two frame periods of play().
void BM_PreloadToNextFrame(benchmark::State& state)
{
    const QString path = file1080p();
    auto output = std::make_shared<SdlAudioOutput>(SdlAudioOutput::Options { QStringLiteral("dummy"), 512 });
    std::vector<double> nexts;
    std::vector<double> sounds;
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        FfmpegMediaPlayer player(output, HostClock::shared());
        auto video = std::make_shared<VideoOutput>();
        auto item = PlayerItem::create(path);
        auto tap = std::make_shared<FirstSoundTap>();
        item->setAudioMix(AudioMix { tap });
        item->addOutput(video);
        player.replaceCurrentItem(item);
        runUntil([&] { return item->status() != PlayerItem::Status::Unknown; }, 10);
        const double target = 10.0 + (round++ % 20) * 2.0;
        bool sought = false;
        player.seek(target, SeekTolerance::Zero, [&](bool ok) { sought = ok; });
        runUntil([&] { return sought; }, 10);
        state.ResumeTiming();

        const double start = HostClock::monotonicSeconds();
        player.play();
        double next = -1.0;
        while (HostClock::monotonicSeconds() - start < 1.0 && (next < 0.0 || tap->mixed() == 0.0)) {
            const double now = HostClock::monotonicSeconds();
            auto frame = video->copyFrame(video->itemTime(now));
            if (frame && next < 0.0 && frame->time > target + 1e-6)
                next = now - start;
            std::this_thread::sleep_for(std::chrono::microseconds(250));
        }
        nexts.push_back(next < 0.0 ? 1.0 : next);
        sounds.push_back(tap->mixed() > 0.0 ? tap->mixed() - start : 1.0);
        state.PauseTiming();
        player.replaceCurrentItem(nullptr);
        state.ResumeTiming();
    }
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v.empty() ? 0.0 : v[v.size() / 2];
    };
    auto worst = [](const std::vector<double>& v) { return v.empty() ? 0.0 : *std::max_element(v.begin(), v.end()); };
    const double period = 1.0 / 30.0;
    const bool met = worst(nexts) <= 2 * period;
    state.counters["next_frame_ms_median"] = median(nexts) * 1000.0;
    state.counters["next_frame_ms_worst"] = worst(nexts) * 1000.0;
    state.counters["first_sound_ms_median"] = median(sounds) * 1000.0;
    std::printf("preloaded play -> next picture (due after %.1f ms): median %.1f ms, worst %.1f ms; first sound mixed: "
                "median %.1f ms, worst %.1f ms (load average %.1f); target: the next picture within %.1f ms -> %s\n",
        period * 1000.0, median(nexts) * 1000.0, worst(nexts) * 1000.0, median(sounds) * 1000.0, worst(sounds) * 1000.0,
        loadAverage(), 2 * period * 1000.0, met ? "MET" : "NOT MET");
    if (!met)
        missed(state, "target not met");
}
BENCHMARK(BM_PreloadToNextFrame)->Iterations(20)->Unit(benchmark::kMillisecond);

// An item started without having been cued (a double click on its row, or
// play from its row): the player, its audio device already open, is given
// the item and told to play at once. From that moment: the file open (its
// header read and its decoders open, as the main thread learns it), the
// first picture at the video output, the first sound mixed by the output
// and the time it is heard (the device's reported latency added). Target:
// the first sound heard within 150 ms, median of 12 starts, on an idle
// machine (the load average is printed).
void BM_UncuedStartToFirstSound(benchmark::State& state)
{
    const QString path = file1080p();
    auto output = std::make_shared<SdlAudioOutput>(SdlAudioOutput::Options { QStringLiteral("dummy"), 512 });
    FfmpegMediaPlayer player(output, HostClock::shared());
    std::vector<double> opens, pictures, mixes, heards;
    const double load = loadAverage();
    for (auto _ : state) {
        auto item = PlayerItem::create(path);
        auto tap = std::make_shared<FirstSoundTap>();
        item->setAudioMix(AudioMix { tap });
        auto video = std::make_shared<VideoOutput>();
        item->addOutput(video);
        std::atomic<double> picture { 0.0 };
        std::atomic<bool> stop { false };
        std::thread watcher([&] {
            while (!stop && picture.load() == 0.0) {
                if (video->copyFrame(video->itemTime(HostClock::monotonicSeconds())))
                    picture = HostClock::monotonicSeconds();
                std::this_thread::sleep_for(std::chrono::microseconds(250));
            }
        });
        const double start = HostClock::monotonicSeconds();
        player.replaceCurrentItem(item);
        player.play();
        double opened = 0.0;
        // Until all three have come: a picture that comes after the first
        // sound is heard is late, not missing.
        while (HostClock::monotonicSeconds() - start < 5.0
               && (opened == 0.0 || tap->heard() == 0.0 || picture.load() == 0.0)) {
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            if (opened == 0.0 && item->status() != PlayerItem::Status::Unknown)
                opened = HostClock::monotonicSeconds();
            std::this_thread::sleep_for(std::chrono::microseconds(250));
        }
        stop = true;
        watcher.join();
        opens.push_back((opened - start) * 1000.0);
        pictures.push_back(picture.load() > 0.0 ? (picture.load() - start) * 1000.0 : 1e9);
        mixes.push_back(tap->mixed() > 0.0 ? (tap->mixed() - start) * 1000.0 : 1e9);
        heards.push_back(tap->heard() > 0.0 ? (tap->heard() - start) * 1000.0 : 1e9);
        state.PauseTiming();
        player.replaceCurrentItem(nullptr);
        runUntil([] { return true; }, 0.1);
        state.ResumeTiming();
    }
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v.empty() ? 0.0 : v[v.size() / 2];
    };
    auto worst = [](const std::vector<double>& v) { return v.empty() ? 0.0 : *std::max_element(v.begin(), v.end()); };
    const bool met = median(heards) <= 150.0;
    state.counters["open_ms"] = median(opens);
    state.counters["first_picture_ms"] = median(pictures);
    state.counters["first_mixed_ms"] = median(mixes);
    state.counters["first_heard_ms"] = median(heards);
    std::printf("uncued start of a 1080p H.264/AAC file (load average %.1f), median (worst) of %zu: open %.1f ms (%.1f), "
                "first picture %.1f ms (%.1f), first sound mixed %.1f ms (%.1f), heard %.1f ms (%.1f); target: heard "
                "within 150 ms -> %s\n",
        load, heards.size(), median(opens), worst(opens), median(pictures), worst(pictures), median(mixes), worst(mixes),
        median(heards), worst(heards), met ? "MET" : "NOT MET");
    if (!met)
        missed(state, "target not met");
}
BENCHMARK(BM_UncuedStartToFirstSound)->Iterations(12)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    // The application's allocator settings (its main), so the memory
    // measured is what the application would use.
    tessarin::applyAllocatorSettings();
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    const size_t ran = benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return anyTargetMissed || ran == 0 ? 1 : 0;
}
