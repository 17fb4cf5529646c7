#include "engine/LiveAudioPlayer.h"

#include "engine/LiveAudioNode.h"
#include "engine/ProgramAudioBus.h"
#include "platform/Clock.h"
#include "platform/RealtimeScheduling.h"
#include "platform/player/AudioOutput.h"
#include "platform/player/PcmBuffer.h"
#include "platform/player/Resampler.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tessarin {

namespace {

constexpr double kRate = AudioOutput::kSampleRate;
constexpr int kPadFrames = int(LiveQueueRule::kTargetSeconds * kRate) + 1;
// The renders' times jitter by the scheduling of the audio thread; the
// clock follows them by this fraction per buffer, and jumps only when
// they disagree by more than kJumpSeconds (the queue ran dry, or the
// device was restarted).
constexpr double kFollow = 0.1;
constexpr double kJumpSeconds = 0.03;

float peakOf(const float* data, int frames, int stride)
{
    float peak = 0.0f;
    for (int i = 0; i < frames; ++i)
        peak = std::max(peak, std::fabs(data[static_cast<std::ptrdiff_t>(i) * stride]));
    return peak;
}

void scale(float* data, int count, float gain)
{
    for (int i = 0; i < count; ++i)
        data[i] *= gain;
}

} // namespace

LiveAudioPlayer::LiveAudioPlayer()
    : LiveAudioPlayer(SdlAudioOutput::shared())
{
}

LiveAudioPlayer::LiveAudioPlayer(std::shared_ptr<AudioOutput> output, const Clock& clock)
    : output_(std::move(output))
    , clock_(clock)
    , node_(std::make_shared<LiveAudioNode>())
    , silence_(new float[kPadFrames * 2]())
{
    // The queue is the live sound's jitter buffer: a turn it waits for
    // behind busy processes is a hole in the sound.
    queue_.async([] { raiseCurrentThreadPriority(); });
}

LiveAudioPlayer::~LiveAudioPlayer()
{
    queue_.sync([this] { disconnect(); });
}

void LiveAudioPlayer::enqueue(const std::shared_ptr<PcmBuffer>& buffer)
{
    if (!buffer || buffer->frameLength() <= 0 || !(buffer->format().sampleRate > 0.0))
        return;
    fed_.store(true);
    const double handedOver = clock_.now();
    const double duration = buffer->frameLength() / buffer->format().sampleRate;
    double position;
    {
        std::lock_guard guard(clockLock_);
        position = handedEnd_;
        handedEnd_ += duration;
        HandOver* newest = handOverCount_ > 0 ? &handOvers_[(handOverCount_ - 1) % kHandOvers] : nullptr;
        if (newest && handedOver - newest->at < kAtOnceSeconds)
            *newest = { handedOver, newest->span + duration };
        else
            handOvers_[handOverCount_++ % kHandOvers] = { handedOver, duration };
    }
    queue_.async([this, buffer, position, handedOver] { play(buffer, position, handedOver); });
}

double LiveAudioPlayer::heardTimeOfArrival(double arrival) const
{
    std::lock_guard guard(clockLock_);
    if (!clocked_ || handOverCount_ == 0)
        return std::numeric_limits<double>::quiet_NaN();
    const int newest = (handOverCount_ - 1) % kHandOvers;
    double most = handOvers_[newest].span;
    for (int i = 1; i < std::min(handOverCount_, kHandOvers); ++i) {
        const HandOver& h = handOvers_[(newest - i + kHandOvers) % kHandOvers];
        if (h.at < arrival - kPairSeconds)
            break;
        most = std::max(most, h.span);
    }
    const double position = handedEnd_ + std::clamp(arrival - handOvers_[newest].at, 0.0, most);
    return position + offset_;
}

double LiveAudioPlayer::heardTimeOfPosition(double position) const
{
    std::lock_guard guard(clockLock_);
    return clocked_ ? position + offset_ : std::numeric_limits<double>::quiet_NaN();
}

void LiveAudioPlayer::stop()
{
    // Nothing handed over since: nothing plays, and the clock is at its start.
    if (!fed_.exchange(false))
        return;
    queue_.sync([this] {
        disconnect();
        latency_.store(0.0, std::memory_order_relaxed);
        std::lock_guard guard(clockLock_);
        handedEnd_ = offset_ = 0.0;
        handOverCount_ = 0;
        clocked_ = false;
    });
}

double LiveAudioPlayer::waitingSeconds() const
{
    return double(node_->framesWaiting()) / kRate;
}

std::pair<float, float> LiveAudioPlayer::applyGainAndMeasure(PcmBuffer& buffer, float gain)
{
    const AudioFormat& format = buffer.format();
    if (format.commonFormat != SampleFormat::Float32 || !buffer.floatData(0))
        return { 0.0f, 0.0f };
    const int frames = buffer.frameLength();
    const int channels = format.channels;
    float left = 0.0f;
    float right = 0.0f;
    if (format.interleaved) {
        float* data = buffer.floatData(0);
        if (gain != 1.0f)
            scale(data, frames * channels, gain);
        left = peakOf(data, frames, channels);
        right = channels >= 2 ? peakOf(data + 1, frames, channels) : left;
    } else {
        for (int c = 0; c < channels; ++c) {
            float* data = buffer.floatData(c);
            if (gain != 1.0f)
                scale(data, frames, gain);
            if (c == 0)
                left = peakOf(data, frames, 1);
            else if (c == 1)
                right = peakOf(data, frames, 1);
        }
        if (channels < 2)
            right = left;
    }
    return { left, right };
}

