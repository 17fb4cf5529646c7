#include "media/FFmpegLiveSession.h"

#include "media/FFmpegTools.h"
#include "platform/ChildProcess.h"
#include "platform/HeapRelease.h"
#include "platform/ProcessEnd.h"
#include "platform/RealtimeScheduling.h"
#include "platform/ThreadName.h"
#include "platform/Workers.h"

#include <QCoreApplication>
#include <QImage>
#include <QUrl>
#include <QUrlQuery>

#include <cerrno>
#include <fcntl.h>
#include <csignal>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <limits>
#include <mutex>
#include <thread>
#include <vector>

namespace tessarin {

struct FFmpegLiveSession::Run : std::enable_shared_from_this<Run> {
    struct Result {
        QString errorText;
        bool spawnFailed = false;
    };

    Run(LiveSource source)
        : source(std::move(source))
    {
    }

    void supervise();
    Result runOnce(const QString& ffmpeg, bool withAudio);
    // Each picture goes out with where its moment lies in the session's
    // sound (see LiveSession::onVideo): the run's picture k and its sound's
    // frame k * 48000 / 30 are of one moment, since the child puts both
    // streams on one grid from the run's start; soundBase is the sound the
    // session handed over before the run, and the silence left out at its
    // start comes off. NaN when the run has no sound, and until its first
    // sound has come.
    void readVideo(int fd, double soundBase);
    void readAudio(int fd);
    static QString readAll(int fd);
    bool stopRequested();
    // Waits the pause between runs; returns early (true) on a stop.
    bool pauseBeforeRestart();
    void report(const LiveStatus& status);
    void stop();
    // SIGKILL to pid when it is still the running child after the grace.
    void killAfterGrace(pid_t pid);
    // Calls a callback unless the session has been stopped.
    template <typename Call>
    void deliver(Call&& call);

    const LiveSource source;
    double restartPause = kRestartPauseSeconds;
    // Copies of the session's callbacks, taken at start.
    std::function<void(const QImage&, double)> onVideo;
    std::function<void(const std::shared_ptr<const PcmBuffer>&)> onAudio;
    std::function<void(const LiveStatus&)> onStatus;

    std::mutex lock; // guards shouldStop and childPID
    bool shouldStop = false;
    pid_t childPID = 0;
    std::condition_variable changed; // a stop, or the child's end

