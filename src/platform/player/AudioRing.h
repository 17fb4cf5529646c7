#pragma once
// The decoded audio of one item, already in the output format (48 kHz float
// stereo interleaved), between its decode thread and the output callback.
// Each run of samples knows its media time, so the callback can clock the
// item; a loop restart continues in the same ring at a new time. The lock is
// held for an index update and a copy of at most one render block.
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
    std::uint64_t serial_ = 0;
    Run runs_[kMaxRuns] {};
    int runHead_ = 0;
    int runCount_ = 0;
};

} // namespace tessarin
