#include "streaming/StreamManager.h"

#include "platform/PowerInhibitor.h"
#include "platform/Settings.h"

#include <QCoreApplication>

#include <cmath>
#include <cstring>

namespace tessarin {
namespace {

// One video tick on the render thread: progressive frames go out as they
// come; interlaced renders are paired, the later one's odd rows (the bottom
// field) woven into the earlier one, which goes out.
class VideoTicker {
public:
    VideoTicker(std::shared_ptr<StreamFrameSource> renderer, bool interlaced, std::vector<StreamOutput*> outputs,
                StreamManager::Counters& counters)
        : renderer_(std::move(renderer))
        , interlaced_(interlaced)
        , outputs_(std::move(outputs))
        , counters_(counters)
    {
    }

    void tick()
    {
        ++counters_.videoTicks;
        // The frame stands for one period from now on; the renderer takes
        // the pictures due half a period ahead (the lookahead), the middle
        // of that span, so a picture change lands in the frame nearest to
        // it, half a period early or late at most.
        double time = HostClock::monotonicSeconds();
        StreamFramePtr frame = renderer_->nextFrame();
        if (!frame)
            return;
        StreamFramePtr send = frame;
        if (interlaced_) {
            if (!pendingField_) {
                pendingField_ = std::move(frame);
                pendingTime_ = time;
                return;
            }
            send = std::move(pendingField_);
            time = pendingTime_;
            weave(*send, *frame);
        }
        bool sent = false;
        for (StreamOutput* output : outputs_) {
            if (output->isRunning()) {
                output->submit(send, time);
                sent = true;
            }
        }
        if (sent)
            ++counters_.framesSent;
    }

private:
    static void weave(VideoFrame& into, const VideoFrame& from)
    {
        std::uint8_t* to = into.bits();
        const std::uint8_t* source = from.constBits();
        if (!to || !source)
            return; // sent unwoven
        const qsizetype row = qsizetype(into.width()) * 4;
        if (from.width() < into.width())
            return;
        const int rows = std::min(into.height(), from.height());
        for (int r = 1; r < rows; r += 2)
            std::memcpy(to + qsizetype(r) * into.bytesPerLine(), source + qsizetype(r) * from.bytesPerLine(), row);
    }

    std::shared_ptr<StreamFrameSource> renderer_;
    bool interlaced_;
    std::vector<StreamOutput*> outputs_;
    StreamManager::Counters& counters_;
    StreamFramePtr pendingField_;
    double pendingTime_ = 0;
};

// The audio pump on the audio thread: one block of kAudioBlockFrames per
// 20 ms of the host clock, counted from the first tick, each the program
// sound heard kAudioDelaySeconds before its slot. A tick that comes late
// pulls every block due by then, so the blocks keep pace with the clock
// and each carries the time of its own slot.
class AudioPump {
public:
    AudioPump(std::weak_ptr<StreamAudioSource> audio, std::vector<StreamOutput*> outputs,
              StreamManager::Counters& counters)
        : audio_(std::move(audio))
        , outputs_(std::move(outputs))
        , counters_(counters)
    {
    }

