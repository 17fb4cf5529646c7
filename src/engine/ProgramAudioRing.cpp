#include "engine/ProgramAudioRing.h"

#include <algorithm>
#include <cmath>

namespace tessarin {
namespace {

constexpr double kRate = 48000.0;
// The rate loop: the time error is smoothed over about 0.2 s, then drives
// the rate with a proportional and an integral part (critically damped,
// settling in a few seconds; the integral part ends up holding the
// device's clock offset, so the error itself returns to 0).
constexpr double kSmoothingSeconds = 0.2;
constexpr double kProportional = 2.0; // rate offset per second of error
constexpr double kIntegral = 1.0;     // rate offset per second of error, per second

} // namespace

// Not cleared: only frames written are read, and the pages are touched by
// the thread that writes them.
ProgramAudioRing::ProgramAudioRing()
    : data_(new float[std::size_t(kFrames) * 2])
{
}

// --- writer ----------------------------------------------------------------

void ProgramAudioRing::write(const Frames& in, double heardTime)
{
    if (in.frames <= 0 || !in.left || !in.right || !std::isfinite(heardTime))
        return;
    if (writing_.exchange(true, std::memory_order_acquire))
        return; // another thread writes this ring right now
    const std::uint32_t generation = generation_.load(std::memory_order_acquire);
    if (generation != writerGeneration_) {
        writerGeneration_ = generation;
        writerMarked_ = false;
    }
    const std::uint64_t w = writeIndex_.load(std::memory_order_relaxed);
    const std::uint64_t queued = w - std::min(readIndex_.load(std::memory_order_acquire), w);
    if (queued == 0)
        writerMarked_ = false;
    const auto frames = static_cast<std::uint64_t>(in.frames);
    std::uint64_t pad = 0;
    if (writerMarked_) {
        // Sound that starts after the end of what is queued (a pause, a cut
        // with a gap): silence in between keeps one timeline.
        const double tail = writerMarker_.time + double(w - writerMarker_.index) / kRate;
        const double gap = heardTime - tail;
        if (gap > kGapSeconds)
            pad = static_cast<std::uint64_t>(std::llround(std::min(gap, 1.0) * kRate));
    }
    const std::uint64_t space = kFrames - std::min<std::uint64_t>(queued, kFrames);
    if (frames > space) {
        // Nobody reads (or far too slowly): the reader starts again from the
        // next write on.
        overflowed_.store(true, std::memory_order_release);
        writing_.store(false, std::memory_order_release);
        return;
    }
    pad = std::min(pad, space - frames);
    for (std::uint64_t i = 0; i < pad; ++i) {
        float* frame = &data_[((w + i) & kMask) * 2];
        frame[0] = frame[1] = 0.0f;
    }
    const std::uint64_t start = w + pad;
    const auto stride = static_cast<std::ptrdiff_t>(in.stride);
    for (std::uint64_t i = 0; i < frames; ++i) {
        float* frame = &data_[((start + i) & kMask) * 2];
        frame[0] = in.left[static_cast<std::ptrdiff_t>(i) * stride];
        frame[1] = in.right[static_cast<std::ptrdiff_t>(i) * stride];
    }
    writerMarker_ = Marker { start, heardTime };
    writerMarked_ = true;
    publishMarker(writerMarker_);
    writeIndex_.store(start + frames, std::memory_order_release);
    writing_.store(false, std::memory_order_release);
}

void ProgramAudioRing::publishMarker(const Marker& marker)
{
    const std::uint32_t sequence = markerSequence_.load(std::memory_order_relaxed);
    markerSequence_.store(sequence + 1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    markerIndex_.store(marker.index, std::memory_order_relaxed);
    markerTime_.store(marker.time, std::memory_order_relaxed);
    markerSequence_.store(sequence + 2, std::memory_order_release);
}

// --- reader ----------------------------------------------------------------

bool ProgramAudioRing::readMarker(Marker& marker) const
{
    for (;;) {
        const std::uint32_t before = markerSequence_.load(std::memory_order_acquire);
        if (before == 0)
            return false; // never written
        if (before & 1u)
            continue; // the writer is between its two stores
        marker.index = markerIndex_.load(std::memory_order_relaxed);
        marker.time = markerTime_.load(std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_acquire);
        if (markerSequence_.load(std::memory_order_relaxed) == before)
            return true;
    }
}

std::uint64_t ProgramAudioRing::readFrom() const
{
    const std::uint64_t r = readIndex_.load(std::memory_order_relaxed);
    if (generation_.load(std::memory_order_acquire) == readerGeneration_)
        return r;
    return std::max(r, resetIndex_.load(std::memory_order_relaxed));
}

std::uint64_t ProgramAudioRing::queued() const
{
    const std::uint64_t w = writeIndex_.load(std::memory_order_acquire);
    return w - std::min(readFrom(), w);
}

void ProgramAudioRing::copyQueued(float* out, std::uint64_t maxFrames) const
{
    const std::uint64_t r = readFrom();
    const std::uint64_t n = std::min(queued(), maxFrames);
    for (std::uint64_t i = 0; i < n; ++i) {
        out[i * 2] = sample(r + i, 0);
        out[i * 2 + 1] = sample(r + i, 1);
    }
}

void ProgramAudioRing::reset()
{
    resetIndex_.store(writeIndex_.load(std::memory_order_acquire), std::memory_order_relaxed);
    generation_.fetch_add(1, std::memory_order_release);
}

void ProgramAudioRing::restartReader(std::uint64_t from)
{
    readIndex_.store(std::max(from, readIndex_.load(std::memory_order_relaxed)), std::memory_order_release);
    timing_ = {};
}

void ProgramAudioRing::consume(std::uint64_t frames)
{
    readIndex_.store(readIndex_.load(std::memory_order_relaxed) + frames, std::memory_order_release);
}

void ProgramAudioRing::mixTimed(float* block, int frames, double time)
{
    const std::uint32_t generation = generation_.load(std::memory_order_acquire);
    if (generation != readerGeneration_) {
        readerGeneration_ = generation;
        restartReader(resetIndex_.load(std::memory_order_relaxed));
    }
    if (overflowed_.exchange(false, std::memory_order_acquire))
        restartReader(writeIndex_.load(std::memory_order_acquire));
    Timing& timing = timing_;
    const std::uint64_t r = readIndex_.load(std::memory_order_relaxed);
    const std::uint64_t available = queued();
    Marker marker;
    if (available == 0 || frames <= 0 || !readMarker(marker)) {
        timing.locked = false;
        return;
    }
    // Counted from the newest write: a device that hands out several
    // buffers at once (as it fills its own queue) stamps them all at about
    // the same time, but each is heard after the one before; the newest
    // stamp, and the frames written before it, say when.
    const double head = marker.time + (double(r) - double(marker.index) + timing.position) / kRate;
    const double error = time - head; // > 0: the ring's oldest sound is older than asked
    const double step = frames / kRate;
    int lead = 0;
    std::uint64_t base = r;
    std::uint64_t left = available;
    if (!timing.locked || std::abs(error) > kJumpSeconds) {
        // Straight to the time asked: what is older goes, what is newer
        // waits behind silence.
        timing.position = 0;
        timing.previous[0] = timing.previous[1] = 0.0f;
        if (error > 0) {
            const auto drop = static_cast<std::uint64_t>(std::llround(std::min(error, 10.0) * kRate));
            if (drop >= available) {
                consume(available);
                timing.locked = false;
                return;
            }
            if (drop > 0) {
                timing.previous[0] = sample(r + drop - 1, 0);
                timing.previous[1] = sample(r + drop - 1, 1);
            }
            consume(drop);
            base += drop;
            left -= drop;
        } else {
            const double ahead = std::min(-error, 10.0) * kRate;
            if (ahead >= frames) {
                timing.locked = false; // heard after this block: asked again next time
                return;
            }
            lead = static_cast<int>(std::llround(ahead));
        }
        timing.filtered = 0;
        timing.locked = true;
        timing.rate = 1.0 + timing.integral;
    } else {
        timing.filtered += std::min(1.0, step / kSmoothingSeconds) * (error - timing.filtered);
        timing.integral = std::clamp(timing.integral + kIntegral * timing.filtered * step, -kMaxRateOffset,
                                     kMaxRateOffset);
        timing.rate = 1.0 + std::clamp(kProportional * timing.filtered + timing.integral, -kMaxRateOffset,
                                       kMaxRateOffset);
    }

    // Catmull-Rom interpolation at the current rate; a rate of exactly 1 at
    // a whole position copies the frames unchanged.
    const auto count = static_cast<std::ptrdiff_t>(left);
    auto at = [&](std::ptrdiff_t frame, int channel) {
        if (frame < 0)
            return timing.previous[channel];
        return sample(base + static_cast<std::uint64_t>(std::min(frame, count - 1)), channel);
    };
    float* out = block + static_cast<std::ptrdiff_t>(lead) * 2;
    double position = timing.position;
    int made = 0;
    for (; made < frames - lead; ++made) {
        const auto i = static_cast<std::ptrdiff_t>(std::floor(position));
        if (i >= count)
            break;
        const float t = static_cast<float>(position - static_cast<double>(i));
        for (int c = 0; c < 2; ++c) {
            const float p1 = at(i, c);
            if (t == 0.0f) {
                out[made * 2 + c] += p1;
                continue;
            }
            const float p0 = at(i - 1, c);
            const float p2 = at(i + 1, c);
            const float p3 = at(i + 2, c);
            out[made * 2 + c] += p1
                + 0.5f * t
                    * ((p2 - p0) + t * ((2.0f * p0 - 5.0f * p1 + 4.0f * p2 - p3) + t * (3.0f * (p1 - p2) + p3 - p0)));
        }
        position += timing.rate;
    }
    const auto used = std::min(static_cast<std::ptrdiff_t>(std::floor(position)), count);
    if (used > 0) {
        timing.previous[0] = at(used - 1, 0);
        timing.previous[1] = at(used - 1, 1);
    }
    timing.position = used < count ? position - static_cast<double>(used) : 0.0;
    consume(static_cast<std::uint64_t>(used));
    if (made < frames - lead)
        timing.locked = false; // ran dry: found again by time at the next read
}

} // namespace tessarin
