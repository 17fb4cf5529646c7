#pragma once
// The description of a stream of linear PCM samples, as the audio paths
// (players, live audio, the program bus) hand it to each other.
#include <QString>

namespace tessarin {

enum class SampleFormat { Float32, Float64, Int16, Int32 };

struct AudioFormat {
    SampleFormat commonFormat = SampleFormat::Float32;
    double sampleRate = 48000.0;
    int channels = 2;
    bool interleaved = true;

    bool operator==(const AudioFormat&) const = default;

    // A rate that is finite and positive, 1 to 64 channels.
    bool isValid() const;
    int bytesPerSample() const;
    // Bytes of one frame inside one buffer (all channels when interleaved).
    int bytesPerFrame() const { return bytesPerSample() * (interleaved ? channels : 1); }
    // Buffers a PCM buffer of this format holds: 1 interleaved, else one per channel.
    int bufferCount() const { return interleaved ? 1 : channels; }
    // Text made of every property, so equal formats give equal keys.
    QString description() const;

    static AudioFormat float32(double rate, int channels, bool interleaved)
    {
        return AudioFormat { SampleFormat::Float32, rate, channels, interleaved };
    }
    // The output format of the whole program: 48 kHz float stereo, interleaved.
    static AudioFormat programFormat() { return float32(48000.0, 2, true); }
};

} // namespace tessarin