    // Held around every callback; stop() takes it once the flag is up.
    std::mutex deliveryLock;
    // Sound frames handed to onAudio since start (the audio reader writes,
    // the supervisor reads it between runs).
    std::atomic<std::int64_t> soundFramesHandedOver { 0 };
    // The silence the child put before the run's first sound (from the
    // input's start time to the first packet it kept, a second or more
    // after probing), which the audio reader leaves out: seconds, NaN until
    // the run's first sound has come. Set NaN by the supervisor at each run.
    std::atomic<double> leadLeftOut { std::numeric_limits<double>::quiet_NaN() };
    bool failedShowing = false; // supervisor only: the last status reported was failed
};

namespace {

// The size asked of the pipes from the child: the most an ordinary user
// may set (fs.pipe-max-size); a refusal leaves the system's 64 KB.
constexpr int kPipeBytes = 1 << 20;

// Texts of this file, looked up as FFmpegLiveSession's.
struct Texts {
    Q_DECLARE_TR_FUNCTIONS(FFmpegLiveSession)
};

// The local port a listening source waits on: an RTMP source with listen
// (TCP, 1935 when the address names none) or an SRT address in listener
// mode (UDP).
struct ListenPort {
    QString host;
    int port = -1;
    bool udp = false;
};

std::optional<ListenPort> listenPort(const LiveSource& source)
{
    const QUrl url(source.address.trimmed());
    if (source.kind == LiveSourceKind::rtmp && source.listen)
        return ListenPort { url.host(), url.port(1935), false };
    if (source.kind == LiveSourceKind::srt
        && QUrlQuery(url).queryItemValue(QStringLiteral("mode")).compare(QLatin1String("listener"), Qt::CaseInsensitive) == 0
        && url.port() > 0)
        return ListenPort { url.host(), url.port(), true };
    return std::nullopt;
}

// Whether another program holds the port: a bind as ffmpeg's own (TCP with
// address reuse, so connections of an earlier listener that are closing do
// not count) fails with "address in use". Unknown (false) for a host that
// is not a numeric address.
bool portTaken(const ListenPort& listen)
{
    const QByteArray host = listen.host.toLatin1();
    const bool v6 = listen.host.contains(QLatin1Char(':'));
    sockaddr_storage address {};
    socklen_t length = 0;
    if (v6) {
        auto* a = reinterpret_cast<sockaddr_in6*>(&address);
        a->sin6_family = AF_INET6;
        a->sin6_port = htons(static_cast<uint16_t>(listen.port));
        if (inet_pton(AF_INET6, host.constData(), &a->sin6_addr) != 1)
            return false;
        length = sizeof *a;
    } else {
        auto* a = reinterpret_cast<sockaddr_in*>(&address);
        a->sin_family = AF_INET;
        a->sin_port = htons(static_cast<uint16_t>(listen.port));
        if (host.isEmpty())
            a->sin_addr.s_addr = htonl(INADDR_ANY);
        else if (inet_pton(AF_INET, host.constData(), &a->sin_addr) != 1)
            return false;
        length = sizeof *a;
    }
    const int fd = ::socket(v6 ? AF_INET6 : AF_INET, (listen.udp ? SOCK_DGRAM : SOCK_STREAM) | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    if (!listen.udp) {
        const int yes = 1;
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    }
    const bool taken = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0 && errno == EADDRINUSE;
    ::close(fd);
    return taken;
}

// The reading rule of the three readers: fills the whole span, retrying on
// EINTR; false at end of file or on any other failure.
bool readFully(int fd, void* data, std::size_t size)
{
    auto* bytes = static_cast<char*>(data);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, bytes + done, size - done);
        if (n > 0)
            done += static_cast<std::size_t>(n);
        else if (n < 0 && errno == EINTR)
            continue;
        else
            return false;
    }
    return true;
}

// One pipe frame into a frame, row by row when its rows are padded.
bool readFrame(int fd, VideoFrame& frame)
{
    constexpr int kRowBytes = FFmpegLiveSession::kFrameWidth * 4;
    if (frame.bytesPerLine() == kRowBytes)
        return readFully(fd, frame.bits(), FFmpegLiveSession::kFrameBytes);
    for (int y = 0; y < FFmpegLiveSession::kFrameHeight; ++y) {
        if (!readFully(fd, frame.bits() + static_cast<size_t>(y) * frame.bytesPerLine(), kRowBytes))
            return false;
    }
    return true;
}

// Adds to a text that keeps only its last limit bytes.
void appendBounded(QByteArray& text, const char* data, qsizetype size, qsizetype limit)
{
    text.append(data, size);
    if (text.size() > limit)
        text.remove(0, text.size() - limit);
}

// Every session that was started and may still have a child; pruned as
// sessions go away.
std::mutex& registryMutex()
{
    static auto* mutex = new std::mutex; // never destroyed
    return *mutex;
}

std::vector<std::weak_ptr<FFmpegLiveSession::Run>>& registry()
{
    static auto* sessions = new std::vector<std::weak_ptr<FFmpegLiveSession::Run>>; // never destroyed
    return *sessions;
}

// The session whose callback this thread is inside, if any.
thread_local const FFmpegLiveSession::Run* deliveringFor = nullptr;

void registerSession(const std::weak_ptr<FFmpegLiveSession::Run>& session)
{
    static std::once_flag hooked;
    std::call_once(hooked, [] {
        if (auto* app = QCoreApplication::instance())
            QObject::connect(app, &QCoreApplication::aboutToQuit, &FFmpegLiveSession::terminateAll);
        ProcessEnd::addStep("live sources ended", &FFmpegLiveSession::terminateAll);
    });
    std::lock_guard lock(registryMutex());
    auto& sessions = registry();
    sessions.erase(std::remove_if(sessions.begin(), sessions.end(), [](const auto& s) { return s.expired(); }),
                   sessions.end());
    sessions.push_back(session);
}

// Waits until the child has exited without reaping it, so its process id
// stays ours (and cannot be handed to another process) until we let go.
void waitForExitKeepingPid(pid_t pid)
{
    siginfo_t info {};
    while (waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT) != 0 && errno == EINTR) {
    }
}

} // namespace

FFmpegLiveSession::FFmpegLiveSession(LiveSource source)
    : source_(std::move(source))
    , run_(std::make_shared<Run>(source_))
{
}

FFmpegLiveSession::~FFmpegLiveSession()
{
    run_->stop();
}

void FFmpegLiveSession::setRestartPause(double seconds)
{
    run_->restartPause = seconds;
}

