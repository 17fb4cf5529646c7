#include "engine/ProgramAudioBus.h"

#include "engine/ProgramAudioRing.h"
#include "platform/Clock.h"

#include <algorithm>
#include <cmath>

namespace tessarin {

ProgramAudioBus::ProgramAudioBus()
{
    for (auto& ring : rings_)
        ring = std::make_unique<ProgramAudioRing>();
}

ProgramAudioBus::~ProgramAudioBus() = default;

std::size_t ProgramAudioBus::index(int source)
{
    return static_cast<std::size_t>(std::clamp(source, 0, kSources - 1));
}

void ProgramAudioBus::setEnabled(bool on)
{
    enabled_.store(on, std::memory_order_release);
    for (auto& ring : rings_)
        ring->reset();
}

void ProgramAudioBus::write(int source, const AudioBufferList& list, double heardTime)
{
    if (!isEnabled() || list.count < 1 || !list.buffers[0].data)
        return;
    ProgramAudioRing::Frames frames;
    const AudioBuffer& first = list.buffers[0];
    if (list.count == 1) {
        const int channels = std::max(first.channels, 1);
        frames.left = first.data;
        frames.right = first.data + (channels >= 2 ? 1 : 0);
        frames.stride = channels;
        frames.frames = static_cast<int>(first.byteSize / (static_cast<std::uint32_t>(channels) * 4u));
    } else {
        const AudioBuffer& second = list.buffers[1];
        frames.left = first.data;
        frames.right = second.data ? second.data : first.data;
        frames.stride = 1;
        frames.frames = static_cast<int>(std::min(first.byteSize, second.data ? second.byteSize : first.byteSize) / 4u);
    }
    if (std::isnan(heardTime))
        heardTime = HostClock::monotonicSeconds();
    rings_[index(source)]->write(frames, heardTime);
}

void ProgramAudioBus::write(int source, const float* stereo, int frames, double heardTime)
{
    if (!isEnabled() || !stereo)
        return;
    if (std::isnan(heardTime))
        heardTime = HostClock::monotonicSeconds();
    rings_[index(source)]->write(ProgramAudioRing::Frames { stereo, stereo + 1, 2, frames }, heardTime);
}

std::vector<float> ProgramAudioBus::pull(int frames, double time)
{
    if (frames <= 0)
        return {};
    std::vector<float> block(static_cast<std::size_t>(frames) * 2, 0.0f);
    pull(block.data(), frames, time);
    return block;
}

void ProgramAudioBus::pull(float* block, int frames, double time)
{
    if (frames <= 0)
        return;
    std::fill_n(block, static_cast<std::size_t>(frames) * 2, 0.0f);
    if (!std::isfinite(time))
        return;
    for (auto& ring : rings_)
        ring->mixTimed(block, frames, time);
}

double ProgramAudioBus::rate(int source) const
{
    return rings_[index(source)]->rate();
}

std::vector<float> ProgramAudioBus::queued(int source) const
{
    const ProgramAudioRing& ring = *rings_[index(source)];
    std::vector<float> samples(static_cast<std::size_t>(ring.queued()) * 2);
    ring.copyQueued(samples.data(), samples.size() / 2);
    return samples;
}

} // namespace tessarin
