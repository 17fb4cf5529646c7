#include "engine/ProgramAudioBus.h"

#include "platform/Clock.h"
#include "platform/player/PcmBuffer.h"
#include "platform/player/Resampler.h"

#include <algorithm>
#include <cmath>
#include <limits>

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

ProgramAudioBus::ProgramAudioBus() = default;
ProgramAudioBus::~ProgramAudioBus() = default;

void ProgramAudioBus::push(const std::shared_ptr<PcmBuffer>& buffer, int source, double heardTime)
{
    if (!buffer)
        return;
    {
        std::lock_guard guard(lock);
        if (!enabled)
            return;
    }
    if (std::isnan(heardTime))
        heardTime = HostClock::monotonicSeconds();
    queue_.async([this, buffer, source, heardTime] { convertAndAppend(buffer, source, heardTime); });
}

void ProgramAudioBus::convertAndAppend(const std::shared_ptr<PcmBuffer>& buffer, int source, double heardTime)
{
    const AudioFormat& format = buffer->format();
    const QString key = format.description();
    auto it = converters_.find(key);
    if (it == converters_.end()) {
        auto converter = std::make_unique<Resampler>(format, targetFormat);
        if (!converter->isValid())
            return;
        it = converters_.emplace(key, std::move(converter)).first;
    }
    const double capacity = std::trunc(targetFormat.sampleRate / format.sampleRate * buffer->frameLength()) + 64.0;
    if (!std::isfinite(capacity) || capacity < 1.0 || capacity > static_cast<double>(1 << 24))
        return;
    auto output = PcmBuffer::create(targetFormat, static_cast<int>(capacity));
    if (!output)
        return;
    const int frames = it->second->convert(*buffer, *output);
    if (frames <= 0 || !output->floatData(0))
        return;
    const float* samples = output->floatData(0);
    const std::size_t count = static_cast<std::size_t>(frames) * 2;
    const std::size_t i = index(source);
    std::lock_guard guard(lock);
    auto& fifo = fifos[i];
    Timing& timing = timing_[i];
    std::ptrdiff_t queued = static_cast<std::ptrdiff_t>(fifo.size() / 2);
    if (queued == 0)
        timing.marker.reset();
    if (std::isfinite(heardTime)) {
        if (timing.marker) {
            // Sound that starts after the end of what is queued (a pause,
            // a cut with a gap): silence in between keeps one timeline.
            const Marker& last = *timing.marker;
            const double tail = last.time + static_cast<double>(queued - last.offset) / kRate;
            const double gap = heardTime - tail;
            if (gap > kGapSeconds) {
                const auto pad = static_cast<std::ptrdiff_t>(std::llround(std::min(gap, 1.0) * kRate));
                fifo.insert(fifo.end(), static_cast<std::size_t>(pad) * 2, 0.0f);
                queued += pad;
            }
        }
        timing.marker = Marker { queued, heardTime };
    }
    fifo.insert(fifo.end(), samples, samples + count);
    if (fifo.size() > kMaxSamples) {
        consumeLocked(i, (fifo.size() - kTrimSamples) / 2);
        timing.locked = false;
    }
}

void ProgramAudioBus::consumeLocked(std::size_t source, std::size_t frames)
{
    auto& fifo = fifos[source];
    Timing& timing = timing_[source];
    frames = std::min(frames, fifo.size() / 2);
    if (frames == 0)
        return;
    fifo.erase(fifo.begin(), fifo.begin() + static_cast<std::ptrdiff_t>(frames * 2));
    if (fifo.empty())
        timing.marker.reset();
    else if (timing.marker)
        timing.marker->offset -= static_cast<std::ptrdiff_t>(frames);
}

double ProgramAudioBus::headTimeLocked(int source) const
{
    const Timing& timing = timing_[index(source)];
    if (!timing.marker || fifos[index(source)].empty())
        return std::numeric_limits<double>::quiet_NaN();
    // Counted back from the newest push: a device that hands out several
    // buffers at once (as it fills its own queue) stamps them all at about
    // the same time, but each is heard after the one before; the newest
    // stamp, and the samples queued before it, say when.
    const Marker& marker = *timing.marker;
    return marker.time + (timing.position - static_cast<double>(marker.offset)) / kRate;
}

void ProgramAudioBus::resetTimingLocked()
{
    timing_ = {};
}

