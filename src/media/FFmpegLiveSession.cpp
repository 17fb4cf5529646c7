#include "media/FFmpegLiveSession.h"

#include "media/FFmpegTools.h"
#include "platform/ChildProcess.h"
#include "platform/ThreadName.h"

#include <QCoreApplication>
#include <QImage>

#include <cerrno>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

namespace tessarin {
namespace {

// Texts of this file, looked up as FFmpegLiveSession's.
struct Texts {
    Q_DECLARE_TR_FUNCTIONS(FFmpegLiveSession)
};

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

// One pipe frame into a pooled frame, row by row when its rows are padded.
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
    static std::mutex mutex;
    return mutex;
}

std::vector<std::weak_ptr<FFmpegLiveSession>>& registry()
{
    static std::vector<std::weak_ptr<FFmpegLiveSession>> sessions;
    return sessions;
}

void registerSession(const std::weak_ptr<FFmpegLiveSession>& session)
{
    static std::once_flag hooked;
    std::call_once(hooked, [] {
        if (auto* app = QCoreApplication::instance())
            QObject::connect(app, &QCoreApplication::aboutToQuit, &FFmpegLiveSession::terminateAll);
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
    , pool_(kPooledFrames)
{
}

FFmpegLiveSession::~FFmpegLiveSession() = default;

QStringList FFmpegLiveSession::arguments(bool withAudio) const
{
    QStringList args = { "-hide_banner", "-loglevel", "error", "-nostdin", "-fflags", "+nobuffer+discardcorrupt",
                         "-flags", "low_delay", "-probesize", "2000000", "-analyzeduration", "2000000" };
    if (source_.kind == LiveSourceKind::rtmp && source_.listen)
        args << "-listen"
             << "1";
    args << "-i" << source_.address;
    // One thread for the raw picture output: by default ffmpeg frame-threads
    // even this copy "encoder", and a frame-threaded encoder hands a picture
    // out only when a later one comes in, so once a burst has filled its
    // threads (the one at connection does) every picture stays held by one
    // frame per thread: about 270 ms on eight cores, for nothing.
    args << "-map"
         << "0:v:0"
         << "-vf"
         << "fps=30,scale=1280:720:force_original_aspect_ratio=decrease,pad=1280:720:(ow-iw)/2:(oh-ih)/2:black,format=bgra"
         << "-threads"
         << "1"
         << "-f"
         << "rawvideo"
         << "pipe:1";
    if (withAudio)
        args << "-map"
             << "0:a:0"
             << "-ac"
             << "2"
             << "-ar"
             << "48000"
             << "-f"
             << "f32le"
             << "pipe:3";
    return args;
}

void FFmpegLiveSession::start()
{
    if (started_)
        return;
    started_ = true;
    std::weak_ptr<FFmpegLiveSession> weak = weak_from_this();
    registerSession(weak);
    report(LiveStatus::connecting());
    std::thread([weak] {
        setCurrentThreadName("Vellumcast.FFmpegLiveSession");
        if (auto self = weak.lock())
            self->supervise();
    }).detach();
}

void FFmpegLiveSession::stop()
{
    pid_t pid;
    {
        std::lock_guard lock(lock_);
        shouldStop_ = true;
        pid = childPID_;
    }
    stopped_.notify_all();
    if (pid > 0)
        ::kill(pid, SIGTERM);
}

void FFmpegLiveSession::terminateAll()
{
    std::vector<std::shared_ptr<FFmpegLiveSession>> running;
    {
        std::lock_guard lock(registryMutex());
        for (const auto& weak : registry()) {
            if (auto session = weak.lock())
                running.push_back(std::move(session));
        }
    }
    for (const auto& session : running)
        session->stop();
}

bool FFmpegLiveSession::stopRequested()
{
    std::lock_guard lock(lock_);
    return shouldStop_;
}

bool FFmpegLiveSession::pauseBeforeRestart()
{
    std::unique_lock lock(lock_);
    const auto pause = std::chrono::duration<double>(std::max(restartPause_, 0.0));
    return stopped_.wait_for(lock, pause, [this] { return shouldStop_; });
}

void FFmpegLiveSession::report(const LiveStatus& status)
{
    if (onStatus)
        onStatus(status);
}

void FFmpegLiveSession::supervise()
{
    const std::optional<QString> path = FFmpegTools::ffmpegPath();
    if (!path) {
        report(LiveStatus::failed(Texts::tr("ffmpeg non trovato: serve per ricevere RTMP e SRT")));
        return;
    }
    const QString protocol = source_.kind == LiveSourceKind::srt ? QStringLiteral("srt") : QStringLiteral("rtmp");
    if (!FFmpegTools::supports(protocol, *path, false)) {
        report(LiveStatus::failed(Texts::tr("Questo ffmpeg non supporta %1: serve una build con libsrt").arg(protocol.toUpper())));
        return;
    }
    if (stopRequested())
        return;
    bool withAudio = true;
    for (;;) {
        const RunResult run = runOnce(*path, withAudio);
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

FFmpegLiveSession::RunResult FFmpegLiveSession::runOnce(const QString& ffmpeg, bool withAudio)
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
    auto child = ChildProcess::spawn(ffmpeg, arguments(withAudio),
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
        failedShowing_ = true;
        RunResult result;
        result.spawnFailed = true;
        return result;
    }
    if (failedShowing_) {
        failedShowing_ = false;
        report(LiveStatus::connecting());
    }

    const pid_t pid = child->pid();
    bool stopDuringSpawn;
    {
        std::lock_guard lock(lock_);
        childPID_ = pid;
        stopDuringSpawn = shouldStop_;
    }
    if (stopDuringSpawn)
        ::kill(pid, SIGTERM);

    auto self = shared_from_this();
    std::thread videoReader([self, fd = video->readEnd] {
        setCurrentThreadName("Vellumcast.FFmpegLiveSession.video");
        self->readVideo(fd);
    });
    std::thread audioReader;
    if (withAudio) {
        audioReader = std::thread([self, fd = audio->readEnd] {
            setCurrentThreadName("Vellumcast.FFmpegLiveSession.audio");
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
        std::lock_guard lock(lock_);
        childPID_ = 0;
    }
    child->wait(); // reaps

    // The readers end at end of file, which comes now that the child is gone
    // (this process holds no writing end).
    videoReader.join();
    if (audioReader.joinable())
        audioReader.join();
    errorReader.join();
    RunResult result;
    result.errorText = errorText;
    return result;
}

void FFmpegLiveSession::readVideo(int fd)
{
    bool first = true;
    while (!stopRequested()) {
        // Pooled: a 3.6 MB frame 30 times a second would otherwise be a
        // fresh allocation (and page faults) per frame.
        std::shared_ptr<VideoFrame> frame = pool_.acquire(kFrameWidth, kFrameHeight);
        if (!frame)
            break;
        if (!readFrame(fd, *frame))
            break; // a frame cut short by the end of the pipe is dropped
        // The image keeps the frame; it goes back to the pool with the
        // image's last copy.
        const QImage image = frame->image();
        if (first) {
            first = false;
            report(LiveStatus::live());
        }
        if (onVideo)
            onVideo(image);
    }
    closeDescriptor(fd);
}

void FFmpegLiveSession::readAudio(int fd)
{
    const AudioFormat format = AudioFormat::float32(48000.0, 2, false);
    std::vector<float> scratch(static_cast<std::size_t>(kAudioChunkFrames) * 2, 0.0f);
    while (!stopRequested()) {
        if (!readFully(fd, scratch.data(), scratch.size() * sizeof(float)))
            break;
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
            onAudio(buffer);
    }
    closeDescriptor(fd);
}

QString FFmpegLiveSession::readAll(int fd)
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
