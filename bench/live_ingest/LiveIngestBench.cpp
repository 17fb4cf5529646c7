// The ingest of a 1080p30 SRT feed from a loopback publisher, measured where
// the frames leave the session (the live sink's input):
// - frames per second delivered over the run (target 30);
// - delay from the publisher's frame to its delivery, by flash frames: this
//   program writes the publisher's raw frames itself, one bright frame each
//   second among black ones (six brightnesses in turn, so an arrival names
//   its flash), and times each from its write to its arrival (target under
//   300 ms; the figure includes the publisher's encoder and SRT's latency);
// - CPU of the ingest path in this process (the ffmpeg children and the
//   writer of the publisher's frames excluded), as a share of one core
//   (target under a third).
// The publisher is a live one: x264 with -tune zerolatency (no lookahead, no
// B-frames) and its sound written in step with the pictures, 1,600 silent
// samples per frame through a second pipe, as a capture device delivers it.
// (A generated sound source such as lavfi's anullsrc runs ahead of the
// pictures by many seconds, which is nothing a live publisher does.) Its
// muxer interleaves the two, so a picture waits for the sound of its time,
// as with any live publisher. It flushes every packet, so its muxer never
// holds the tiny packets of flat frames back to fill one SRT packet.
// The feed carries sound at all because a feed without sound makes the
// ingest run again without it, which drops the publisher's connection.
// SRT's receive latency is the address's: the libsrt default (120 ms) unless
// --srt-options adds one, e.g. --srt-options='&latency=20000' (20 ms).
// Run: build/bench/live_ingest/bench_live_ingest [--seconds=N] (60 by default).
#include "media/FFmpegLiveSession.h"

#include "platform/ChildProcess.h"
#include "platform/Clock.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QImage>

#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

using namespace tessarin;

