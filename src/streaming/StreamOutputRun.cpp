// The run of a stream destination: pipes, ffmpeg processes, the writers fed
// by the stream manager's pumps, the progress and error readers, and the end
// of the run.
#include "media/AddressSecrets.h"
#include "media/FFmpegTools.h"
#include "platform/ChildProcess.h"
#include "platform/HeapRelease.h"
#include "platform/MainThread.h"
#include "platform/Clock.h"
#include "platform/Workers.h"
#include "streaming/StreamOutputShared.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <limits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace tessarin {
namespace {

// Texts of this file, looked up as StreamOutput's.
struct Texts {
    Q_DECLARE_TR_FUNCTIONS(StreamOutput)
};

// ChildProcess reports a failed spawn as strerror() text; the operator's
// message carries the error number it came from.
int errorNumberOf(const std::string& text)
{
    for (int number = 1; number < 200; ++number) {
        if (text == std::strerror(number))
            return number;
    }
    return EINVAL;
}

// Waits until pid has ended without reaping it, so its id cannot be reused
// while it is still published for signalling.
void waitForEnd(pid_t pid)
{
    siginfo_t info {};
    while (waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT) < 0 && errno == EINTR) { }
}

bool hasEnded(pid_t pid)
{
    siginfo_t info {};
    info.si_pid = 0;
    int rc;
    do {
        rc = waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT);
    } while (rc < 0 && errno == EINTR);
    return rc < 0 || info.si_pid != 0;
}

void readLines(int fd, const std::function<void(const QString&)>& handler)
{
    char buffer[2048];
    QByteArray pending;
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        pending.append(buffer, n);
        qsizetype newline;
        while ((newline = pending.indexOf('\n')) >= 0) {
            handler(QString::fromUtf8(pending.constData(), newline));
            pending.remove(0, newline + 1);
        }
    }
    closeDescriptor(fd); // a line cut off by the end is dropped
}

// The last kKeep bytes of what fd gives, and whether more came before them.
struct ErrorText {
    QString text;
    bool cut = false;
};

ErrorText readAll(int fd)
{
    constexpr qsizetype kKeep = 16384;
    char buffer[4096];
    QByteArray collected;
    bool cut = false;
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        collected.append(buffer, n);
        if (collected.size() > kKeep) {
            collected.remove(0, collected.size() - kKeep);
            cut = true;
        }
    }
    closeDescriptor(fd);
    // A cut start begins at a character, not inside one.
    qsizetype start = 0;
    while (cut && start < collected.size() && (static_cast<unsigned char>(collected.at(start)) & 0xC0) == 0x80)
        ++start;
    return { QString::fromUtf8(collected.constData() + start, collected.size() - start), cut };
}

} // namespace

bool StreamOutput::writeAll(int fd, const void* bytes, qsizetype count)
{
    if (count <= 0)
        return true;
    const auto* p = static_cast<const char*>(bytes);
    qsizetype offset = 0;
    while (offset < count) {
        const ssize_t n = ::write(fd, p + offset, static_cast<size_t>(count - offset));
        if (n > 0)
            offset += n;
        else if (n == 0)
            return false;
        else if (errno != EINTR)
            return false;
    }
    return true;
}

std::optional<QString> StreamOutput::lastMeaningfulLine(const QString& text)
{
    static const QRegularExpression breaks(QStringLiteral("\r\n|[\n\v\f\r\u0085\u2028\u2029]"));
    const QStringList pieces = text.split(breaks, Qt::SkipEmptyParts);
    for (auto it = pieces.crbegin(); it != pieces.crend(); ++it) {
        qsizetype begin = 0;
        qsizetype end = it->size();
        while (begin < end && (it->at(begin) == u' ' || it->at(begin) == u'\t'))
            ++begin;
        while (end > begin && (it->at(end - 1) == u' ' || it->at(end - 1) == u'\t'))
            --end;
        if (end > begin)
            return it->mid(begin, end - begin);
    }
    return std::nullopt;
}