double LiveAudioPlayer::heardTimeOfNext(double now, double waiting)
{
    const LiveAudioNode::Playout p = node_->playout();
    const double outputLatency = output_ ? output_->latency() : 0.0;
    double heard = now + outputLatency + waiting; // no render yet: the first comes at once
    if (p.rendered) {
        double next = p.nextHeard;
        // The queue is dry and the next render's turn has passed: the one
        // after now plays the next frame.
        if (waiting < LiveQueueRule::kDrySeconds && p.period > 0.0 && next - outputLatency < now)
            next += std::ceil((now - (next - outputLatency)) / p.period) * p.period;
        heard = next + waiting;
    }
    if (!timed_ || waiting < LiveQueueRule::kDrySeconds || std::fabs(heard - heardEnd_) > kJumpSeconds)
        heardEnd_ = heard;
    else
        heardEnd_ += (heard - heardEnd_) * kFollow;
    timed_ = true;
    return heardEnd_;
}

void LiveAudioPlayer::play(const std::shared_ptr<PcmBuffer>& buffer, double position, double handedOver)
{
    if (buffer->frameLength() == 0 || buffer->format().commonFormat != SampleFormat::Float32)
        return;
    float currentGain;
    {
        std::lock_guard guard(lock);
        currentGain = gain;
    }
    const auto [left, right] = applyGainAndMeasure(*buffer, currentGain);
    if (onLevels)
        onLevels(left, right);
    if (!format_ || !(*format_ == buffer->format()))
        reconfigure(buffer->format());
    if (!format_)
        return;
    // Converted to the output's format below; the resampler keeps its state
    // between buffers of one connection.
    const double now = clock_.now();
    // The sound of the last start is heard once a render has gone past
    // the silence put before it.
    const bool heard = node_->playout().read > soundStart_;
    const LiveQueueRule::Step step = rule_.next(waitingSeconds(), handedOver, heard);
    if (step.leaveOut > 0.0) {
        // Unheard, from the front: the queue keeps its newest sound.
        const auto frames = std::uint64_t(std::lround(step.leaveOut * kRate));
        const std::uint64_t waitingFrames = node_->framesWaiting();
        node_->discardBefore(node_->framesWritten() - waitingFrames + std::min(frames, waitingFrames));
        trims_.fetch_add(1, std::memory_order_relaxed);
        trimmedSeconds_.store(trimmedSeconds_.load(std::memory_order_relaxed) + step.leaveOut,
                              std::memory_order_relaxed);
    }
    if (step.speed != 0.0) {
        const int distance = int(LiveQueueRule::kWindowSeconds * kRate);
        if (resampler_->compensate(-int(std::lround(step.speed * kRate)), distance))
            speedSeconds_.store(speedSeconds_.load(std::memory_order_relaxed) + step.speed, std::memory_order_relaxed);
    }
    heardTimeOfNext(now, waitingSeconds());
    if (step.silence > 0.0) {
        restarts_.fetch_add(1, std::memory_order_relaxed);
        const int pad = std::min(kPadFrames, int(std::lround(step.silence * kRate)));
        if (node_->schedule(silence_.get(), pad))
            heardEnd_ += pad / kRate;
        soundStart_ = node_->framesWritten();
    }

    // Converted after the rule: a change of speed applies from this buffer.
    const AudioFormat out = AudioFormat::programFormat();
    auto converted = PcmBuffer::create(out, resampler_->outputCapacityFor(buffer->frameLength()) + 64);
    if (!converted || resampler_->convert(*buffer, *converted) < 0)
        return;
    const float* samples = converted->floatData(0);
    const int frames = converted->frameLength();
    if (frames <= 0 || !node_->schedule(samples, frames))
        return;
    // The bus gets what plays, with the time its first frame is heard.
    if (audioBus)
        audioBus->write(ProgramAudioBus::kLiveSource, samples, frames, heardEnd_);
    {
        std::lock_guard guard(clockLock_);
        offset_ = heardEnd_ - position;
        clocked_ = true;
    }
    heardEnd_ += frames / kRate;
    latency_.store(heardEnd_ - handedOver, std::memory_order_relaxed);
}

void LiveAudioPlayer::reconfigure(const AudioFormat& format)
{
    disconnect();
    auto resampler = std::make_unique<Resampler>(format, AudioFormat::programFormat());
    if (!output_ || !resampler->isValid())
        return; // format stays none: the next buffer tries again
    resampler_ = std::move(resampler);
    output_->addSource(node_);
    connected_ = true;
    format_ = format;
}

void LiveAudioPlayer::disconnect()
{
    if (connected_ && output_)
        output_->removeSource(node_.get());
    connected_ = false;
    format_.reset();
    resampler_.reset();
    node_->clear();
    rule_.reset();
    timed_ = false;
    heardEnd_ = 0.0;
    soundStart_ = 0;
}

} // namespace tessarin