namespace {

// The child's arguments after the ffmpeg path.
QStringList ingestArguments(const LiveSource& source, bool withAudio)
{
    QStringList args = { "-hide_banner", "-loglevel", "error", "-nostdin", "-fflags", "+nobuffer+discardcorrupt",
                         "-flags", "low_delay", "-probesize", "2000000", "-analyzeduration", "2000000" };
    if (source.kind == LiveSourceKind::rtmp && source.listen)
        args << "-listen"
             << "1";
    args << "-i" << source.address;
    // One thread for the raw picture output: by default ffmpeg frame-threads
    // even this copy "encoder", and a frame-threaded encoder hands a picture
    // out only when a later one comes in, so once a burst has filled its
    // threads (the one at connection does) every picture stays held by one
    // frame per thread: about 270 ms on eight cores, for nothing.
    //
    // Both outputs start at the run's time 0 and keep to the input's
    // timestamps (the pictures by repeating or leaving out frames, the sound
    // by filling gaps with silence and cutting overlaps), so the raw streams,
    // which carry no timestamps, stay paired by their counts.
    args << "-map"
         << "0:v:0"
         << "-vf"
         << "fps=30:start_time=0,scale=1280:720:force_original_aspect_ratio=decrease,pad=1280:720:(ow-iw)/2:(oh-ih)/2:black,format=bgra"
         << "-threads"
         << "1"
         << "-f"
         << "rawvideo"
         << "pipe:1";
    if (withAudio)
        args << "-map"
             << "0:a:0"
             << "-af"
             << QStringLiteral("aresample=%1:async=1:first_pts=0").arg(FFmpegLiveSession::kAudioRate)
             << "-ac"
             << "2"
             << "-ar"
             << QString::number(FFmpegLiveSession::kAudioRate)
             << "-f"
             << "f32le"
             << "pipe:3";
    return args;
}

} // namespace

QStringList FFmpegLiveSession::arguments(bool withAudio) const
{
    return ingestArguments(source_, withAudio);
}

void FFmpegLiveSession::start()
{
    if (started_)
        return;
    started_ = true;
    run_->onVideo = onVideo;
    run_->onAudio = onAudio;
    run_->onStatus = onStatus;
    registerSession(run_);
    run_->report(LiveStatus::connecting());
    Workers::sessions().async([run = run_] {
        setCurrentThreadName("Vellumcast.FFmpegLiveSession");
        run->supervise();
    });
}

void FFmpegLiveSession::stop()
{
    run_->stop();
}

void FFmpegLiveSession::Run::stop()
{
    pid_t pid;
    {
        std::lock_guard guard(lock);
        shouldStop = true;
        pid = childPID;
    }
    changed.notify_all();
    if (pid > 0) {
        ::kill(pid, SIGTERM);
        killAfterGrace(pid);
    }
    if (deliveringFor != this) {
        std::lock_guard wait(deliveryLock);
    }
}

void FFmpegLiveSession::Run::killAfterGrace(pid_t pid)
{
    Workers::userInitiated().async([self = shared_from_this(), pid] {
        std::unique_lock guard(self->lock);
        const auto grace = std::chrono::duration<double>(kKillGraceSeconds);
        if (!self->changed.wait_for(guard, grace, [&] { return self->childPID != pid; }))
            ::kill(pid, SIGKILL); // still unreaped, so still our child
    });
}

template <typename Call>
void FFmpegLiveSession::Run::deliver(Call&& call)
{
    std::lock_guard guard(deliveryLock);
    if (stopRequested())
        return;
    deliveringFor = this;
    call();
    deliveringFor = nullptr;
}

void FFmpegLiveSession::terminateAll()
{
    std::vector<std::shared_ptr<Run>> running;
    {
        std::lock_guard guard(registryMutex());
        for (const auto& weak : registry()) {
            if (auto session = weak.lock())
                running.push_back(std::move(session));
        }
    }
    for (const auto& session : running)
        session->stop();
}

bool FFmpegLiveSession::Run::stopRequested()
{
    std::lock_guard guard(lock);
    return shouldStop;
}

bool FFmpegLiveSession::Run::pauseBeforeRestart()
{
    std::unique_lock guard(lock);
    const auto pause = std::chrono::duration<double>(std::max(restartPause, 0.0));
    return changed.wait_for(guard, pause, [this] { return shouldStop; });
}

void FFmpegLiveSession::Run::report(const LiveStatus& status)
{
    if (onStatus)
        deliver([&] { onStatus(status); });
}

