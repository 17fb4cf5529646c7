#include "engine/LiveAudioNode.h"

#include <algorithm>
#include <cstring>

namespace tessarin {

LiveAudioNode::LiveAudioNode()
    : data_(new float[kCapacityFrames * 2]())
{
}

bool LiveAudioNode::schedule(const float* samples, int frames)
{
    const std::uint64_t written = framesWritten_.load(std::memory_order_relaxed);
    const std::uint64_t held = written - framesRead_.load(std::memory_order_acquire);
    if (frames <= 0 || std::uint64_t(frames) > kCapacityFrames - held)
        return false;
    const std::uint64_t tail = written % kCapacityFrames;
    const auto first = std::min<std::uint64_t>(std::uint64_t(frames), kCapacityFrames - tail);
    std::memcpy(&data_[tail * 2], samples, sizeof(float) * 2 * first);
    if (std::uint64_t(frames) > first)
        std::memcpy(data_.get(), samples + first * 2, sizeof(float) * 2 * (std::uint64_t(frames) - first));
    framesWritten_.store(written + std::uint64_t(frames), std::memory_order_release);
    return true;
}

std::uint64_t LiveAudioNode::framesWaiting() const
{
    const std::uint64_t written = framesWritten_.load(std::memory_order_relaxed);
    const std::uint64_t from = std::max(framesRead_.load(std::memory_order_acquire),
                                        discardBefore_.load(std::memory_order_relaxed));
    return written - std::min(written, from);
}

LiveAudioNode::Playout LiveAudioNode::playout() const
{
    Playout p;
    for (;;) {
        const std::uint32_t seq = playoutSeq_.load(std::memory_order_acquire);
        if (seq & 1u)
            continue; // a render is writing it: a few stores, then done
        p.rendered = rendered_.load(std::memory_order_relaxed);
        p.nextHeard = nextHeard_.load(std::memory_order_relaxed);
        p.period = period_.load(std::memory_order_relaxed);
        p.read = playoutRead_.load(std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_acquire);
        if (playoutSeq_.load(std::memory_order_relaxed) == seq)
            return p;
    }
}

void LiveAudioNode::clear()
{
    framesWritten_.store(0, std::memory_order_relaxed);
    framesRead_.store(0, std::memory_order_relaxed);
    discardBefore_.store(0, std::memory_order_relaxed);
    const std::uint32_t seq = playoutSeq_.load(std::memory_order_relaxed);
    playoutSeq_.store(seq + 1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    rendered_.store(false, std::memory_order_relaxed);
    playoutRead_.store(0, std::memory_order_relaxed);
    playoutSeq_.store(seq + 2, std::memory_order_release);
}

void LiveAudioNode::render(float* mix, int frames, const AudioRenderContext& context)
{
    const std::uint64_t written = framesWritten_.load(std::memory_order_acquire);
    const std::uint64_t start = std::max(framesRead_.load(std::memory_order_relaxed),
                                         std::min(discardBefore_.load(std::memory_order_acquire), written));
    const int n = int(std::min<std::uint64_t>(std::uint64_t(std::max(frames, 0)), written - start));
    for (int i = 0; i < n; ++i) {
        const float* s = &data_[((start + std::uint64_t(i)) % kCapacityFrames) * 2];
        mix[i * 2] += s[0];
        mix[i * 2 + 1] += s[1];
    }
    const std::uint64_t read = start + std::uint64_t(n);
    framesRead_.store(read, std::memory_order_release);

    const double period = double(frames) / AudioOutput::kSampleRate;
    const std::uint32_t seq = playoutSeq_.load(std::memory_order_relaxed);
    playoutSeq_.store(seq + 1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    nextHeard_.store(context.hostTime + context.latency + period, std::memory_order_relaxed);
    period_.store(period, std::memory_order_relaxed);
    playoutRead_.store(read, std::memory_order_relaxed);
    rendered_.store(true, std::memory_order_relaxed);
    playoutSeq_.store(seq + 2, std::memory_order_release);
}

} // namespace tessarin
