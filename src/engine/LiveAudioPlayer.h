#pragma once
// Plays the sound of the live source on air through the program's audio
// output. Each buffer a live session delivers gets the on-air gain in place,
// is metered, converted to the output's format, goes to the program audio
// bus (its live source) and is played; at
// most about 0.6 s may wait to be heard, so the delay from the live input to
// the speakers stays short: later buffers are not played (they still reach
// the bus). All playback work runs on the queue "Vellumcast.LiveAudioPlayer".
#include "platform/SerialQueue.h"
#include "platform/player/AudioFormat.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

namespace tessarin {

class AudioOutput;
class PcmBuffer;
class ProgramAudioBus;
class LiveAudioNode;
class Resampler;

class LiveAudioPlayer {
public:
    // Buffers are not played while this much is waiting to be heard.
    static constexpr double kMaxQueuedSeconds = 0.6;

    // Plays through the machine's shared output.
    LiveAudioPlayer();
    explicit LiveAudioPlayer(std::shared_ptr<AudioOutput> output);
    ~LiveAudioPlayer();
    LiveAudioPlayer(const LiveAudioPlayer&) = delete;
    LiveAudioPlayer& operator=(const LiveAudioPlayer&) = delete;

    // Any thread: plays the buffer later on the queue; returns at once.
    void enqueue(const std::shared_ptr<PcmBuffer>& buffer);

    // Any thread: the latency of the live sound, as a file player's clock
    // declares its own: how long after a buffer is handed over its last
    // frame is heard (the sound waiting before it, on the queue and in the
    // output, plus the output's latency). A picture that arrives with its
    // sound is due this long after it arrives. The largest value of the last
    // quarter second is kept, so a buffer handed over a little late (its
    // block completed by a later write of the ingest) does not pull the
    // pictures early; 0 until a buffer plays, and after stop().
    double latency() const { return latency_.load(std::memory_order_relaxed); }
    // Main thread: waits for every buffer handed over so far, then stops
    // playback; queuedSeconds becomes 0 and the next buffer starts afresh.
    void stop();

    // Gain and peaks of one buffer, in place: a constant gain (not applied
    // when exactly 1.0) on every channel; the peaks of channels 0 and 1
    // after it (a one-channel buffer reports its peak twice).
    static std::pair<float, float> applyGainAndMeasure(PcmBuffer& buffer, float gain);

    // Guards queuedSeconds and gain; the engine writes gain under it. The
    // time played back while it was held is taken off at the next buffer.
    std::mutex lock;
    double queuedSeconds = 0.0;
    float gain = 1.0f;

    // Set by the engine at creation (main thread, before any audio).
    std::function<void(float left, float right)> onLevels;
    std::shared_ptr<ProgramAudioBus> audioBus;

    // The queue's format of the playing connection (for tests; queue only).
    std::optional<AudioFormat> connectedFormat() const { return format_; }
    // Runs fn on the queue and waits (tests).
    void syncOnQueue(const std::function<void()>& fn) { queue_.sync(fn); }

private:
    void play(const std::shared_ptr<PcmBuffer>& buffer, double handedOver);
    void declareLatency(double latency, double at);
    double takeUncounted() { return playedUncounted_.exchange(0.0, std::memory_order_relaxed); }
    void reconfigure(const AudioFormat& format);
    void disconnect();

    std::shared_ptr<AudioOutput> output_;
    std::shared_ptr<LiveAudioNode> node_;  // the source on the output
    std::optional<AudioFormat> format_;    // queue only
    std::unique_ptr<Resampler> resampler_; // queue only: the connection's conversion
    bool connected_ = false;               // queue only
    double heardEnd_ = 0.0;                // queue only: when the last buffer played ends
    double latencyAt_ = 0.0;               // queue only: when latency_ was last raised or renewed
    std::atomic<double> latency_ { 0.0 };
    std::atomic<double> playedUncounted_ { 0.0 }; // played back while lock was held
    SerialQueue queue_ { "Vellumcast.LiveAudioPlayer" };
};

} // namespace tessarin