StreamOutput::ProgressMeter::Result StreamOutput::ProgressMeter::handle(const QString& line, double now)
{
    if (line.startsWith(QStringLiteral("total_size="))) {
        bool ok = false;
        const double value = line.mid(11).toDouble(&ok);
        if (!ok)
            return {}; // ffmpeg writes "N/A" before its first output
        if (!last_) {
            last_ = { now, value };
            return {};
        }
        const double seconds = now - last_->first;
        if (seconds >= 0.9) {
            const double rate = (value - last_->second) * 8.0 / 1000.0 / seconds;
            last_ = { now, value };
            return { Event::rate, rate >= 0 ? rate : 0.0 };
        }
        return {};
    }
    if (line.startsWith(QStringLiteral("progress=")))
        return { Event::progress, 0 };
    return {};
}

void StreamOutput::submit(const StreamFramePtr& frame, double time)
{
    if (!frame)
        return;
    int fd = -1;
    StreamFramePtr previous; // written into the slots missed before this frame
    long long missed = 0;
    bool opening = false;
    {
        std::lock_guard guard(shared_->lock);
        if (!shared_->running || shared_->stopRequested || shared_->videoFD < 0)
            return;
        const int waiting = shared_->starting
            ? std::max(kWaitingFrames, static_cast<int>(std::ceil(shared_->frameRate * kStartQueueSeconds)))
            : kWaitingFrames;
        if (shared_->pendingVideo >= waiting) {
            ++shared_->droppedFrames;
            ++shared_->runDroppedFrames;
            shared_->starting = false;
            return;
        }
        if (std::isfinite(time)) {
            if (std::isnan(shared_->origin)) {
                // The run's clock starts when the encoder has taken its
                // first frame: until then nothing else goes in, so an
                // encoder that starts late leaves nothing to catch up on.
                if (shared_->opening)
                    return;
                shared_->opening = true;
                opening = true;
            } else {
                // The frame's place on the timeline, in slots. It takes the
                // next free slot from half a slot before that slot's time to
                // a whole slot after it: a frame that comes late (a render
                // tick held up by less than a period) still takes its own
                // slot, so it neither leaves that slot to a repeat nor takes
                // the slot of the frame after it, which would then have no
                // place. A frame more than half a slot before the next free
                // one shares a filled slot with the frame before it.
                const double position = (time - shared_->origin) * shared_->frameRate;
                const double next = double(shared_->nextFrame);
                // A frame for the first slot, which the first frame holds,
                // comes with the run's start, like those handed in while
                // the encoder took the first: not counted.
                if (std::isfinite(position) && position < 0.5 && next <= 1.0)
                    return;
                if (!std::isfinite(position) || position < next - 0.5) {
                    ++shared_->droppedFrames;
                    ++shared_->runDroppedFrames;
                    return;
                }
                // (A hair is added so that a time right on the grid is not
                // taken for the slot before it by a rounding error.)
                const double slot = std::max(next, std::floor(position + 1e-6));
                // Slots missed since the last frame (dropped while the
                // encoder was busy) repeat that frame, as a constant-rate
                // encoder would; a gap beyond a minute is not made up.
                missed = std::min<long long>(static_cast<long long>(slot) - shared_->nextFrame,
                                             static_cast<long long>(std::ceil(shared_->frameRate * 60.0)));
                if (missed > 0)
                    previous = shared_->lastFrame ? shared_->lastFrame : frame;
                shared_->nextFrame = static_cast<long long>(slot) + 1;
            }
            shared_->lastFrame = frame;
        } else {
            ++shared_->nextFrame;
        }
        ++shared_->pendingVideo;
        fd = shared_->videoFD;
    }
    shared_->videoQueue.async([shared = shared_, frame, previous, missed, fd, opening, time] {
        auto writeFrame = [fd](const VideoFrame& f) {
            const std::uint8_t* bits = f.constBits();
            if (!bits || f.width() <= 0 || f.height() <= 0)
                return true;
            const qsizetype row = qsizetype(f.width()) * 4;
            const qsizetype stride = f.bytesPerLine();
            if (stride == row)
                return writeAll(fd, bits, row * f.height());
            if (stride < row)
                return true;
            for (int y = 0; y < f.height(); ++y) {
                if (!writeAll(fd, bits + qsizetype(y) * stride, row))
                    return false;
            }
            return true;
        };
        bool ok = true;
        for (long long i = 0; ok && i < missed; ++i)
            ok = writeFrame(*previous);
        if (ok)
            ok = writeFrame(*frame);
        const double taken = HostClock::monotonicSeconds();
        std::lock_guard guard(shared->lock);
        if (opening && ok && std::isnan(shared->origin)) {
            // On the frames' own grid (a whole number of periods after the
            // first frame's time), so later frames land on their slots.
            const double periods = std::ceil((taken - time) * shared->frameRate);
            shared->origin = time + (std::isfinite(periods) ? std::max(periods, 0.0) : 0.0) / shared->frameRate;
            shared->nextFrame = 1;
        } else if (!opening && ok && shared->starting) {
            // Taken with none waiting behind it: the encoder keeps pace.
            shared->pacedWrites = shared->pendingVideo == 1 ? shared->pacedWrites + 1 : 0;
            if (shared->pacedWrites >= std::ceil(shared->frameRate * kPacedStartSeconds))
                shared->starting = false;
        }
        --shared->pendingVideo;
        closeFinishedPipes(*shared);
    });
}

