#include "platform/player/AudioFormat.h"

#include <cmath>

namespace tessarin {

bool AudioFormat::isValid() const
{
    return std::isfinite(sampleRate) && sampleRate > 0.0 && sampleRate <= 1.0e6 && channels >= 1 && channels <= 64;
}

int AudioFormat::bytesPerSample() const
{
    switch (commonFormat) {
    case SampleFormat::Float32: return 4;
    case SampleFormat::Float64: return 8;
    case SampleFormat::Int16: return 2;
    case SampleFormat::Int32: return 4;
    }
    return 4;
}

QString AudioFormat::description() const
{
    static const char* names[] = { "f32", "f64", "s16", "s32" };
    return QStringLiteral("%1ch %2Hz %3 %4")
        .arg(channels)
        .arg(sampleRate, 0, 'g', 17)
        .arg(QLatin1String(names[static_cast<int>(commonFormat)]))
        .arg(interleaved ? QLatin1String("interleaved") : QLatin1String("planar"));
}

} // namespace tessarin