void FFmpegLiveSession::Run::supervise()
{
    const std::optional<QString> path = FFmpegTools::ffmpegPath();
    if (!path) {
        report(LiveStatus::failed(Texts::tr("ffmpeg non trovato: serve per ricevere RTMP e SRT")));
        return;
    }
    const QString protocol = source.kind == LiveSourceKind::srt ? QStringLiteral("srt") : QStringLiteral("rtmp");
    if (!FFmpegTools::supports(protocol, *path, false)) {
        report(LiveStatus::failed(Texts::tr("Questo ffmpeg non supporta %1: serve una build con libsrt").arg(protocol.toUpper())));
        return;
    }
    if (stopRequested())
        return;
    bool withAudio = true;
    const std::optional<ListenPort> listen = listenPort(source);
    for (;;) {
        // A port held by another program (an earlier run's ffmpeg, another
        // server) is reported and left alone; the source starts once it is free.
        if (listen && portTaken(*listen)) {
            if (!failedShowing) {
                report(LiveStatus::failed(
                    Texts::tr("La porta %1 è già in uso da un altro programma: chiudilo o scegli un'altra porta")
                        .arg(listen->port)));
                failedShowing = true;
            }
            if (pauseBeforeRestart())
                return;
            continue;
        }
        const Result run = runOnce(*path, withAudio);
        if (stopRequested())
            return;
        if (run.errorText.contains(QLatin1String("does not contain any stream"))
            || run.errorText.contains(QLatin1String("matches no streams"))) {
            // The feed has no sound (or, once sound is off, no picture yet):
            // again at once, without the sound, for the rest of the session.
            withAudio = false;
            continue;
        }
        // A spawn that failed keeps its failed status on show until a later
        // spawn works; every other end of ffmpeg means waiting for the feed.
        if (!run.spawnFailed)
            report(LiveStatus::connecting());
        if (pauseBeforeRestart())
            return;
    }
}

FFmpegLiveSession::Run::Result FFmpegLiveSession::Run::runOnce(const QString& ffmpeg, bool withAudio)
{
    // Pipe::create puts both ends at descriptors >= 10 with close-on-exec.
    auto video = Pipe::create();
    auto audio = video ? Pipe::create() : std::nullopt;
    auto error = audio ? Pipe::create() : std::nullopt;
    if (!error) {
        for (const auto& pipe : { video, audio }) {
            if (pipe) {
                closeDescriptor(pipe->readEnd);
                closeDescriptor(pipe->writeEnd);
            }
        }
        return {};
    }

    std::string why;
    int errorNumber = 0;
    auto child = ChildProcess::spawn(ffmpeg, ingestArguments(source, withAudio),
                                     { { 0, -1 }, { 1, video->writeEnd }, { 2, error->writeEnd }, { 3, audio->writeEnd } },
                                     &why, &errorNumber);
    closeDescriptor(video->writeEnd);
    closeDescriptor(audio->writeEnd);
    closeDescriptor(error->writeEnd);
    if (!child) {
        closeDescriptor(video->readEnd);
        closeDescriptor(audio->readEnd);
        closeDescriptor(error->readEnd);
        report(LiveStatus::failed(Texts::tr("Impossibile avviare ffmpeg (errore %1)").arg(errorNumber)));
        failedShowing = true;
        Result result;
        result.spawnFailed = true;
        return result;
    }
    if (failedShowing) {
        failedShowing = false;
        report(LiveStatus::connecting());
    }

    const pid_t pid = child->pid();
    // The child decodes and converts a live feed in real time: beside busy
    // processes at its own priority it fell behind for seconds and caught
    // up in bursts (the sound's delay rose by the burst, its pictures came
    // in clumps). Raised at once, before it makes its decoding threads, as
    // the program's own readers of the feed are. Unlike a file's decoders,
    // which may run ahead of the sound and take every core, it cannot run
    // ahead of a feed: it takes no more than the feed needs.
    raiseChildPriority(pid);
    bool stopDuringSpawn;
    {
        std::lock_guard guard(lock);
        childPID = pid;
        stopDuringSpawn = shouldStop;
    }
    if (stopDuringSpawn) {
        ::kill(pid, SIGTERM);
        killAfterGrace(pid);
    }

    auto self = shared_from_this();
    // The last run's audio reader has ended: its count is final.
    const double soundBase = withAudio ? double(soundFramesHandedOver.load()) / kAudioRate
                                       : std::numeric_limits<double>::quiet_NaN();
    leadLeftOut.store(std::numeric_limits<double>::quiet_NaN());
    // Larger pipes: the child writes a whole picture (3.6 MB) in fewer
    // turns of the reader, and a reader that comes late for a moment does
    // not hold up the child's other output.
    for (int fd : { video->readEnd, audio->readEnd })
        fcntl(fd, F_SETPIPE_SZ, kPipeBytes);
    std::thread videoReader([self, fd = video->readEnd, soundBase] {
        setCurrentThreadName("Vellumcast.FFmpegLiveSession.video");
        raiseCurrentThreadPriority();
        self->readVideo(fd, soundBase);
    });
    std::thread audioReader;
    if (withAudio) {
        audioReader = std::thread([self, fd = audio->readEnd] {
            setCurrentThreadName("Vellumcast.FFmpegLiveSession.audio");
            raiseCurrentThreadPriority();
            self->readAudio(fd);
        });
    } else {
        closeDescriptor(audio->readEnd);
    }
    QString errorText;
    std::thread errorReader([&errorText, fd = error->readEnd] {
        setCurrentThreadName("Vellumcast.FFmpegLiveSession.stderr");
        errorText = readAll(fd); // read by the supervisor only after join
    });

    waitForExitKeepingPid(pid);
    {
        std::lock_guard guard(lock);
        childPID = 0;
    }
    changed.notify_all();
    child->wait(); // reaps

    // The readers end at end of file, which comes now that the child is gone
    // (this process holds no writing end).
    videoReader.join();
    if (audioReader.joinable())
        audioReader.join();
    errorReader.join();
    // The readers' buffers and threads are gone with the run.
    HeapRelease::shared().request();
    Result result;
    result.errorText = errorText;
    return result;
}

