#include "platform/PcmBuffer.h"

#include <algorithm>
#include <utility>

namespace tessarin {

PcmBuffer::PcmBuffer(PcmFormat format, int frameCapacity)
    : format_(format), capacity_(std::max(frameCapacity, 0))
{
    format_.channels = std::max(format_.channels, 1);
    samples_.assign(static_cast<std::size_t>(capacity_) * static_cast<std::size_t>(format_.channels), 0.0f);
}

void PcmBuffer::setFrameLength(int frames)
{
    length_ = std::clamp(frames, 0, capacity_);
}

float* PcmBuffer::channelData(int channel)
{
    return const_cast<float*>(std::as_const(*this).channelData(channel));
}

const float* PcmBuffer::channelData(int channel) const
{
    channel = std::clamp(channel, 0, format_.channels - 1);
    const std::size_t offset = format_.interleaved
        ? static_cast<std::size_t>(channel)
        : static_cast<std::size_t>(channel) * static_cast<std::size_t>(capacity_);
    return samples_.data() + offset;
}

} // namespace tessarin
