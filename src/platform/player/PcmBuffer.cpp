#include "platform/player/PcmBuffer.h"

#include <algorithm>

namespace tessarin {

std::shared_ptr<PcmBuffer> PcmBuffer::create(const AudioFormat& format, int frameCapacity)
{
    if (!format.isValid() || frameCapacity < 1 || frameCapacity > (1 << 24))
        return nullptr;
    return std::shared_ptr<PcmBuffer>(new PcmBuffer(format, frameCapacity));
}

PcmBuffer::PcmBuffer(const AudioFormat& format, int capacity)
    : format_(format)
    , capacity_(capacity)
    , bufferBytes_(static_cast<std::size_t>(capacity) * static_cast<std::size_t>(format.bytesPerFrame()))
    , storage_(bufferBytes_ * static_cast<std::size_t>(format.bufferCount()), 0)
{
}

void PcmBuffer::setFrameLength(int frames)
{
    length_ = std::clamp(frames, 0, capacity_);
}

std::size_t PcmBuffer::byteSize() const
{
    return static_cast<std::size_t>(length_) * static_cast<std::size_t>(format_.bytesPerFrame());
}

std::uint8_t* PcmBuffer::data(int buffer)
{
    if (buffer < 0 || buffer >= bufferCount())
        return nullptr;
    return storage_.data() + bufferBytes_ * static_cast<std::size_t>(buffer);
}

const std::uint8_t* PcmBuffer::data(int buffer) const
{
    return const_cast<PcmBuffer*>(this)->data(buffer);
}

float* PcmBuffer::floatData(int buffer)
{
    if (format_.commonFormat != SampleFormat::Float32)
        return nullptr;
    return reinterpret_cast<float*>(data(buffer));
}

const float* PcmBuffer::floatData(int buffer) const
{
    return const_cast<PcmBuffer*>(this)->floatData(buffer);
}

} // namespace tessarin