std::vector<float> ProgramAudioBus::pull(int frames)
{
    if (frames <= 0)
        return {};
    const std::size_t need = static_cast<std::size_t>(frames) * 2;
    std::vector<float> block(need, 0.0f);
    std::lock_guard guard(lock);
    const std::size_t fullest = std::max(fifos[0].size(), fifos[1].size());
    if (!primed) {
        if (fullest < static_cast<std::size_t>(frames) * 6)
            return block;
        primed = true;
    }
    for (std::size_t s = 0; s < fifos.size(); ++s) {
        auto& fifo = fifos[s];
        const std::size_t n = std::min(fifo.size(), need);
        for (std::size_t i = 0; i < n; ++i)
            block[i] += fifo[i];
        consumeLocked(s, n / 2);
    }
    if (fullest < need)
        primed = false;
    return block;
}

std::vector<float> ProgramAudioBus::pull(int frames, double time)
{
    if (frames <= 0)
        return {};
    std::vector<float> block(static_cast<std::size_t>(frames) * 2, 0.0f);
    if (!std::isfinite(time))
        return block;
    std::lock_guard guard(lock);
    for (std::size_t s = 0; s < fifos.size(); ++s)
        mixTimedLocked(s, block.data(), frames, time);
    return block;
}

void ProgramAudioBus::mixTimedLocked(std::size_t source, float* block, int frames, double time)
{
    auto& fifo = fifos[source];
    Timing& timing = timing_[source];
    if (fifo.empty()) {
        timing.locked = false;
        return;
    }
    double head = headTimeLocked(static_cast<int>(source));
    if (!std::isfinite(head))
        head = time; // pushed without times: taken as due
    const double error = time - head; // > 0: the queue's oldest sound is older than asked
    const double step = frames / kRate;
    int lead = 0;
    if (!timing.locked || std::abs(error) > kJumpSeconds) {
        // Straight to the time asked: what is older goes, what is newer
        // waits behind silence.
        timing.position = 0;
        timing.previous[0] = timing.previous[1] = 0.0f;
        if (error > 0) {
            const auto drop = static_cast<std::size_t>(std::llround(std::min(error, 10.0) * kRate));
            if (drop >= fifo.size() / 2) {
                consumeLocked(source, fifo.size() / 2);
                timing.locked = false;
                return;
            }
            if (drop > 0) {
                timing.previous[0] = fifo[drop * 2 - 2];
                timing.previous[1] = fifo[drop * 2 - 1];
            }
            consumeLocked(source, drop);
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
    // a whole position copies the samples unchanged.
    const auto available = static_cast<std::ptrdiff_t>(fifo.size() / 2);
    auto sample = [&](std::ptrdiff_t frame, int channel) {
        if (frame < 0)
            return timing.previous[channel];
        return fifo[static_cast<std::size_t>(std::min(frame, available - 1)) * 2 + static_cast<std::size_t>(channel)];
    };
    float* out = block + static_cast<std::ptrdiff_t>(lead) * 2;
    double position = timing.position;
    int made = 0;
    for (; made < frames - lead; ++made) {
        const auto i = static_cast<std::ptrdiff_t>(std::floor(position));
        if (i >= available)
            break;
        const float t = static_cast<float>(position - static_cast<double>(i));
        for (int c = 0; c < 2; ++c) {
            const float p1 = sample(i, c);
            if (t == 0.0f) {
                out[made * 2 + c] += p1;
                continue;
            }
            const float p0 = sample(i - 1, c);
            const float p2 = sample(i + 1, c);
            const float p3 = sample(i + 2, c);
            out[made * 2 + c] += p1
                + 0.5f * t
                    * ((p2 - p0) + t * ((2.0f * p0 - 5.0f * p1 + 4.0f * p2 - p3) + t * (3.0f * (p1 - p2) + p3 - p0)));
        }
        position += timing.rate;
    }
    const auto used = std::min(static_cast<std::ptrdiff_t>(std::floor(position)), available);
    if (used > 0) {
        timing.previous[0] = fifo[static_cast<std::size_t>(used) * 2 - 2];
        timing.previous[1] = fifo[static_cast<std::size_t>(used) * 2 - 1];
    }
    timing.position = used < available ? position - static_cast<double>(used) : 0.0;
    consumeLocked(source, static_cast<std::size_t>(used));
    if (made < frames - lead)
        timing.locked = false; // ran dry: found again by time at the next pull
}

} // namespace tessarin
