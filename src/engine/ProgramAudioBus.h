#pragma once
// The program sound gathered for streaming: the level taps and the live
// audio player push buffers in any format; the bus converts them on its own
// queue to 48 kHz float stereo interleaved and queues them per source (0:
// player A and live audio, 1: player B); the stream's audio pump pulls a
// fixed block every 20 ms and gets the sum of the oldest samples of both.
//
// Every pushed buffer carries the host time at which its first sample is
// heard on the program output, so each queue knows when its oldest sample
// was heard. The stream pulls by time (pull(frames, time)): each queue is
// read from the sample heard at that time, and a small drift-correcting
// resampler keeps it there, so a sound device whose clock runs apart from
// the host clock neither piles audio up nor runs it dry, and the block
// always holds the sound of the time it asks for. The plain pull(frames)
// takes the oldest samples, with priming: silence until three pulls' worth
// has gathered.
#include "platform/SerialQueue.h"
#include "platform/player/AudioFormat.h"

#include <QString>

#include <array>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace tessarin {

class PcmBuffer;
class Resampler;

class ProgramAudioBus {
public:
    // A queue that grows past kMaxSamples is cut to its newest kTrimSamples.
    static constexpr std::size_t kMaxSamples = 48000;  // 0.5 s of stereo
    static constexpr std::size_t kTrimSamples = 12000; // 0.125 s

    // Timed pulls: a queue whose oldest sample is further than this from the
    // asked time is moved there at once (samples dropped, or silence before
    // them); closer, the resampler's rate takes it there smoothly.
    static constexpr double kJumpSeconds = 0.03;
    // A push that starts later than the end of its queue by more than this
    // leaves silence in between, so the queue's samples stay one timeline.
    static constexpr double kGapSeconds = 0.01;
    // The furthest the resampler's rate strays from 1.
    static constexpr double kMaxRateOffset = 0.05;

    ProgramAudioBus();
    ~ProgramAudioBus();
    ProgramAudioBus(const ProgramAudioBus&) = delete;
    ProgramAudioBus& operator=(const ProgramAudioBus&) = delete;

    // Any thread: dropped while not enabled; otherwise converted and queued
    // later on the bus's queue. The caller must not change the buffer after.
    // heardTime is the host time (seconds) at which the buffer's first
    // sample is heard; NaN stands for now.
    void push(const std::shared_ptr<PcmBuffer>& buffer, int source,
              double heardTime = std::numeric_limits<double>::quiet_NaN());
    // Any thread: exactly frames × 2 interleaved samples (empty for 0): the
    // oldest samples, with priming.
    std::vector<float> pull(int frames);
    // Any thread: exactly frames × 2 interleaved samples, the program sound
    // heard from host time `time` on, each queue read at the rate that keeps
    // its oldest sample at the time asked for. Meant for one puller asking
    // for consecutive blocks.
    std::vector<float> pull(int frames, double time);

    // Bus queue: runs everything pushed so far (tests).
    void flush() { queue_.sync([] { }); }

    // The format of every queued sample.
    const AudioFormat targetFormat = AudioFormat::programFormat();

    // Shared with the stream manager, which sets them under lock when its
    // pipeline starts and stops.
    std::mutex lock;
    bool enabled = false;
    std::array<std::vector<float>, 2> fifos;
    bool primed = false;
    // Under lock: forgets the heard times and the resamplers' state (with
    // the queues emptied, when the stream stops).
    void resetTimingLocked();
    // Under lock: the current rate of a source's resampler (input samples
    // per output sample), for tests and measurements.
    double rateLocked(int source) const { return timing_[index(source)].rate; }

private:
    // When the newest push to a queue is heard: its first frame, `offset`
    // frames from the queue's front, at host time `time`.
    struct Marker {
        std::ptrdiff_t offset = 0;
        double time = 0;
    };
    struct Timing {
        std::optional<Marker> marker;
        bool locked = false;    // the last timed pull found the queue at its time
        double position = 0;    // fractional read position, in frames from the front
        float previous[2] {};   // the frame before the front (interpolation)
        double filtered = 0;    // smoothed time error, seconds
        double integral = 0;    // the rate offset the device's clock needs
        double rate = 1.0;
    };

    static std::size_t index(int source) { return source > 0 ? 1 : 0; }
    // Under lock: when the sample at a queue's read position is heard (NaN
    // when unknown).
    double headTimeLocked(int source) const;
    void convertAndAppend(const std::shared_ptr<PcmBuffer>& buffer, int source, double heardTime);
    // Under lock: removes frames from the front of a queue, keeping its
    // timing in step.
    void consumeLocked(std::size_t source, std::size_t frames);
    // Under lock: adds one source's sound for a timed pull into block.
    void mixTimedLocked(std::size_t source, float* block, int frames, double time);

    std::array<Timing, 2> timing_; // under lock
    std::map<QString, std::unique_ptr<Resampler>> converters_; // the queue only
    // Last: destroyed first, running what is queued while the rest still exists.
    SerialQueue queue_ { "Vellumcast.ProgramAudioBus" };
};

} // namespace tessarin
