#include "engine/LiveAudioNode.h"

#include <algorithm>
#include <cstring>

namespace tessarin {

LiveAudioNode::LiveAudioNode(std::function<void(double)> playedBack)
    : playedBack_(std::move(playedBack))
    , data_(static_cast<std::size_t>(kCapacityFrames) * 2, 0.0f)
{
}

bool LiveAudioNode::schedule(const float* samples, int frames, double seconds)
{
    std::lock_guard lock(mutex_);
    if (frames <= 0 || frames > kCapacityFrames - count_ || pendingCount_ == kMaxPending)
        return false;
    int tail = (head_ + count_) % kCapacityFrames;
    const int first = std::min(frames, kCapacityFrames - tail);
    std::memcpy(&data_[static_cast<std::size_t>(tail) * 2], samples, sizeof(float) * 2 * static_cast<std::size_t>(first));
    if (frames > first)
        std::memcpy(data_.data(), samples + first * 2, sizeof(float) * 2 * static_cast<std::size_t>(frames - first));
    count_ += frames;
    pending_[(pendingHead_ + pendingCount_) % kMaxPending] = Pending { frames, seconds };
    ++pendingCount_;
    return true;
}

double LiveAudioNode::clear()
{
    std::lock_guard lock(mutex_);
    double seconds = 0.0;
    for (int i = 0; i < pendingCount_; ++i)
        seconds += pending_[(pendingHead_ + i) % kMaxPending].seconds;
    head_ = 0;
    count_ = 0;
    pendingHead_ = 0;
    pendingCount_ = 0;
    return seconds;
}

void LiveAudioNode::render(float* mix, int frames, const AudioRenderContext&)
{
    double played = 0.0;
    bool any = false;
    {
        std::lock_guard lock(mutex_);
        int done = 0;
        while (done < frames && pendingCount_ > 0) {
            Pending& p = pending_[pendingHead_];
            const int n = std::min(frames - done, p.frames);
            for (int i = 0; i < n; ++i) {
                const float* s = &data_[static_cast<std::size_t>((head_ + i) % kCapacityFrames) * 2];
                mix[(done + i) * 2] += s[0];
                mix[(done + i) * 2 + 1] += s[1];
            }
            head_ = (head_ + n) % kCapacityFrames;
            count_ -= n;
            done += n;
            p.frames -= n;
            if (p.frames == 0) {
                played += p.seconds;
                any = true;
                pendingHead_ = (pendingHead_ + 1) % kMaxPending;
                --pendingCount_;
            }
        }
    }
    // Completions outside the node's lock (they take the player's lock).
    if (any && playedBack_)
        playedBack_(played);
}

} // namespace tessarin
