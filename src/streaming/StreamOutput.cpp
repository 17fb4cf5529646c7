#include "streaming/StreamOutput.h"

#include "platform/ChildProcess.h"
#include "platform/MainThread.h"
#include "platform/Settings.h"
#include "platform/Workers.h"
#include "streaming/KeychainQueue.h"
#include "streaming/StreamOutputShared.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <csignal>

namespace tessarin {
namespace {

// Texts of this file, looked up as StreamOutput's.
struct Texts {
    Q_DECLARE_TR_FUNCTIONS(StreamOutput)
};

QString kindRaw(StreamOutput::Kind value)
{
    return value == StreamOutput::Kind::srt ? QStringLiteral("srt") : QStringLiteral("rtmp");
}

QString videoCodecRaw(StreamOutput::VideoCodec value)
{
    return value == StreamOutput::VideoCodec::h264 ? QStringLiteral("h264") : QStringLiteral("h265");
}

QString interlacedCodecRaw(StreamOutput::InterlacedCodec value)
{
    return value == StreamOutput::InterlacedCodec::h264 ? QStringLiteral("h264") : QStringLiteral("mpeg2");
}

} // namespace

StreamOutput::StreamOutput(int index, Settings& settings, Clock& clock, std::shared_ptr<KeychainQueue> keychain,
                           QObject* parent)
    : QObject(parent)
    , id_(index)
    , settings_(settings)
    , clock_(clock)
    , keychain_(keychain ? std::move(keychain) : KeychainQueue::shared())
    , shared_(std::make_shared<Shared>())
{
    const QString prefix = QStringLiteral("Vellumcast.stream.%1.").arg(index);
    kind_ = settings.stringValue(prefix + "kind") == QStringLiteral("srt") ? Kind::srt : Kind::rtmp;

    readStoredUrl(settings.stringValue(prefix + "url"));

    const qint64 bitrate = settings.intValue(prefix + "bitrate").value_or(0);
    bitrateKbps_ = std::find(bitrates.begin(), bitrates.end(), bitrate) != bitrates.end() ? int(bitrate) : 4000;
    interlacedCodec_ = settings.stringValue(prefix + "icodec") == QStringLiteral("h264") ? InterlacedCodec::h264
                                                                                         : InterlacedCodec::mpeg2;
    videoCodec_ = settings.stringValue(prefix + "vcodec") == QStringLiteral("h264") ? VideoCodec::h264 : VideoCodec::h265;
}

StreamOutput::~StreamOutput()
{
    saveUrlNow();
    const std::vector<pid_t> ids = requestStop();
    for (pid_t pid : ids)
        ::kill(pid, SIGTERM);
    // A launch still probing sees the stop when it spawns and ends its
    // processes itself.
    if (!ids.empty())
        killStillAfterGrace(shared_, ids);
}

void StreamOutput::signalStill(Shared& shared, const std::vector<pid_t>& ids, int signal)
{
    std::lock_guard guard(shared.lock);
    for (pid_t pid : ids) {
        if (pid > 0 && (pid == shared.childPID || pid == shared.helperPID))
            ::kill(pid, signal);
    }
}

void StreamOutput::killStill(Shared& shared, const std::vector<pid_t>& ids)
{
    signalStill(shared, ids, SIGKILL);
}

void StreamOutput::closeFinishedPipes(Shared& shared)
{
    if (!shared.stopRequested)
        return;
    if (shared.videoFD >= 0 && shared.pendingVideo == 0) {
        closeDescriptor(shared.videoFD);
        shared.videoFD = -1;
    }
    if (shared.audioFD >= 0 && shared.pendingAudio == 0) {
        closeDescriptor(shared.audioFD);
        shared.audioFD = -1;
    }
}

void StreamOutput::killStillAfterGrace(std::shared_ptr<Shared> shared, std::vector<pid_t> ids)
{
    Workers::userInitiated().async([shared = std::move(shared), ids = std::move(ids)] {
        {
            std::unique_lock guard(shared->lock);
            shared->processesEnded.wait_for(guard, std::chrono::duration<double>(kKillGraceSeconds),
                                            [&] { return shared->childPID == 0 && shared->helperPID == 0; });
        }
        killStill(*shared, ids);
    });
}

void StreamOutput::save(const QString& name, const QString& value)
{
    settings_.setString(QStringLiteral("Vellumcast.stream.%1.%2").arg(id_).arg(name), value);
}

void StreamOutput::setKind(Kind value)
{
    kind_ = value;
    save(QStringLiteral("kind"), kindRaw(value));
    emit kindChanged();
    emit changed();
}

void StreamOutput::setBitrateKbps(int value)
{
    bitrateKbps_ = value;
    settings_.setInt(QStringLiteral("Vellumcast.stream.%1.bitrate").arg(id_), value);
    emit bitrateKbpsChanged();
    emit changed();
}

void StreamOutput::setVideoCodec(VideoCodec value)
{
    videoCodec_ = value;
    save(QStringLiteral("vcodec"), videoCodecRaw(value));
    emit videoCodecChanged();
    emit changed();
}

void StreamOutput::setInterlacedCodec(InterlacedCodec value)
{
    interlacedCodec_ = value;
    save(QStringLiteral("icodec"), interlacedCodecRaw(value));
    emit interlacedCodecChanged();
    emit changed();
}

void StreamOutput::setStatus(const Status& value)
{
    status_ = value;
    emit statusChanged();
    emit changed();
}

void StreamOutput::setElapsed(double value)
{
    elapsed_ = value;
    emit elapsedChanged();
    emit changed();
}

void StreamOutput::setMeasuredKbps(double value)
{
    measuredKbps_ = value;
    emit measuredKbpsChanged();
    emit changed();
}

void StreamOutput::setRunDroppedFrames(long long value)
{
    runDroppedFrames_ = value;
    emit runDroppedFramesChanged();
    emit changed();
}

void StreamOutput::publishDroppedFrames()
{
    long long count = 0;
    {
        std::lock_guard guard(shared_->lock);
        count = shared_->runDroppedFrames;
    }
    if (count == runDroppedFrames_)
        return;
    setRunDroppedFrames(count);
}

bool StreamOutput::isActive() const
{
    return status_.state == Status::State::connecting || status_.state == Status::State::live;
}

void StreamOutput::start(const StreamFormat& format)
{
    if (isActive())
        return;
    saveUrlNow();
    if (urlRefused_) {
        setStatus(Status::failed(urlTooLongText()));
        return;
    }
    if (isLoadingUrl()) {
        waitForUrl(format);
        return;
    }
    if (isUrlLocked()) {
        // The keyring may have been unlocked since the last look.
        rereadStoredUrl();
        waitForUrl(format);
        return;
    }
    startChecked(format);
}

void StreamOutput::startChecked(const StreamFormat& format)
{
    const QString address = url_.trimmed();
    if (address.isEmpty()) {
        setStatus(Status::failed(Texts::tr("Inserisci l'indirizzo di destinazione")));
        return;
    }
    if (address.size() > kMaxUrlLength) {
        // One stored by an older version, which took any length.
        setStatus(Status::failed(urlTooLongText()));
        return;
    }
    const QString firstScheme = kind_ == Kind::srt ? QStringLiteral("srt") : QStringLiteral("rtmp");
    const QStringList accepted = kind_ == Kind::srt ? QStringList { QStringLiteral("srt") }
                                                    : QStringList { QStringLiteral("rtmp"), QStringLiteral("rtmps") };
    const QStringList pieces = address.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    const QString scheme = pieces.isEmpty() ? QString() : pieces.first().toLower();
    if (scheme.isEmpty() || !accepted.contains(scheme)) {
        setStatus(Status::failed(Texts::tr("L'indirizzo deve iniziare con %1://").arg(firstScheme)));
        return;
    }
    if (format.scan == StreamFormat::Scan::interlaced && interlacedCodec_ == InterlacedCodec::mpeg2
        && scheme != QStringLiteral("srt")) {
        setStatus(Status::failed(Texts::tr("L'interlacciato in MPEG-2 funziona solo con SRT: usa SRT oppure H.264")));
        return;
    }

    setStatus(Status::connecting());
    setElapsed(0);
    setMeasuredKbps(0);
    setRunDroppedFrames(0);
    {
        std::lock_guard guard(shared_->lock);
        shared_->stopRequested = false;
        shared_->runDroppedFrames = 0;
    }
    shared_->meter.reset();

    // Over RTMP the progressive stream is always H.264.
    const bool hevc = scheme == QStringLiteral("srt") && videoCodec_ == VideoCodec::h265;
    Workers::userInitiated().async([shared = shared_, owner = QPointer<StreamOutput>(this), address, scheme, format,
                                    bitrate = bitrateKbps_, codec = interlacedCodec_, hevc] {
        launch(shared, owner, address, scheme, format, bitrate, codec, hevc);
    });
}

std::vector<pid_t> StreamOutput::requestStop()
{
    std::vector<pid_t> ids;
    std::lock_guard guard(shared_->lock);
    shared_->stopRequested = true;
    closeFinishedPipes(*shared_);
    if (shared_->childPID > 0)
        ids.push_back(shared_->childPID);
    if (shared_->helperPID > 0)
        ids.push_back(shared_->helperPID);
    return ids;
}

void StreamOutput::stop()
{
    const std::vector<pid_t> ids = requestStop();
    if (startWaitingForUrl_) {
        // Nothing was launched: the run ends here.
        endWaitForUrl();
        endRun(true, std::nullopt);
        return;
    }
    if (ids.empty())
        return;

    // What the encoder holds was on air: it gets the time to work it off.
    std::erase_if(killTimers_, [](const std::unique_ptr<Timer>& timer) { return !timer->isActive(); });
    long long frames = 0;
    {
        std::lock_guard guard(shared_->lock);
        frames = shared_->encodedFrames;
    }
    scheduleStopCheck(ids, frames, 0.0);
}

void StreamOutput::scheduleStopCheck(const std::vector<pid_t>& ids, long long frames, double waited)
{
    // The timers belong to this output: gone with it, they never fire.
    const double next = std::min(waited + kStopFlushSeconds, kStopFlushLimitSeconds);
    auto timer = clock_.createTimer([this, ids, frames, next] { checkStopFlush(ids, frames, next); }, true);
    timer->start(next - waited);
    killTimers_.push_back(std::move(timer));
}

void StreamOutput::checkStopFlush(const std::vector<pid_t>& ids, long long framesBefore, double waited)
{
    long long frames = 0;
    bool still = false;
    {
        std::lock_guard guard(shared_->lock);
        frames = shared_->encodedFrames;
        for (pid_t pid : ids)
            still = still || (pid > 0 && (pid == shared_->childPID || pid == shared_->helperPID));
    }
    if (!still)
        return;
    if (frames != framesBefore && waited < kStopFlushLimitSeconds) {
        scheduleStopCheck(ids, frames, waited); // still at work
        return;
    }
    signalStill(*shared_, ids, SIGTERM);
    auto timer = clock_.createTimer([shared = shared_, ids] { killStill(*shared, ids); }, true);
    timer->start(kKillGraceSeconds);
    killTimers_.push_back(std::move(timer));
}

void StreamOutput::killForTermination()
{
    endWaitForUrl();
    killStill(*shared_, requestStop());
}

bool StreamOutput::isRunning() const
{
    std::lock_guard guard(shared_->lock);
    return shared_->running;
}

std::pair<pid_t, pid_t> StreamOutput::processIds() const
{
    std::lock_guard guard(shared_->lock);
    return { shared_->childPID, shared_->helperPID };
}

std::pair<int, int> StreamOutput::pendingWrites() const
{
    std::lock_guard guard(shared_->lock);
    return { shared_->pendingVideo, shared_->pendingAudio };
}

long long StreamOutput::encodedFrames() const
{
    std::lock_guard guard(shared_->lock);
    return shared_->encodedFrames;
}

long long StreamOutput::droppedFrames() const
{
    std::lock_guard guard(shared_->lock);
    return shared_->droppedFrames;
}

void StreamOutput::postFail(const QPointer<StreamOutput>& owner, const QString& message)
{
    postToMain([owner, message] {
        if (owner)
            owner->fail(message);
    });
}

void StreamOutput::fail(const QString& message)
{
    setStatus(Status::failed(message));
}

void StreamOutput::goLive()
{
    if (status_.state != Status::State::connecting)
        return;
    setStatus(Status::live());
    liveSince_ = clock_.now();
    publishDroppedFrames();
    elapsedClock_ = clock_.createTimer([this] {
        if (liveSince_)
            setElapsed(clock_.now() - *liveSince_);
        publishDroppedFrames();
    });
    elapsedClock_->start(1.0);
}

void StreamOutput::endRun(bool stopWasRequested, const std::optional<QString>& lastLine)
{
    elapsedClock_.reset();
    liveSince_.reset();
    setMeasuredKbps(0);
    publishDroppedFrames();
    if (stopWasRequested)
        setStatus(Status::idle());
    else
        setStatus(Status::failed(lastLine.value_or(Texts::tr("Connessione interrotta"))));
}

} // namespace tessarin