namespace {

double gSeconds = 60.0;
QString gAddressOptions; // --srt-options=&latency=20000: options of the operator's address
constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kFps = 30;
// The first seconds after the first frame carry the probing backlog (the
// ingest probes 2 s of the feed before its first frame); figures are taken after them.
constexpr double kWarmUpSeconds = 3.0;
// Flash frames come in kFlashLevels brightnesses, so an arrival names its flash.
constexpr int kFlashLevels = 6;

uint8_t flashLuma(int k)
{
    return static_cast<uint8_t>(16 + 219 * (0.35 + 0.12 * k) + 0.5); // grey 89, 120, ... 242
}

// The flash number modulo kFlashLevels of a picture's grey, or -1 for black.
int flashIndexOf(int grey)
{
    if (grey < 60)
        return -1;
    const double k = (grey / 255.0 - 0.35) / 0.12;
    return std::clamp(static_cast<int>(k + 0.5), 0, kFlashLevels - 1);
}

double processCpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double threadCpuSeconds()
{
    timespec t {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

int freeUdpPort()
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in a {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t n = sizeof a;
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &n);
    ::close(fd);
    return ntohs(a.sin_port);
}

bool udpPortInUse(int port)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in a {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(port));
    const bool used = ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0;
    ::close(fd);
    return used;
}

bool writeAll(int fd, const uint8_t* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

void LiveIngest1080p30(benchmark::State& state)
{
    for (auto _ : state) {
        const int port = freeUdpPort();
        LiveSource source;
        source.kind = LiveSourceKind::srt;
        source.address = QStringLiteral("srt://127.0.0.1:%1?mode=listener%2").arg(port).arg(gAddressOptions);
        auto session = std::make_shared<FFmpegLiveSession>(source);

        std::mutex mutex;
        std::vector<double> flashWrites; // by flash number
        std::vector<std::pair<double, int>> flashArrivals; // time, number modulo kFlashLevels
        std::atomic<int> frames { 0 };
        std::atomic<bool> inFlash { false };
        std::atomic<double> firstFrame { 0.0 };
        std::atomic<double> lastFrame { 0.0 };
        std::atomic<double> writerEnd { 1e300 };
        std::atomic<int> steadyFrames { 0 };
        session->onVideo = [&](const QImage& image, double) {
            const double now = HostClock::monotonicSeconds();
            if (frames++ == 0)
                firstFrame = now;
            lastFrame = now;
            if (now > firstFrame.load() + kWarmUpSeconds && now <= writerEnd.load())
                ++steadyFrames;
            const int level = qGray(image.pixel(image.width() / 2, image.height() / 2));
            const int index = flashIndexOf(level);
            if (index >= 0 && !inFlash.exchange(true)) {
                std::lock_guard lock(mutex);
                flashArrivals.push_back({ now, index });
            } else if (index < 0) {
                inFlash = false;
            }
        };
        session->start();
        const double listenDeadline = HostClock::monotonicSeconds() + 15;
        while (!udpPortInUse(port) && HostClock::monotonicSeconds() < listenDeadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));

        auto input = Pipe::create();
        auto sound = Pipe::create();
        const QStringList args = { "-hide_banner", "-loglevel", "error", "-f", "rawvideo", "-pix_fmt", "yuv420p",
                                   "-s", "1920x1080", "-r", "30", "-i", "pipe:0", "-f", "s16le", "-ar", "48000",
                                   "-ac", "2", "-i", "pipe:3", "-c:a", "aac", "-c:v", "libx264", "-preset",
                                   "ultrafast", "-tune", "zerolatency", "-g", "30", "-flush_packets", "1", "-f", "mpegts",
                                   QStringLiteral("srt://127.0.0.1:%1?mode=caller").arg(port) };
        auto publisher = ChildProcess::spawn("/usr/bin/ffmpeg", args,
                                             { { 0, input->readEnd }, { 1, -1 }, { 2, 2 }, { 3, sound->readEnd } });
        closeDescriptor(input->readEnd);
        closeDescriptor(sound->readEnd);
        if (!publisher) {
            state.SkipWithError("the publisher did not start");
            return;
        }

        // Raw 4:2:0 frames: luma 16 (black), or one of the flash levels, chroma neutral.
        const size_t lumaSize = static_cast<size_t>(kWidth) * kHeight;
        std::vector<uint8_t> black(lumaSize * 3 / 2, 128);
        std::fill_n(black.begin(), lumaSize, 16);
        std::vector<std::vector<uint8_t>> flashes(kFlashLevels, black);
        for (int k = 0; k < kFlashLevels; ++k)
            std::fill_n(flashes[static_cast<size_t>(k)].begin(), lumaSize, flashLuma(k));

        double writerCpu = 0;
        double soundWriterCpu = 0;
        const auto start = std::chrono::steady_clock::now() + std::chrono::milliseconds(20);
        const auto frameTime = [&](int i) {
            return start + std::chrono::nanoseconds(static_cast<long long>(i) * 1000000000LL / kFps);
        };
        const int frameCount = static_cast<int>(gSeconds * kFps) + 2 * kFps;
        // The sound of each frame's time, written on its own thread: the
        // publisher reads its two inputs in its own order at start.
        std::thread soundWriter([&] {
            const double cpuStart = threadCpuSeconds();
            const std::vector<uint8_t> silence(48000 / kFps * 2 * 2, 0);
            for (int i = 0; i < frameCount; ++i) {
                std::this_thread::sleep_until(frameTime(i));
                if (!writeAll(sound->writeEnd, silence.data(), silence.size()))
                    break;
            }
            soundWriterCpu = threadCpuSeconds() - cpuStart;
        });
        std::thread writer([&] {
            const double cpuStart = threadCpuSeconds();
            // Two black seconds after the last measured one, so its flash arrives.
            const int measured = static_cast<int>(gSeconds * kFps);
            for (int i = 0; i < frameCount; ++i) {
                if (i == measured)
                    writerEnd = HostClock::monotonicSeconds();
                std::this_thread::sleep_until(frameTime(i));
                const bool flash = i % kFps == kFps / 2 && i < measured;
                const std::vector<uint8_t>* picture = &black;
                if (flash) {
                    std::lock_guard lock(mutex);
                    picture = &flashes[flashWrites.size() % kFlashLevels];
                    flashWrites.push_back(HostClock::monotonicSeconds());
                }
                if (!writeAll(input->writeEnd, picture->data(), picture->size()))
                    break;
            }
            writerCpu = threadCpuSeconds() - cpuStart;
        });

        const double cpuStart = processCpuSeconds();
        const double wallStart = HostClock::monotonicSeconds();
        writer.join();
        soundWriter.join();
        const double wall = HostClock::monotonicSeconds() - wallStart;
        const double ingestCpu = processCpuSeconds() - cpuStart - writerCpu - soundWriterCpu;
        closeDescriptor(input->writeEnd);
        closeDescriptor(sound->writeEnd);
        publisher->terminateAndWait(3.0);
        session->stop();

        std::vector<double> delays;
        {
            std::lock_guard lock(mutex);
            // Each arrival carries its flash number modulo kFlashLevels: it
            // belongs to the latest flash of that number written before it.
            for (const auto& [arrival, index] : flashArrivals) {
                if (arrival <= firstFrame.load() + kWarmUpSeconds)
                    continue;
                for (size_t n = flashWrites.size(); n-- > 0;) {
                    if (static_cast<int>(n % kFlashLevels) == index && flashWrites[n] < arrival) {
                        delays.push_back(arrival - flashWrites[n]);
                        break;
                    }
                }
            }
        }
        std::sort(delays.begin(), delays.end());

        const double steadySeconds = writerEnd.load() - firstFrame.load() - kWarmUpSeconds;
        const double fps = steadySeconds > 0 ? steadyFrames.load() / steadySeconds : 0;
        const double median = delays.empty() ? 0 : delays[delays.size() / 2];
        const double worst = delays.empty() ? 0 : delays.back();
        state.counters["fps"] = fps;
        state.counters["delay_median_ms"] = median * 1000;
        state.counters["delay_max_ms"] = worst * 1000;
        state.counters["ingest_core_share"] = ingestCpu / wall;
        const qsizetype latencyAt = gAddressOptions.indexOf(QLatin1String("latency="));
        const QString latency = latencyAt < 0
            ? QStringLiteral("120 ms (libsrt default)")
            : QStringLiteral("%1 ms (from the address)")
                  .arg(gAddressOptions.mid(latencyAt + 8).section(QLatin1Char('&'), 0, 0).toDouble() / 1000);
        std::printf("SRT receive latency %s\n"
                    "frames %d, %.2f fps (target 30); flash delay median %.0f ms, max %.0f ms over %zu flashes "
                    "(target < 300 ms); ingest CPU %.3f of a core (target < 0.333)\n",
                    qPrintable(latency), frames.load(), fps, median * 1000, worst * 1000, delays.size(), ingestCpu / wall);
    }
}

} // namespace

BENCHMARK(LiveIngest1080p30)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

int main(int argc, char** argv)
{
    std::signal(SIGPIPE, SIG_IGN);
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "--srt-options=", 14) == 0)
            gAddressOptions = QString::fromUtf8(argv[i] + 14);
        else if (std::strncmp(argv[i], "--seconds=", 10) == 0)
            gSeconds = std::max(5.0, std::atof(argv[i] + 10));
        else
            rest.push_back(argv[i]);
    }
    int count = static_cast<int>(rest.size());
    QCoreApplication app(count, rest.data());
    benchmark::Initialize(&count, rest.data());
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