void FFmpegLiveSession::Run::readVideo(int fd, double soundBase)
{
    bool first = true;
    std::int64_t index = 0;
    while (!stopRequested()) {
        // In picture memory given back by an earlier frame: a 3.6 MB frame
        // 30 times a second would otherwise be fresh pages faulted in.
        std::shared_ptr<VideoFrame> frame = VideoFrame::createForOverwrite(kFrameWidth, kFrameHeight);
        if (!frame)
            break;
        if (!readFrame(fd, *frame))
            break; // a frame cut short by the end of the pipe is dropped
        // The image keeps the frame; its memory is given back with the
        // image's last copy.
        const QImage image = frame->image();
        if (first) {
            first = false;
            report(LiveStatus::live());
        }
        const double soundSeconds = soundBase + double(index++) / kFramesPerSecond - leadLeftOut.load();
        if (onVideo)
            deliver([&] { onVideo(image, soundSeconds); });
    }
    closeDescriptor(fd);
}

void FFmpegLiveSession::Run::readAudio(int fd)
{
    const AudioFormat format = AudioFormat::float32(kAudioRate, 2, false);
    std::vector<float> scratch(static_cast<std::size_t>(kAudioChunkFrames) * 2, 0.0f);
    // The child's padding is digital silence; a feed silent for longer than
    // the longest padding is heard from then on.
    constexpr std::int64_t kMostLead = std::int64_t(kAudioRate) * 4;
    std::int64_t lead = 0;
    bool leading = true;
    while (!stopRequested()) {
        if (!readFully(fd, scratch.data(), scratch.size() * sizeof(float)))
            break;
        if (leading) {
            if (lead < kMostLead && std::all_of(scratch.begin(), scratch.end(), [](float s) { return s == 0.0f; })) {
                lead += kAudioChunkFrames;
                continue;
            }
            leading = false;
            leadLeftOut.store(double(lead) / kAudioRate);
        }
        auto buffer = PcmBuffer::create(format, kAudioChunkFrames);
        if (!buffer)
            break;
        buffer->setFrameLength(kAudioChunkFrames);
        float* left = buffer->floatData(0);
        float* right = buffer->floatData(1);
        for (int i = 0; i < kAudioChunkFrames; ++i) {
            left[i] = scratch[static_cast<std::size_t>(2 * i)];
            right[i] = scratch[static_cast<std::size_t>(2 * i + 1)];
        }
        if (onAudio)
            deliver([&] {
                onAudio(buffer);
                soundFramesHandedOver.fetch_add(kAudioChunkFrames);
            });
    }
    closeDescriptor(fd);
}

QString FFmpegLiveSession::Run::readAll(int fd)
{
    QByteArray text;
    char chunk[4096];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n > 0)
            appendBounded(text, chunk, n, kErrorTextLimit);
        else if (n < 0 && errno == EINTR)
            continue;
        else
            break;
    }
    closeDescriptor(fd);
    return QString::fromUtf8(text);
}

} // namespace tessarin
