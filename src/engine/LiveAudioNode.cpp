#include "engine/LiveAudioNode.h"

#include <algorithm>
#include <cstring>

namespace tessarin {

LiveAudioNode::LiveAudioNode(std::function<void(double)> playedBack)
    : playedBack_(std::move(playedBack))
    , data_(new float[kCapacityFrames * 2]())
{
}

bool LiveAudioNode::schedule(const float* samples, int frames, double seconds)
{
    const std::uint64_t written = framesWritten_.load(std::memory_order_relaxed);
    const std::uint64_t held = written - framesRead_.load(std::memory_order_acquire);
    const std::uint64_t pending = pendingWritten_.load(std::memory_order_relaxed);
    if (frames <= 0 || std::uint64_t(frames) > kCapacityFrames - held
        || pending - pendingRead_.load(std::memory_order_acquire) == kMaxPending)
        return false;
    const std::uint64_t tail = written % kCapacityFrames;
    const auto first = std::min<std::uint64_t>(std::uint64_t(frames), kCapacityFrames - tail);
    std::memcpy(&data_[tail * 2], samples, sizeof(float) * 2 * first);
    if (std::uint64_t(frames) > first)
        std::memcpy(data_.get(), samples + first * 2, sizeof(float) * 2 * (std::uint64_t(frames) - first));
    pending_[pending % kMaxPending] = Pending { frames, seconds };
    framesWritten_.store(written + std::uint64_t(frames), std::memory_order_release);
    pendingWritten_.store(pending + 1, std::memory_order_release);
    return true;
}

double LiveAudioNode::clear()
{
    double seconds = 0.0;
    const std::uint64_t end = pendingWritten_.load(std::memory_order_relaxed);
    for (std::uint64_t i = pendingRead_.load(std::memory_order_relaxed); i < end; ++i)
        seconds += pending_[i % kMaxPending].seconds;
    framesWritten_.store(0, std::memory_order_relaxed);
    framesRead_.store(0, std::memory_order_relaxed);
    pendingWritten_.store(0, std::memory_order_relaxed);
    pendingRead_.store(0, std::memory_order_relaxed);
    frontPlayed_ = 0;
    return seconds;
}

void LiveAudioNode::render(float* mix, int frames, const AudioRenderContext&)
{
    double played = 0.0;
    bool any = false;
    // The buffer count is read first: every frame of the buffers it covers
    // is then written too.
    const std::uint64_t pendingEnd = pendingWritten_.load(std::memory_order_acquire);
    std::uint64_t pending = pendingRead_.load(std::memory_order_relaxed);
    std::uint64_t read = framesRead_.load(std::memory_order_relaxed);
    int done = 0;
    while (done < frames && pending < pendingEnd) {
        const Pending& p = pending_[pending % kMaxPending];
        const int n = std::min(frames - done, p.frames - frontPlayed_);
        for (int i = 0; i < n; ++i) {
            const float* s = &data_[((read + std::uint64_t(i)) % kCapacityFrames) * 2];
            mix[(done + i) * 2] += s[0];
            mix[(done + i) * 2 + 1] += s[1];
        }
        read += std::uint64_t(n);
        done += n;
        frontPlayed_ += n;
        if (frontPlayed_ == p.frames) {
            played += p.seconds;
            any = true;
            frontPlayed_ = 0;
            ++pending;
        }
    }
    framesRead_.store(read, std::memory_order_release);
    pendingRead_.store(pending, std::memory_order_release);
    if (any && playedBack_)
        playedBack_(played);
}

} // namespace tessarin
