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
    return capacity_ - count_ - reserved_;
}

std::unique_lock<std::mutex> AudioRing::lockForOutput() const
{
    // A few microseconds at most: a copy by the writer ends sooner; a writer
    // taken off its core meanwhile is waited for in the kernel.
    constexpr int kSpins = 1000;
    for (int i = 0; i < kSpins; ++i) {
        if (mutex_.try_lock())
            return std::unique_lock<std::mutex>(mutex_, std::adopt_lock);
#if defined(__x86_64__) || defined(__i386__)
        __builtin_ia32_pause();
#endif
    }
    return std::unique_lock<std::mutex>(mutex_);
}

int AudioRing::available() const
{
    const auto lock = lockForOutput();
    return count_;
}

int AudioRing::available(std::uint64_t serial) const
{
    const auto lock = lockForOutput();
    return serial == serial_ ? count_ : 0;
}

void AudioRing::reset(std::uint64_t serial)
{
    std::lock_guard lock(mutex_);
    if (reading_) {
        // The output copies readFrames_ frames from readStart_: they stay
        // untouched however often the ring is emptied during the copy, and
        // new frames go after them.
        head_ = (readStart_ + readFrames_) % capacity_;
        reserved_ = readFrames_;
    } else {
        head_ = 0;
    }
    count_ = 0;
    runHead_ = 0;
    runCount_ = 0;
    serial_ = serial;
    ++resets_;
}

int AudioRing::write(const float* samples, int frames, double pts, std::uint64_t serial)
{
    int n = 0;
    int tail = 0;
    {
        std::lock_guard lock(mutex_);
        if (serial != serial_ || frames <= 0)
            return 0;
        n = std::min(frames, capacity_ - count_ - reserved_);
        if (n <= 0)
            return 0;
        tail = (head_ + count_) % capacity_;
    }
    // Free space: the output reads none of it until count_ covers it, and
    // only this thread resets.
    const int first = std::min(n, capacity_ - tail);
    std::memcpy(data_.get() + static_cast<std::size_t>(tail) * 2, samples, sizeof(float) * 2 * static_cast<std::size_t>(first));
    if (n > first)
        std::memcpy(data_.get(), samples + first * 2, sizeof(float) * 2 * static_cast<std::size_t>(n - first));

    std::lock_guard lock(mutex_);
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
    Read result;
    int start = 0;
    std::uint64_t resets = 0;
    {
        const auto lock = lockForOutput();
        if (serial != serial_ || count_ == 0 || runCount_ == 0 || maxFrames <= 0)
            return result;
        const Run& run = runs_[runHead_];
        result.frames = std::min({ maxFrames, run.frames, count_ });
        result.pts = run.pts;
        start = head_;
        resets = resets_;
        reading_ = true;
        readStart_ = start;
        readFrames_ = result.frames;
    }
    // Frames held: the writer writes none of them, even across a reset.
    const int n = result.frames;
    const int first = std::min(n, capacity_ - start);
    std::memcpy(out, data_.get() + static_cast<std::size_t>(start) * 2, sizeof(float) * 2 * static_cast<std::size_t>(first));
    if (n > first)
        std::memcpy(out + first * 2, data_.get(), sizeof(float) * 2 * static_cast<std::size_t>(n - first));

    const auto lock = lockForOutput();
    reading_ = false;
    if (resets != resets_) {
        reserved_ = 0; // emptied meanwhile: what was copied is no longer due
        return Read {};
    }
    head_ = (head_ + n) % capacity_;
    count_ -= n;
    Run& run = runs_[runHead_];
    run.pts += n / kRate;
    run.frames -= n;
    if (run.frames == 0) {
        runHead_ = (runHead_ + 1) % kMaxRuns;
        --runCount_;
    }
    return result;
}

} // namespace tessarin
