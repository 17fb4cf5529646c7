#include "engine/LiveAudioPlayer.h"

#include "engine/LiveAudioNode.h"
#include "engine/ProgramAudioBus.h"
#include "platform/Clock.h"
#include "platform/player/AudioOutput.h"
#include "platform/player/PcmBuffer.h"
#include "platform/player/Resampler.h"

#include <algorithm>
#include <cmath>

namespace tessarin {

namespace {


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

LiveAudioPlayer::LiveAudioPlayer(std::shared_ptr<AudioOutput> output)
    : output_(std::move(output))
{
    // The node's completions run on the audio thread, which must not wait:
    // the lock is only tried; when it is held, the time played waits in
    // playedUncounted_ for the next holder.
    node_ = std::make_shared<LiveAudioNode>([this](double seconds) {
        std::unique_lock guard(lock, std::try_to_lock);
        if (!guard.owns_lock()) {
            double uncounted = playedUncounted_.load(std::memory_order_relaxed);
            while (!playedUncounted_.compare_exchange_weak(uncounted, uncounted + seconds, std::memory_order_relaxed)) { }
            return;
        }
        queuedSeconds = std::max(queuedSeconds - seconds - takeUncounted(), 0.0);
    });
}

LiveAudioPlayer::~LiveAudioPlayer()
{
    queue_.sync([this] { disconnect(); });
}

void LiveAudioPlayer::enqueue(const std::shared_ptr<PcmBuffer>& buffer)
{
    if (!buffer)
        return;
    const double handedOver = HostClock::monotonicSeconds();
    queue_.async([this, buffer, handedOver] { play(buffer, handedOver); });
}

void LiveAudioPlayer::declareLatency(double latency, double at)
{
    // A window of a quarter second: the largest value stands until that
    // long has passed without one as large. Longer, a delay that the sound
    // and the pictures share (the ingest held up on a busy machine) would
    // keep the pictures late for as long.
    constexpr double kWindowSeconds = 0.25;
    if (latency >= latency_.load(std::memory_order_relaxed) || at - latencyAt_ > kWindowSeconds) {
        latency_.store(latency, std::memory_order_relaxed);
        latencyAt_ = at;
    }
}

void LiveAudioPlayer::stop()
{
    queue_.sync([this] {
        disconnect();
        std::lock_guard guard(lock);
        queuedSeconds = 0.0;
        takeUncounted(); // what this session played is no debt of the next
        latency_.store(0.0, std::memory_order_relaxed);
        latencyAt_ = 0.0;
    });
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

void LiveAudioPlayer::play(const std::shared_ptr<PcmBuffer>& buffer, double handedOver)
{
    if (buffer->frameLength() == 0 || buffer->format().commonFormat != SampleFormat::Float32)
        return;
    float currentGain;
    double queued;
    {
        std::lock_guard guard(lock);
        currentGain = gain;
        queuedSeconds = std::max(queuedSeconds - takeUncounted(), 0.0);
        queued = queuedSeconds;
    }
    const auto [left, right] = applyGainAndMeasure(*buffer, currentGain);
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
    // The bus gets every buffer, also those not played, with the time its
    // first frame is heard: right after the buffers still waiting, or (none
    // waiting) once the output has rendered it.
    const double duration = buffer->frameLength() / buffer->format().sampleRate;
    const double heard = std::max(HostClock::monotonicSeconds() + (output_ ? output_->latency() : 0.0), heardEnd_);
    if (audioBus)
        audioBus->write(ProgramAudioBus::kLiveSource, converted->floatData(0), converted->frameLength(), heard);
    if (queued >= kMaxQueuedSeconds)
        return;
    heardEnd_ = heard + duration;
    declareLatency(heardEnd_ - handedOver, handedOver);
    if (onLevels)
        onLevels(left, right);

    {
        std::lock_guard guard(lock);
        queuedSeconds += duration;
    }
    if (!node_->schedule(converted->floatData(0), converted->frameLength(), duration)) {
        std::lock_guard guard(lock); // nothing will play it back
        queuedSeconds = std::max(queuedSeconds - duration, 0.0);
    }
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
    heardEnd_ = 0.0;
    format_.reset();
    resampler_.reset();
    const double dropped = node_->clear();
    if (dropped > 0.0) {
        std::lock_guard guard(lock);
        queuedSeconds = std::max(queuedSeconds - dropped, 0.0);
    }
}

} // namespace tessarin
