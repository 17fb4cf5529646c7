#pragma once
// One source's sound on the program audio bus: a ring of 48 kHz float
// stereo frames, allocated once, written by the source's thread (the audio
// output's, for a player) and read by the stream's audio pump. Neither side
// locks, waits or allocates: each owns its index and publishes it with one
// atomic store. Every write carries the host time at which its first frame
// is heard; the newest of these times (with its frame index) is published
// too, so the reader knows when each frame is heard.
//
// The reader pulls by time (mixTimed): the ring is read from the frame heard
// at the time asked, and a small drift-correcting resampler keeps it there,
// so a sound device whose clock runs apart from the host clock neither piles
// audio up nor runs it dry, and the block always holds the sound of the time
// it asks for.
#include <atomic>
#include <cstdint>
#include <memory>

namespace tessarin {

class ProgramAudioRing {
public:
    static constexpr int kFrames = 1 << 16; // about 1.4 s
    // A queue whose oldest frame is further than this from the asked time is
    // moved there at once (frames dropped, or silence before them); closer,
    // the resampler's rate takes it there smoothly.
    static constexpr double kJumpSeconds = 0.03;
    // A write that starts later than the end of what is queued by more than
    // this leaves silence in between, so the queued frames stay one timeline.
    static constexpr double kGapSeconds = 0.01;
    // The furthest the resampler's rate strays from 1.
    static constexpr double kMaxRateOffset = 0.05;

    // The frames of one write: frame i of channel c is at
    // (c == 0 ? left : right)[i * stride]. Mono passes left == right.
    struct Frames {
        const float* left = nullptr;
        const float* right = nullptr;
        int stride = 2;
        int frames = 0;
    };

    ProgramAudioRing();
    ProgramAudioRing(const ProgramAudioRing&) = delete;
    ProgramAudioRing& operator=(const ProgramAudioRing&) = delete;

    // Writer (one thread at a time; a write that meets another one of the
    // same ring is dropped): appends the frames, first heard at host time
    // heardTime (finite). A write that does not fit is dropped and the reader
    // starts afresh from what follows.
    void write(const Frames& frames, double heardTime);

    // One thread at a time (the main thread): the frames written so far are
    // not read, and the next read forgets the timing.
    void reset();

    // Reader: adds `frames` frames of the sound heard from host time `time`
    // on into block (interleaved stereo). Meant for consecutive blocks.
    void mixTimed(float* block, int frames, double time);
    // Reader: the current rate of the resampler (input frames per output
    // frame), for tests and measurements.
    double rate() const { return timing_.rate; }
    // Reader: copies the queued frames, oldest first (tests).
    void copyQueued(float* out, std::uint64_t maxFrames) const;
    // Reader: the frames queued (exact while the writer is idle).
    std::uint64_t queued() const;

private:
    static constexpr std::uint64_t kMask = kFrames - 1;
    struct Marker {
        std::uint64_t index = 0; // absolute frame index
        double time = 0;         // when that frame is heard
    };
    struct Timing {
        bool locked = false;   // the last read found the ring at its time
        double position = 0;   // fractional read position, in frames from the read index
        float previous[2] {};  // the frame before the read index (interpolation)
        double filtered = 0;   // smoothed time error, seconds
        double integral = 0;   // the rate offset the device's clock needs
        double rate = 1.0;
    };

    float sample(std::uint64_t index, int channel) const { return data_[(index & kMask) * 2 + std::uint64_t(channel)]; }
    void publishMarker(const Marker& marker);
    bool readMarker(Marker& marker) const;
    // Reader: starts afresh from frame `from` on (after a reset or an overflow).
    void restartReader(std::uint64_t from);
    void consume(std::uint64_t frames);
    // Reader: the first frame still to read, a reset not yet seen included.
    std::uint64_t readFrom() const;

    std::unique_ptr<float[]> data_;
    std::atomic<std::uint64_t> writeIndex_ { 0 }; // frames ever written; stored by the writer
    std::atomic<std::uint64_t> readIndex_ { 0 };  // frames ever read; stored by the reader
    std::atomic<bool> writing_ { false };
    std::atomic<bool> overflowed_ { false };
    std::atomic<std::uint32_t> generation_ { 0 };
    std::atomic<std::uint64_t> resetIndex_ { 0 }; // the write index at the last reset
    // The newest marker, under a sequence count (odd while it changes).
    std::atomic<std::uint32_t> markerSequence_ { 0 };
    std::atomic<std::uint64_t> markerIndex_ { 0 };
    std::atomic<double> markerTime_ { 0 };

    // Writer only.
    std::uint32_t writerGeneration_ = 0;
    bool writerMarked_ = false;
    Marker writerMarker_;
    // Reader only.
    std::uint32_t readerGeneration_ = 0;
    Timing timing_;
};

} // namespace tessarin
