#include "engine/AudioLevelTap.h"

#include "engine/ProgramAudioBus.h"
#include "platform/MainThread.h"
#include "platform/player/PlayerItem.h"

#include <algorithm>
#include <cmath>

namespace tessarin {

std::optional<AudioMix> AudioLevelTap::makeAudioMix(const std::shared_ptr<PlayerItem>& item, float volume)
{
    if (!item)
        return std::nullopt;
    // The player reads the file only once it plays the item; an item already
    // read without an audio track gets no mix.
    if (item->status() == PlayerItem::Status::ReadyToPlay && !item->hasAudio())
        return std::nullopt;
    gain.store(volume, std::memory_order_relaxed);
    appliedGain_.store(volume, std::memory_order_relaxed);
    return AudioMix { shared_from_this() };
}

void AudioLevelTap::prepare(const AudioFormat& format, int)
{
    tapFormat_ = format;
}

void AudioLevelTap::process(AudioBufferList& list)
{
    const float target = gain.load(std::memory_order_relaxed);
    const float start = appliedGain_.load(std::memory_order_relaxed);
    appliedGain_.store(target, std::memory_order_relaxed);
    float leftPeak = 0.0f;
    float rightPeak = 0.0f;

    if (list.count <= 1) {
        if (list.count == 1) {
            AudioBuffer& buffer = list.buffers[0];
            if (!buffer.data)
                return;
            const int ch = std::max(buffer.channels, 1);
            const int samples = static_cast<int>(buffer.byteSize / 4);
            if (ch <= samples) {
                const int frames = samples / ch;
                const float step = (target - start) / static_cast<float>(frames);
                for (int i = 0; i < frames; ++i) {
                    float* frame = buffer.data + static_cast<std::ptrdiff_t>(i) * ch;
                    const float g = start + step * static_cast<float>(i + 1);
                    if (g != 1.0f)
                        for (int c = 0; c < ch; ++c)
                            frame[c] *= g;
                    leftPeak = std::max(leftPeak, std::fabs(frame[0]));
                    if (ch >= 2)
                        rightPeak = std::max(rightPeak, std::fabs(frame[1]));
                }
            }
            if (ch < 2)
                rightPeak = leftPeak;
        }
    } else {
        for (int b = 0; b < std::min(list.count, AudioBufferList::kMaxBuffers); ++b) {
            AudioBuffer& buffer = list.buffers[b];
            float peak = 0.0f;
            if (buffer.data && buffer.byteSize >= 4) {
                const int n = static_cast<int>(buffer.byteSize / 4);
                const float step = (target - start) / static_cast<float>(n);
                for (int i = 0; i < n; ++i) {
                    const float g = start + step * static_cast<float>(i + 1);
                    if (g != 1.0f)
                        buffer.data[i] *= g;
                    peak = std::max(peak, std::fabs(buffer.data[i]));
                }
            }
            if (b == 0)
                leftPeak = peak;
            else if (b == 1)
                rightPeak = peak;
        }
    }

    forwardToBus(list);

    if (auto m = meter.lock()) {
        m->pushExternal(leftPeak, rightPeak);
        return;
    }
    pushExternal(leftPeak, rightPeak);
}

void AudioLevelTap::forwardToBus(const AudioBufferList& list)
{
    if (!audioBus || !audioBus->isEnabled())
        return;
    if (!tapFormat_ || tapFormat_->commonFormat != SampleFormat::Float32 || tapFormat_->sampleRate != 48000.0)
        return;
    audioBus->write(busSource, list, list.heardTime);
}

void AudioLevelTap::raise(std::atomic<float>& peak, float value)
{
    float old = peak.load(std::memory_order_relaxed);
    while (old < value && !peak.compare_exchange_weak(old, value, std::memory_order_relaxed)) { }
}

void AudioLevelTap::pushExternal(float left, float right)
{
    raise(peakLeft_, left);
    raise(peakRight_, right);
    gathered_.store(true, std::memory_order_release);
}

void AudioLevelTap::publish()
{
    if (!gathered_.exchange(false, std::memory_order_acquire))
        return;
    const float left = peakLeft_.exchange(0.0f, std::memory_order_relaxed);
    const float right = peakRight_.exchange(0.0f, std::memory_order_relaxed);
    applyBallistics(left, right);
}

void AudioLevelTap::applyBallistics(float left, float right)
{
    auto fall = [](float old, float incoming) {
        const float level = old < incoming ? incoming : old * 0.75f;
        return std::min(level, 1.0f);
    };
    setLeft(fall(left_, left));
    setRight(fall(right_, right));
}

void AudioLevelTap::reset()
{
    gathered_.store(false, std::memory_order_relaxed);
    peakLeft_.store(0.0f, std::memory_order_relaxed);
    peakRight_.store(0.0f, std::memory_order_relaxed);
    std::weak_ptr<AudioLevelTap> weak = weak_from_this();
    postToMain([weak] {
        if (auto tap = weak.lock()) {
            tap->setLeft(0.0f);
            tap->setRight(0.0f);
        }
    });
}

void AudioLevelTap::setLeft(float value)
{
    left_ = value;
    emit leftChanged();
    emit changed();
}

void AudioLevelTap::setRight(float value)
{
    right_ = value;
    emit rightChanged();
    emit changed();
}

} // namespace tessarin
