#pragma once
// The audio envelope of a file (one peak per bucket) and its largest
// absolute sample, decoded once in the background and kept per file URL
// while an item uses the file and for a few files after (FileCache). The
// decoding keeps memory bounded whatever the file's length (see
// PeakBucketer). Called on the main thread.
#include <QUrl>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace tessarin::WaveformCache {

struct Analysis {
    // The largest absolute sample of each bucket, in the order of the audio;
    // channels are not separated.
    std::vector<float> waveform;
    // The largest bucket value: the file's peak (0 when silent).
    float peak = 0.0f;
};

// A cached analysis is handed to completion at once, inside the call
// (whatever the sample count asked for this time); otherwise the file is
// analysed on a background thread and completion runs later on the main
// thread with the result, or nullopt when the file has no readable audio.
void analyze(const QUrl& url, int samples, std::function<void(const std::optional<Analysis>&)> completion);

// Decodes the first audio track and buckets it into about targetCount
// values. Blocking; background threads only. nullopt without an audio
// track, when decoding fails, or when there are no samples.
std::optional<Analysis> extractAnalysis(const QUrl& url, std::int64_t targetCount);

} // namespace tessarin::WaveformCache