void StreamOutput::submit(const StreamAudioBlock& audio, double time)
{
    if (!audio)
        return;
    int fd = -1;
    long long silence = 0; // frames missed before this block
    long long skip = 0;    // frames of this block before the run's next sample
    {
        std::lock_guard guard(shared_->lock);
        if (!shared_->running || shared_->stopRequested || shared_->audioFD < 0 || shared_->pendingAudio >= 25)
            return;
        const auto frames = static_cast<long long>(audio->size() / 2);
        if (std::isfinite(time)) {
            if (std::isnan(shared_->origin))
                return; // the run starts with its first frame
            const double first = std::round((time - shared_->origin) * 48000.0);
            if (!std::isfinite(first) || first + double(frames) <= double(shared_->nextSample))
                return; // before the run, or sent already
            const auto at = static_cast<long long>(first);
            skip = std::max(0LL, shared_->nextSample - at);
            silence = std::min(std::max(0LL, at - shared_->nextSample), 48000LL * 60);
            shared_->nextSample = at + frames;
        } else {
            shared_->nextSample += frames;
        }
        ++shared_->pendingAudio;
        fd = shared_->audioFD;
    }
    shared_->audioQueue.async([shared = shared_, audio, fd, silence, skip] {
        bool ok = true;
        if (silence > 0) {
            const std::vector<float> zeros(static_cast<std::size_t>(std::min(silence, 48000LL)) * 2, 0.0f);
            for (long long left = silence; ok && left > 0; left -= 48000)
                ok = writeAll(fd, zeros.data(), qsizetype(std::min(left, 48000LL)) * 2 * qsizetype(sizeof(float)));
        }
        if (ok) {
            const qsizetype offset = qsizetype(skip) * 2;
            writeAll(fd, audio->data() + offset, (qsizetype(audio->size()) - offset) * qsizetype(sizeof(float)));
        }
        std::lock_guard guard(shared->lock);
        --shared->pendingAudio;
        closeFinishedPipes(*shared);
    });
}

