#pragma once
// The program sound gathered for streaming: the level taps (on the audio
// output's thread) and the live audio player (on its queue) write their
// sound, each into a ring of its own, with the host time at which its first
// frame is heard; the stream's audio pump pulls a block every 20 ms by time
// and gets the sum of the sources, each read at the rate that keeps it at
// the time asked (see ProgramAudioRing). The writers never lock, wait or
// allocate; the bus takes writes only while enabled (streaming).
#include "platform/player/AudioTap.h"

#include <array>
#include <atomic>
#include <memory>
#include <vector>

namespace tessarin {

class ProgramAudioRing;

class ProgramAudioBus {
public:
    // The level meter's tap, the second tap (the two alternate per item on
    // air), the live audio player.
    static constexpr int kSources = 3;
    static constexpr int kLiveSource = 2;

    ProgramAudioBus();
    ~ProgramAudioBus();
    ProgramAudioBus(const ProgramAudioBus&) = delete;
    ProgramAudioBus& operator=(const ProgramAudioBus&) = delete;

    // Any thread. Switching on or off empties every ring and forgets its
    // timing (at the next pull).
    void setEnabled(bool on);
    bool isEnabled() const { return enabled_.load(std::memory_order_acquire); }

    // A source's writer: 48 kHz float frames, heard from host time heardTime
    // on (NaN: now); dropped while not enabled. One interleaved buffer or one
    // buffer per channel; a single channel is heard on both sides, channels
    // after the second are left out. A source out of range goes to the
    // nearest.
    void write(int source, const AudioBufferList& buffers, double heardTime);
    // The same for interleaved stereo frames.
    void write(int source, const float* stereo, int frames, double heardTime);

    // The puller (one thread): exactly frames × 2 interleaved samples, the
    // program sound heard from host time `time` on. Meant for consecutive
    // blocks.
    std::vector<float> pull(int frames, double time);
    // The same into block, which it overwrites; allocates nothing.
    void pull(float* block, int frames, double time);

    // The puller: the current rate of a source's resampler (input frames per
    // output frame), for tests and measurements.
    double rate(int source) const;
    // The puller: the frames queued for a source, interleaved, oldest first
    // (tests).
    std::vector<float> queued(int source) const;

private:
    static std::size_t index(int source);

    std::atomic<bool> enabled_ { false };
    std::array<std::unique_ptr<ProgramAudioRing>, kSources> rings_;
};

} // namespace tessarin
