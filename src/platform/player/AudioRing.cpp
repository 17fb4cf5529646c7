#include "platform/player/AudioRing.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace tessarin {
namespace {
constexpr double kRate = 48000.0;
// Two runs closer than this (in seconds) are one contiguous run.
constexpr double kContinuity = 2.0 / kRate;
}

AudioRing::AudioRing(int capacityFrames)
    : capacity_(std::max(capacityFrames, 1024))
    , data_(std::make_unique_for_overwrite<float[]>(static_cast<std::size_t>(capacity_) * 2))
{
}

int AudioRing::space() const
{
    std::lock_guard lock(mutex_);
    return capacity_ - count_;
}

int AudioRing::available() const
{
    std::lock_guard lock(mutex_);
    return count_;
}

int AudioRing::available(std::uint64_t serial) const
{
    std::lock_guard lock(mutex_);
    return serial == serial_ ? count_ : 0;
}

void AudioRing::reset(std::uint64_t serial)
{
    std::lock_guard lock(mutex_);
    head_ = 0;
    count_ = 0;
    runHead_ = 0;
    runCount_ = 0;
    serial_ = serial;
}

int AudioRing::write(const float* samples, int frames, double pts, std::uint64_t serial)
{
    std::lock_guard lock(mutex_);
    if (serial != serial_ || frames <= 0)
        return 0;
    const int n = std::min(frames, capacity_ - count_);
    if (n <= 0)
        return 0;
    int tail = (head_ + count_) % capacity_;
    int first = std::min(n, capacity_ - tail);
    std::memcpy(data_.get() + static_cast<std::size_t>(tail) * 2, samples, sizeof(float) * 2 * static_cast<std::size_t>(first));
    if (n > first)
        std::memcpy(data_.get(), samples + first * 2, sizeof(float) * 2 * static_cast<std::size_t>(n - first));
    count_ += n;

    if (runCount_ > 0) {
        Run& last = runs_[(runHead_ + runCount_ - 1) % kMaxRuns];
        const double expected = last.pts + last.frames / kRate;
        if (std::fabs(expected - pts) < kContinuity || runCount_ == kMaxRuns) {
            last.frames += n;
            return n;
        }
    }
    runs_[(runHead_ + runCount_) % kMaxRuns] = Run { pts, n };
    ++runCount_;
    return n;
}

AudioRing::Read AudioRing::read(float* out, int maxFrames, std::uint64_t serial)
{
    std::lock_guard lock(mutex_);
    Read result;
    if (serial != serial_ || count_ == 0 || runCount_ == 0 || maxFrames <= 0)
        return result;
    Run& run = runs_[runHead_];
    const int n = std::min({ maxFrames, run.frames, count_ });
    int first = std::min(n, capacity_ - head_);
    std::memcpy(out, data_.get() + static_cast<std::size_t>(head_) * 2, sizeof(float) * 2 * static_cast<std::size_t>(first));
    if (n > first)
        std::memcpy(out + first * 2, data_.get(), sizeof(float) * 2 * static_cast<std::size_t>(n - first));
    head_ = (head_ + n) % capacity_;
    count_ -= n;
    result.frames = n;
    result.pts = run.pts;
    run.pts += n / kRate;
    run.frames -= n;
    if (run.frames == 0) {
        runHead_ = (runHead_ + 1) % kMaxRuns;
        --runCount_;
    }
    return result;
}

} // namespace tessarin