    void tick()
    {
        auto audio = audio_.lock();
        if (!audio)
            return;
        constexpr double kBlockSeconds = double(StreamManager::kAudioBlockFrames) / 48000.0;
        const double now = HostClock::monotonicSeconds();
        if (pulled_ == 0 && start_ == 0)
            start_ = now;
        const double elapsed = (now - start_) / kBlockSeconds;
        long long due = std::isfinite(elapsed) ? static_cast<long long>(std::floor(elapsed)) + 1 : pulled_ + 1;
        // Away for longer than a second (a suspended machine): the blocks
        // missed are skipped, not made up in a burst.
        if (due - pulled_ > 50)
            pulled_ = due - 1;
        for (; pulled_ < due; ++pulled_) {
            ++counters_.audioTicks;
            const double time = start_ + double(pulled_) * kBlockSeconds - StreamManager::kAudioDelaySeconds;
            auto samples = std::make_shared<const std::vector<float>>(audio->pull(StreamManager::kAudioBlockFrames, time));
            for (StreamOutput* output : outputs_) {
                if (output->isRunning())
                    output->submit(samples, time);
            }
        }
    }

private:
    std::weak_ptr<StreamAudioSource> audio_;
    std::vector<StreamOutput*> outputs_;
    StreamManager::Counters& counters_;
    double start_ = 0;
    long long pulled_ = 0;
};

} // namespace

StreamManager::StreamManager(Settings& settings, StreamFrameSourceFactory frames, std::weak_ptr<StreamAudioSource> audio,
                             Clock& clock, std::shared_ptr<KeychainQueue> keychain, QObject* parent)
    : QObject(parent)
    , settings_(settings)
    , makeFrames_(std::move(frames))
    , audio_(std::move(audio))
{
    outputs_.push_back(std::make_unique<StreamOutput>(1, settings, clock, keychain));
    outputs_.push_back(std::make_unique<StreamOutput>(2, settings, clock, keychain));

    const std::optional<QString> resolution = settings.contains("Vellumcast.stream.resolution")
        ? settings.stringValue("Vellumcast.stream.resolution")
        : settings.stringValue("Vellumcast.stream.quality");
    format_.resolution = resolution == QStringLiteral("hd1080") ? StreamFormat::Resolution::hd1080
                                                                 : StreamFormat::Resolution::hd720;
    format_.scan = settings.stringValue("Vellumcast.stream.scan") == QStringLiteral("interlaced")
        ? StreamFormat::Scan::interlaced
        : StreamFormat::Scan::progressive;
    format_.rate = StreamFormat::rateFromRaw(settings.stringValue("Vellumcast.stream.rate").value_or(QString()))
                       .value_or(StreamFormat::Rate::r30);
    format_ = format_.normalized(); // not written back

    if (auto* app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &StreamManager::killAllForTermination);
    for (const auto& output : outputs_)
        connect(output.get(), &StreamOutput::changed, this, &StreamManager::refresh);
}

StreamManager::~StreamManager()
{
    stopPipeline();
}

void StreamManager::setFormat(const StreamFormat& value)
{
    format_ = value;
    emit formatChanged();
    emit changed();
    const StreamFormat normalized = value.normalized();
    if (normalized != value) {
        setFormat(normalized);
        return;
    }
    settings_.setString("Vellumcast.stream.resolution", StreamFormat::rawValue(value.resolution));
    settings_.setString("Vellumcast.stream.scan", StreamFormat::rawValue(value.scan));
    settings_.setString("Vellumcast.stream.rate", StreamFormat::rawValue(value.rate));
}

void StreamManager::setIsStreaming(bool value)
{
    isStreaming_ = value;
    emit isStreamingChanged();
    emit changed();
}

void StreamManager::refresh()
{
    bool active = false;
    for (const auto& output : outputs_)
        active = active || output->isActive();
    if (isStreaming_ != active)
        setIsStreaming(active);
    if (!active)
        stopPipeline();
}

void StreamManager::setRenderLatenessObserver(std::function<void(std::int64_t)> observer)
{
    videoThread_.setLatenessObserver(std::move(observer));
}

void StreamManager::startPipeline()
{
    if (videoThread_.isRunning())
        return;
    const StreamFormat f = format_;
    const double lookahead = double(f.renderIntervalNanoseconds()) / 2.0 / 1e9;
    auto renderer = makeFrames_ ? makeFrames_(f.width(), f.height(), lookahead) : nullptr;
    if (!renderer)
        return; // nothing to render from
    renderer_ = renderer;
    if (auto audio = audio_.lock())
        audio->setStreaming(true);
    activity_ = std::make_unique<PowerInhibitor>(
        QCoreApplication::translate("StreamManager", "Tessarin sta trasmettendo in streaming"));

    std::vector<StreamOutput*> outputs;
    for (const auto& output : outputs_)
        outputs.push_back(output.get());
    auto ticker = std::make_shared<VideoTicker>(renderer, f.scan == StreamFormat::Scan::interlaced, outputs, counters_);
    // Exact frame (or field) period: denominator * 1e9 / numerator ns.
    const std::uint64_t fields = f.scan == StreamFormat::Scan::interlaced ? 2 : 1;
    const PeriodicThread::Period videoPeriod { std::uint64_t(StreamFormat::rateDenominator(f.rate)) * 1000000000ull,
                                               std::uint64_t(StreamFormat::rateNumerator(f.rate)) * fields };
    // Real-time where allowed: the encoders' threads keep every core busy,
    // and a tick that waits behind them for a scheduler slice arrives late.
    videoThread_.start("Vellumcast.StreamManager.render", videoPeriod, [ticker] { ticker->tick(); },
                       PeriodicThread::Priority::realtimeWhenAllowed);

    auto pump = std::make_shared<AudioPump>(audio_, outputs, counters_);
    audioThread_.start("Vellumcast.StreamManager.audio", { 20000000, 1 }, [pump] { pump->tick(); },
                       PeriodicThread::Priority::realtimeWhenAllowed);
}

void StreamManager::stopPipeline()
{
    if (!videoThread_.isRunning())
        return;
    // Each lets a tick in progress finish; neither thread waits for this one.
    videoThread_.stop();
    audioThread_.stop();
    renderer_.reset();
    if (auto audio = audio_.lock())
        audio->setStreaming(false);
    activity_.reset();
}

void StreamManager::killAllForTermination()
{
    for (const auto& output : outputs_)
        output->killForTermination();
}

} // namespace tessarin
