#pragma once
// The decoded audio of one item, already in the output format (48 kHz float
// stereo interleaved), between its decode thread (the only writer, which
// also resets it) and the output callback. Each run of samples knows its
// media time, so the callback can clock the item; a loop restart continues
// in the same ring at a new time. The lock guards only the indices: both
// sides copy samples outside it, into space the reader does not read and out
// of frames the writer does not touch (a reset while the output copies, or
// several, keep the frames being copied aside until the copy is done). The output's side spins for the lock
// briefly before it sleeps, so the audio thread does not wait in the kernel
// for an index update.
#include <cstdint>
#include <memory>
#include <mutex>

namespace tessarin {

class AudioRing {
public:
    explicit AudioRing(int capacityFrames);

    int capacity() const { return capacity_; }
    // Producer.
    int space() const;
    // Empties the ring and accepts only samples of this serial from now on.
    void reset(std::uint64_t serial);
    // Appends up to space() frames starting at media time pts; returns the
    // frames taken (0 when serial is stale).
    int write(const float* samples, int frames, double pts, std::uint64_t serial);

    // Consumer: copies up to maxFrames of one contiguous run into out;
    // returns the frames copied and their first media time.
    struct Read {
        int frames = 0;
        double pts = 0.0;
    };
    Read read(float* out, int maxFrames, std::uint64_t serial);
    int available() const;
    // Frames held of that serial (none while the ring holds another).
    int available(std::uint64_t serial) const;

private:
    // The output's side of the lock (see above).
    std::unique_lock<std::mutex> lockForOutput() const;

    struct Run {
        double pts;
        int frames;
    };
    static constexpr int kMaxRuns = 64;

    mutable std::mutex mutex_;
    const int capacity_;
    // Not cleared when made: only frames written are read, and the pages
    // are touched by the decode thread that writes them, not by the main
    // thread that makes the ring when an item is loaded.
    std::unique_ptr<float[]> data_;
    int head_ = 0;  // first frame to read
    int count_ = 0; // frames held
    int reserved_ = 0;        // frames a reset set aside while the output copied them
    bool reading_ = false;    // the output copies readFrames_ frames from readStart_
    int readStart_ = 0;
    int readFrames_ = 0;
    std::uint64_t resets_ = 0;
    std::uint64_t serial_ = 0;
    Run runs_[kMaxRuns] {};
    int runHead_ = 0;
    int runCount_ = 0;
};

} // namespace tessarin
