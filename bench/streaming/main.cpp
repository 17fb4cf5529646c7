// Streams 1080p30 for a while (60 s unless a number of seconds is given) to
// an RTMP receiver on the loopback and prints: frames received (target within
// 1 % of 30 per second), frames dropped by the two-pending rule (target 0),
// the render pump's lateness behind its deadlines at p50/p99/max (target p99
// under 2 ms), and this process's own CPU, children excluded (target under
// half a core).
//
// The picture comes from a synthetic source that fills a fresh 1920x1080
// BGRA frame each tick (a moving pattern), standing in for the program
// renderer, and the sound from a 440 Hz tone standing in for the audio bus.
#include "platform/ChildProcess.h"
#include "platform/Settings.h"
#include "streaming/SecretStore.h"
#include "streaming/StreamManager.h"

#include <QCoreApplication>
#include <QElapsedTimer>
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

class PatternFrames final : public StreamFrameSource {
public:
    StreamFramePtr nextFrame() override
    {
        StreamFramePtr frame = pool_.acquire(1920, 1080);
        const int shift = (n_++ * 8) % 1920;
        for (int y = 0; y < 1080; ++y) {
            auto* row = reinterpret_cast<std::uint32_t*>(frame->bits() + qsizetype(y) * frame->bytesPerLine());
            for (int x = 0; x < 1920; ++x)
                row[x] = 0xff000000u | (((x + shift) & 0xff) << 16) | ((y & 0xff) << 8) | ((x ^ y) & 0xff);
        }
        return frame;
    }

private:
    VideoFramePool pool_;
    int n_ = 0;
};

class Tone final : public StreamAudioSource {
public:
    std::vector<float> pull(int frames) override
    {
        std::vector<float> out(size_t(frames) * 2);
        for (int i = 0; i < frames; ++i) {
            const float v = 0.25f * float(std::sin(phase_));
            phase_ += 2.0 * M_PI * 440.0 / 48000.0;
            out[size_t(i) * 2] = out[size_t(i) * 2 + 1] = v;
        }
        return out;
    }
    void setStreaming(bool) override { }

private:
    double phase_ = 0;
};

int freePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

bool listening(int port)
{
    QFile table("/proc/net/tcp");
    if (!table.open(QIODevice::ReadOnly))
        return false;
    const QString local = QStringLiteral("0100007F:%1").arg(port, 4, 16, QLatin1Char('0')).toUpper();
    for (const QByteArray& line : table.readAll().split('\n')) {
        const QList<QByteArray> f = line.simplified().split(' ');
        if (f.size() > 3 && QString::fromLatin1(f[1]) == local && f[3] == "0A")
            return true;
    }
    return false;
}

bool waitFor(const std::function<bool()>& pred, double seconds)
{
    QElapsedTimer timer;
    timer.start();
    while (!pred()) {
        if (timer.elapsed() > qint64(seconds * 1000))
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
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
    QCoreApplication app(argc, argv);
    const double seconds = argc > 1 ? std::max(5.0, std::atof(argv[1])) : 60.0;

    QTemporaryDir dir;
    // Never the user's own keychain entries.
    SecretStore::overrideServiceForTesting("bench." + QUuid::createUuid().toString(QUuid::WithoutBraces));
    Settings settings(dir.filePath("settings.ini"));

    const int port = freePort();
    const QString url = QStringLiteral("rtmp://127.0.0.1:%1/live/bench").arg(port);
    const QString received = dir.filePath("received.flv");
    auto receiver = ChildProcess::spawn("/usr/bin/ffmpeg",
                                        { "-hide_banner", "-loglevel", "error", "-nostdin", "-listen", "1", "-timeout",
                                          "30", "-i", url, "-c", "copy", "-y", received },
                                        {});
    if (!receiver || !waitFor([&] { return listening(port); }, 20)) {
        std::fprintf(stderr, "the receiver did not start\n");
        return 1;
    }

    auto audio = std::make_shared<Tone>();
    StreamManager manager(settings, [](int, int, double) { return std::make_shared<PatternFrames>(); }, audio);
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
    if (!waitFor([&] { return out.status().state != StreamOutput::Status::State::connecting; }, 30)
        || out.status().state != StreamOutput::Status::State::live) {
        std::fprintf(stderr, "did not go live: %s\n", qPrintable(out.status().message));
        receiver->terminateAndWait(2);
        return 1;
    }
    const long long sentAtLive = manager.counters().framesSent;
    const bool realtime = manager.isRenderRealtime();
    const long long droppedAtLive = out.droppedFrames();
    const double cpuStart = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    waitFor([&] { return wall.elapsed() >= qint64(seconds * 1000) || !out.isActive(); }, seconds + 5);
    const double cpu = cpuSeconds() - cpuStart;
    const double elapsed = wall.elapsed() / 1000.0;
    const double kbps = out.measuredKbps();
    const long long sent = manager.counters().framesSent;
    const long long dropped = out.droppedFrames();
    out.stop();
    waitFor([&] { return !out.isActive(); }, 20);
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

    std::vector<std::int64_t> sorted;
    {
        std::lock_guard guard(latenessMutex);
        sorted = lateness;
    }
    std::sort(sorted.begin(), sorted.end());
    auto pct = [&](double p) {
        return sorted.empty() ? 0.0 : double(sorted[std::min(sorted.size() - 1, size_t(p * double(sorted.size())))]) / 1e6;
    };
    const double expected = 30.0 * (sent ? double(sent) / 30.0 : elapsed);
    std::printf("streamed           %.1f s (1080p30, libx264, 6000 kbit/s, RTMP on the loopback)\n", elapsed);
    std::printf("frames sent        %lld (%lld after going live)\n", sent, sent - sentAtLive);
    std::printf("frames received    %lld of %.0f sent (%.2f %% off; target within 1 %%)\n", frames, expected,
                expected > 0 ? 100.0 * std::abs(double(frames) - expected) / expected : 0.0);
    std::printf("frames dropped     %lld by the two-pending rule (target 0), %lld of them before going live\n",
                dropped, droppedAtLive);
    std::printf("render lateness    p50 %.3f ms, p99 %.3f ms, max %.3f ms over %zu ticks (target p99 < 2 ms)\n",
                pct(0.5), pct(0.99), sorted.empty() ? 0.0 : double(sorted.back()) / 1e6, sorted.size());
    std::printf("render priority    %s\n", realtime ? "real-time (SCHED_FIFO 1)" : "normal (real-time not allowed here)");
    std::printf("own CPU            %.2f cores, children excluded (target < 0.5)\n", cpu / elapsed);
    std::printf("measured rate      %.0f kbit/s (last reading before stop)\n", kbps);
    return 0;
}
