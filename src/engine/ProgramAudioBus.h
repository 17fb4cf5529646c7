#pragma once
// The program sound gathered for streaming: the level taps and the live
// audio player push buffers in any format; the bus converts them on its own
// queue to 48 kHz float stereo interleaved and queues them per source (0:
// player A and live audio, 1: player B); the stream's audio pump pulls a
// fixed block every 20 ms and gets the sum of the oldest samples of both.
// Priming holds the output at silence until three pulls' worth has gathered.
#include "platform/SerialQueue.h"
#include "platform/player/AudioFormat.h"

#include <QString>

#include <array>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace tessarin {

class PcmBuffer;
class Resampler;

class ProgramAudioBus {
public:
    // A queue that grows past kMaxSamples is cut to its newest kTrimSamples.
    static constexpr std::size_t kMaxSamples = 48000;  // 0.5 s of stereo
    static constexpr std::size_t kTrimSamples = 12000; // 0.125 s

    ProgramAudioBus();
    ~ProgramAudioBus();
    ProgramAudioBus(const ProgramAudioBus&) = delete;
    ProgramAudioBus& operator=(const ProgramAudioBus&) = delete;

    // Any thread: dropped while not enabled; otherwise converted and queued
    // later on the bus's queue. The caller must not change the buffer after.
    void push(const std::shared_ptr<PcmBuffer>& buffer, int source);
    // Any thread: exactly frames × 2 interleaved samples (empty for 0).
    std::vector<float> pull(int frames);

    // The format of every queued sample.
    const AudioFormat targetFormat = AudioFormat::programFormat();

    // Shared with the stream manager, which sets them under lock when its
    // pipeline starts and stops.
    std::mutex lock;
    bool enabled = false;
    std::array<std::vector<float>, 2> fifos;
    bool primed = false;

private:
    void convertAndAppend(const std::shared_ptr<PcmBuffer>& buffer, int source);

    std::map<QString, std::unique_ptr<Resampler>> converters_; // the queue only
    // Last: destroyed first, running what is queued while the rest still exists.
    SerialQueue queue_ { "Vellumcast.ProgramAudioBus" };
};

} // namespace tessarin