void StreamOutput::launch(std::shared_ptr<Shared> shared, QPointer<StreamOutput> owner, QString address,
                          QString scheme, StreamFormat format, int bitrate, InterlacedCodec codec, bool hevc)
{
    auto decision = decide(scheme, format, codec, hevc);
    if (auto* message = std::get_if<QString>(&decision)) {
        postFail(owner, *message);
        return;
    }
    const LaunchPlan plan = std::get<LaunchPlan>(decision);
    const bool chained = plan.sender.has_value();

    // Every end lands on a descriptor >= 10 with close-on-exec set.
    std::vector<Pipe> pipes;
    for (int i = 0; i < (chained ? 5 : 4); ++i) {
        auto pipe = Pipe::create();
        if (!pipe) {
            for (const Pipe& made : pipes) {
                closeDescriptor(made.readEnd);
                closeDescriptor(made.writeEnd);
            }
            postFail(owner, Texts::tr("Impossibile creare le pipe verso ffmpeg"));
            return;
        }
        pipes.push_back(*pipe);
    }
    const Pipe video = pipes[0], audio = pipes[1], progress = pipes[2], errors = pipes[3];
    // A picture (8 MB at 1080p) crosses a pipe of the default 64 KB in some
    // 128 hand-overs between the writer and the encoder's reading thread,
    // each waiting for the other to be scheduled: on a loaded machine that
    // alone can hold the pictures back. A pipe of 1 MB (what Linux grants
    // without privileges) needs a sixteenth of them; where it is refused,
    // the default stays.
    fcntl(video.writeEnd, F_SETPIPE_SZ, kVideoPipeBytes);
    const Pipe transport = chained ? pipes[4] : Pipe {};

    const QStringList encoderArgs = arguments(address, scheme, format, bitrate, plan.encoder, chained, plan.device);
    std::optional<ChildProcess> child;
    std::optional<ChildProcess> helper;
    std::string spawnError;
    if (!chained) {
        child = ChildProcess::spawn(plan.ffmpeg, encoderArgs,
                                    { { 0, video.readEnd }, { 1, -1 }, { 2, errors.writeEnd }, { 3, audio.readEnd },
                                      { 4, progress.writeEnd } },
                                    &spawnError);
    } else {
        helper = ChildProcess::spawn(plan.ffmpeg, encoderArgs,
                                     { { 0, video.readEnd }, { 1, transport.writeEnd }, { 2, errors.writeEnd },
                                       { 3, audio.readEnd } },
                                     &spawnError);
        if (helper) {
            child = ChildProcess::spawn(*plan.sender, senderArguments(address),
                                        { { 0, transport.readEnd }, { 1, -1 }, { 2, errors.writeEnd },
                                          { 4, progress.writeEnd } },
                                        &spawnError);
            if (!child) {
                helper->kill();
                helper->wait();
                helper.reset();
            }
        }
    }
    closeDescriptor(video.readEnd);
    closeDescriptor(audio.readEnd);
    closeDescriptor(progress.writeEnd);
    closeDescriptor(errors.writeEnd);
    if (chained) {
        closeDescriptor(transport.readEnd);
        closeDescriptor(transport.writeEnd);
    }
    if (!child) {
        closeDescriptor(video.writeEnd);
        closeDescriptor(audio.writeEnd);
        closeDescriptor(progress.readEnd);
        closeDescriptor(errors.readEnd);
        postFail(owner, Texts::tr("Impossibile avviare ffmpeg (errore %1)").arg(errorNumberOf(spawnError)));
        return;
    }
    // A write to a pipe whose reader has gone fails with EPIPE: SIGPIPE is
    // ignored process-wide (Linux has no per-descriptor switch).

    const pid_t childPid = child->pid();
    const pid_t helperPid = helper ? helper->pid() : 0;
    bool stopEarly = false;
    {
        std::lock_guard guard(shared->lock);
        shared->childPID = childPid;
        shared->helperPID = helperPid;
        shared->videoFD = video.writeEnd;
        shared->audioFD = audio.writeEnd;
        shared->origin = std::numeric_limits<double>::quiet_NaN();
        shared->opening = false;
        shared->lastFrame.reset();
        shared->encodedFrames = 0;
        shared->frameRate = double(StreamFormat::rateNumerator(format.rate))
            / double(std::max(StreamFormat::rateDenominator(format.rate), 1));
        shared->nextFrame = 0;
        shared->nextSample = 0;
        shared->runDroppedFrames = 0;
        shared->starting = true;
        shared->pacedWrites = 0;
        shared->running = true;
        stopEarly = shared->stopRequested;
    }
    if (stopEarly) {
        ::kill(childPid, SIGTERM);
        if (helperPid > 0)
            ::kill(helperPid, SIGTERM);
        // The output may be gone already, and its kill timer with it.
        killStillAfterGrace(shared, { childPid, helperPid });
    }

    std::thread progressReader([shared, owner, fd = progress.readEnd] {
        readLines(fd, [&](const QString& line) {
            if (line.startsWith(QStringLiteral("frame="))) {
                bool ok = false;
                const long long frames = line.mid(6).trimmed().toLongLong(&ok);
                if (ok) {
                    std::lock_guard guard(shared->lock);
                    shared->encodedFrames = frames;
                }
                return;
            }
            const auto result = shared->meter.handle(line, HostClock::monotonicSeconds());
            if (result.event == ProgressMeter::Event::rate) {
                postToMain([owner, kbps = result.kbps] {
                    if (owner)
                        owner->setMeasuredKbps(kbps);
                });
            } else if (result.event == ProgressMeter::Event::progress) {
                postToMain([owner] {
                    if (owner)
                        owner->goLive();
                });
            }
        });
    });
    ErrorText errorText;
    std::thread errorReader([&errorText, fd = errors.readEnd] { errorText = readAll(fd); });

    waitForEnd(childPid);
    if (helperPid > 0) {
        // The encoder of a chain gets about 2 s to end after the sender.
        ::kill(helperPid, SIGTERM);
        bool ended = false;
        for (int i = 0; i < 20 && !(ended = hasEnded(helperPid)); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (!ended) {
            ::kill(helperPid, SIGKILL);
            waitForEnd(helperPid);
        }
    }

    bool stopWasRequested = false;
    {
        std::lock_guard guard(shared->lock);
        shared->running = false;
        shared->childPID = 0;
        shared->helperPID = 0;
        shared->lastFrame.reset();
        stopWasRequested = shared->stopRequested;
    }
    shared->processesEnded.notify_all();
    // Reaped only now that their ids are no longer published.
    child->wait();
    if (helper)
        helper->wait();
    // Every write counted while running has finished before the descriptors
    // go: a closed number may at once be handed to another open, and a late
    // write would land there. A submit that counted its write just before
    // the run ended may not have queued it yet, so the queues are drained
    // until the counts are back at zero, not just once. The last drain also
    // lets each finished write release its hold on the shared state here,
    // not on a queue thread, which could not join itself if that were the
    // last hold.
    for (;;) {
        shared->videoQueue.sync([] { });
        shared->audioQueue.sync([] { });
        bool drained = false;
        {
            std::lock_guard guard(shared->lock);
            drained = shared->pendingVideo == 0 && shared->pendingAudio == 0;
        }
        if (drained) {
            shared->videoQueue.sync([] { });
            shared->audioQueue.sync([] { });
            break;
        }
        std::this_thread::yield();
    }
    {
        // A stop may have closed them already, as their writes finished.
        std::lock_guard guard(shared->lock);
        closeDescriptor(shared->videoFD);
        closeDescriptor(shared->audioFD);
        shared->videoFD = -1;
        shared->audioFD = -1;
    }
    progressReader.join();
    errorReader.join();
    // The run's queues, its writes and its threads are gone.
    HeapRelease::shared().request();
    // ffmpeg names the address in its errors: no part of its secrets may
    // reach the screen, also where the line was cut (by ffmpeg at its end,
    // by the reader at its start when the line began before what it kept).
    std::optional<QString> line = lastMeaningfulLine(errorText.text);
    if (line) {
        const qsizetype at = errorText.text.lastIndexOf(*line);
        const bool cutAtStart = errorText.cut && !errorText.text.left(at).contains(u'\n')
            && !errorText.text.left(at).contains(u'\r');
        line = AddressSecrets::redacted(*line, address, cutAtStart);
    }
    postToMain([owner, stopWasRequested, line] {
        if (owner)
            owner->endRun(stopWasRequested, line);
    });
}

} // namespace tessarin
