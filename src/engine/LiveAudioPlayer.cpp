#include "engine/LiveAudioPlayer.h"

#include "engine/LiveAudioNode.h"
#include "engine/ProgramAudioBus.h"
#include "platform/Clock.h"
#include "platform/player/AudioOutput.h"
#include "platform/player/PcmBuffer.h"
#include "platform/player/Resampler.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

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
    , splice_(new float[kSpliceFrames * 2]())
    , silence_(new float[kPadFrames * 2]())
{
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
    const std::uint64_t written = node_->framesWritten();
    return double(written - std::min(written, node_->playout().read)) / kRate;
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

void LiveAudioPlayer::crossfade(float* into, const float* from, int frames)
{
    // Equal power: the two sides are unrelated sound.
    for (int i = 0; i < frames; ++i) {
        const double x = (i + 0.5) / frames * (std::numbers::pi / 2);
        const auto in = float(std::sin(x));
        const auto out = float(std::cos(x));
        into[i * 2] = into[i * 2] * in + from[i * 2] * out;
        into[i * 2 + 1] = into[i * 2 + 1] * in + from[i * 2 + 1] * out;
    }
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

int LiveAudioPlayer::dropFrom(float* samples, int frames)
{
    if (dropFrames_ <= 0 && spliceHeld_ == 0)
        return 0;
    if (spliceHeld_ == 0) {
        // The dropped span starts here: its first frames are what the queue
        // would have played next, faded out over what follows the span.
        spliceHeld_ = std::min(frames, kSpliceFrames);
        std::copy_n(samples, spliceHeld_ * 2, splice_.get());
    }
    const int skip = std::min(dropFrames_, frames);
    dropFrames_ -= skip;
    if (skip == frames)
        return frames;
    crossfade(samples + skip * 2, splice_.get(), std::min(spliceHeld_, frames - skip));
    spliceHeld_ = 0;
    return skip;
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
    // Convert to the output's format; the resampler keeps its state between
    // buffers of one connection.
    const AudioFormat out = AudioFormat::programFormat();
    auto converted = PcmBuffer::create(out, resampler_->outputCapacityFor(buffer->frameLength()) + 64);
    if (!converted || resampler_->convert(*buffer, *converted) < 0)
        return;

    const double now = clock_.now();
    const double waiting = waitingSeconds();
    const LiveQueueRule::Step step = rule_.next(waiting, handedOver);
    heardTimeOfNext(now, waiting);
    if (step.silence > 0.0) {
        dropFrames_ = spliceHeld_ = 0; // a drop under way is moot: the queue is empty
        restarts_.fetch_add(1, std::memory_order_relaxed);
        const int pad = std::min(kPadFrames, int(std::lround(step.silence * kRate)));
        if (node_->schedule(silence_.get(), pad))
            heardEnd_ += pad / kRate;
    }
    if (step.drop > 0.0 && dropFrames_ == 0) {
        dropFrames_ = int(std::lround(step.drop * kRate));
        trims_.fetch_add(1, std::memory_order_relaxed);
        trimmedSeconds_.store(trimmedSeconds_.load(std::memory_order_relaxed) + step.drop, std::memory_order_relaxed);
    }

    float* samples = converted->floatData(0);
    int frames = converted->frameLength();
    const int skipped = dropFrom(samples, frames);
    samples += static_cast<std::ptrdiff_t>(skipped) * 2;
    frames -= skipped;
    if (frames <= 0 || !node_->schedule(samples, frames))
        return;
    // The bus gets what plays, with the time its first frame is heard.
    if (audioBus)
        audioBus->write(ProgramAudioBus::kLiveSource, samples, frames, heardEnd_);
    {
        std::lock_guard guard(clockLock_);
        offset_ = heardEnd_ - (position + skipped / kRate);
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
    dropFrames_ = spliceHeld_ = 0;
}

} // namespace tessarin
