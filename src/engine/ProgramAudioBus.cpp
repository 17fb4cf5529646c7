#include "engine/ProgramAudioBus.h"

#include "platform/player/PcmBuffer.h"
#include "platform/player/Resampler.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tessarin {

ProgramAudioBus::ProgramAudioBus() = default;
ProgramAudioBus::~ProgramAudioBus() = default;

void ProgramAudioBus::push(const std::shared_ptr<PcmBuffer>& buffer, int source)
{
    if (!buffer)
        return;
    {
        std::lock_guard guard(lock);
        if (!enabled)
            return;
    }
    queue_.async([this, buffer, source] { convertAndAppend(buffer, source); });
}

void ProgramAudioBus::convertAndAppend(const std::shared_ptr<PcmBuffer>& buffer, int source)
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
    std::lock_guard guard(lock);
    auto& fifo = fifos[source > 0 ? 1 : 0];
    fifo.insert(fifo.end(), samples, samples + count);
    if (fifo.size() > kMaxSamples)
        fifo.erase(fifo.begin(), fifo.end() - static_cast<std::ptrdiff_t>(kTrimSamples));
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
    for (auto& fifo : fifos) {
        const std::size_t n = std::min(fifo.size(), need);
        for (std::size_t i = 0; i < n; ++i)
            block[i] += fifo[i];
        fifo.erase(fifo.begin(), fifo.begin() + static_cast<std::ptrdiff_t>(n));
    }
    if (fullest < need)
        primed = false;
    return block;
}

} // namespace tessarin
