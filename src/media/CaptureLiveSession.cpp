#include "media/CaptureLiveSession.h"

#include "platform/Workers.h"

#include <QCoreApplication>
#include <QImage>

namespace tessarin {
namespace {

// Texts of this file, looked up as CaptureLiveSession's.
struct Texts {
    Q_DECLARE_TR_FUNCTIONS(CaptureLiveSession)
};

} // namespace

CaptureLiveSession::CaptureLiveSession(QString deviceID)
    : CaptureLiveSession(std::move(deviceID), systemResolver())
{
}

CaptureLiveSession::CaptureLiveSession(QString deviceID, Resolver resolver)
    : deviceID_(std::move(deviceID))
    , resolver_(std::move(resolver))
{
}

CaptureLiveSession::~CaptureLiveSession()
{
    std::lock_guard lock(lock_);
    if (capture_)
        capture_->stop();
}

CaptureInput CaptureLiveSession::inputFor(const CaptureDeviceInfo& device)
{
    CaptureInput input;
    input.format = QStringLiteral("v4l2");
    input.url = device.node.isEmpty() ? device.uniqueID : device.node;
    if (!device.audioDevice.isEmpty()) {
        input.audioFormat = QStringLiteral("alsa");
        input.audioUrl = device.audioDevice;
    }
    return input;
}

CaptureLiveSession::Resolver CaptureLiveSession::systemResolver(std::shared_ptr<CaptureDeviceEnumerator> enumerator)
{
    return [enumerator](const QString& deviceID) -> std::optional<CaptureInput> {
        if (!enumerator)
            return std::nullopt;
        for (const auto& device : enumerator->devices()) {
            if (device.uniqueID == deviceID)
                return inputFor(device);
        }
        return std::nullopt;
    };
}

void CaptureLiveSession::start()
{
    if (started_)
        return;
    started_ = true;
    report(LiveStatus::connecting());
    // Listing devices reads udev and sysfs: not on the owner's thread.
    std::weak_ptr<CaptureLiveSession> weak = weak_from_this();
    Workers::userInitiated().async([weak] {
        if (auto self = weak.lock())
            self->configureAndRun();
    });
}

void CaptureLiveSession::stop()
{
    std::shared_ptr<CaptureSession> capture;
    {
        std::lock_guard lock(lock_);
        stopped_ = true;
        capture = capture_;
    }
    if (capture)
        capture->stop();
}

void CaptureLiveSession::configureAndRun()
{
    {
        std::lock_guard lock(lock_);
        if (stopped_)
            return;
    }
    const std::optional<CaptureInput> input = resolver_ ? resolver_(deviceID_) : std::nullopt;
    if (!input) {
        report(LiveStatus::failed(Texts::tr("Dispositivo non trovato: è collegato?")));
        return;
    }
    // The callbacks hold this session weakly: a capture thread that runs on
    // after the owner let go reaches nothing.
    std::weak_ptr<CaptureLiveSession> weak = weak_from_this();
    CaptureSession::Callbacks callbacks;
    callbacks.onFrame = [weak](std::shared_ptr<VideoFrame> frame) {
        if (auto self = weak.lock())
            self->deliverFrame(std::move(frame));
    };
    callbacks.onAudio = [weak](const CapturedAudio& audio) {
        if (auto self = weak.lock())
            self->deliverAudio(audio);
    };
    callbacks.onFailed = [weak](const CaptureFailure& failure) {
        if (auto self = weak.lock())
            self->fail(failure);
    };
    auto capture = std::make_shared<CaptureSession>(*input, std::move(callbacks));
    {
        std::lock_guard lock(lock_);
        if (stopped_)
            return;
        capture_ = capture;
    }
    capture->start();
}

void CaptureLiveSession::fail(const CaptureFailure& failure)
{
    switch (failure.kind) {
    case CaptureFailure::Kind::NotFound:
        report(LiveStatus::failed(Texts::tr("Dispositivo non trovato: è collegato?")));
        break;
    case CaptureFailure::Kind::NoVideo:
        report(LiveStatus::failed(Texts::tr("Impossibile usare questo dispositivo")));
        break;
    case CaptureFailure::Kind::AccessDenied:
    case CaptureFailure::Kind::Other:
        report(LiveStatus::failed(Texts::tr("Errore dispositivo: %1").arg(failure.reason)));
        break;
    }
}

void CaptureLiveSession::deliverFrame(std::shared_ptr<VideoFrame> frame)
{
    // The image keeps the frame until its last copy goes.
    const QImage image = frame->image();
    if (image.isNull())
        return;
    if (!reportedLive_.exchange(true))
        report(LiveStatus::live());
    if (onVideo)
        onVideo(image, std::numeric_limits<double>::quiet_NaN());
}

void CaptureLiveSession::deliverAudio(const CapturedAudio& audio)
{
    auto buffer = PcmBuffer::create(AudioFormat::float32(audio.sampleRate, audio.channels, false), audio.frames);
    if (!buffer)
        return;
    buffer->setFrameLength(audio.frames);
    for (int c = 0; c < audio.channels; ++c)
        std::copy(audio.plane(c), audio.plane(c) + audio.frames, buffer->floatData(c));
    if (onAudio)
        onAudio(buffer);
}

void CaptureLiveSession::report(const LiveStatus& status)
{
    if (onStatus)
        onStatus(status);
}

} // namespace tessarin
