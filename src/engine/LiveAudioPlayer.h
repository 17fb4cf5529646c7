#pragma once
// Plays the sound of the live source on air through the program's audio
// output. Each buffer a live session delivers gets the on-air gain in place,
// is metered, converted to the output's format, goes to the program audio
// bus (its live source) and is played. The sound waiting on the output is
// kept at a fixed target (LiveQueueRule, the jitter buffer): a queue run dry
// starts afresh at the target, what came at once beyond it before any of it
// is heard is left out unheard, and once heard the queue is held by a
// slight change of speed, never by a skip; so the delay from the live input
// to the speakers stays short and steady. The player keeps the live sound's clock: when the
// sound handed over so far is heard, which times the live pictures. All
// playback work runs on the queue "Vellumcast.LiveAudioPlayer".
#include "engine/LiveQueueRule.h"
#include "platform/Clock.h"
#include "platform/SerialQueue.h"
#include "platform/player/AudioFormat.h"

#include <atomic>
#include <cstdint>
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
    // How far back the sound that came at once counts for a picture's.
    static constexpr double kPairSeconds = 1.0;
    // Hand-overs closer than this came at once.
    static constexpr double kAtOnceSeconds = 0.005;

    // Plays through the machine's shared output.
    LiveAudioPlayer();
    // Plays through output; its own times (hand-overs, the queue's window)
    // come from clock.
    explicit LiveAudioPlayer(std::shared_ptr<AudioOutput> output, const Clock& clock = HostClock::shared());
    ~LiveAudioPlayer();
    LiveAudioPlayer(const LiveAudioPlayer&) = delete;
    LiveAudioPlayer& operator=(const LiveAudioPlayer&) = delete;

    // Any thread (one at a time: the session's audio thread): plays the
    // buffer later on the queue; returns at once.
    void enqueue(const std::shared_ptr<PcmBuffer>& buffer);

    // Any thread: the host time at which the sound of host time `arrival`
    // is heard, as a file player's clock maps its position: the sound handed
    // over so far, carried on in real time since it came, but no further
    // than the most sound that came at once in the last kPairSeconds (a feed
    // whose sound comes in chunks, as MPEG-TS packs it, has that much on its
    // way between chunks). A picture that arrives with its sound is due
    // then. NaN until a buffer plays, and after stop().
    double heardTimeOfArrival(double arrival) const;
    // Any thread: the host time at which the sound `position` seconds into
    // what was handed over (since the start or stop()) is heard, as far as
    // the queue's clock says it now: sound left out or padded moves it.
    // NaN until a buffer plays, and after stop().
    double heardTimeOfPosition(double position) const;
    // Any thread: the live sound's latency, from the moment the last buffer
    // played was handed over until its last frame is heard; 0 until a buffer
    // plays, and after stop().
    double latency() const { return latency_.load(std::memory_order_relaxed); }
    // Any thread: how often the queue has started afresh from dry and had
    // sound left out before it was heard, the seconds left out, and the
    // seconds played less (more when negative) by changes of speed (for
    // measurements).
    struct Adjustments {
        int restarts = 0;
        int trims = 0;
        double trimmedSeconds = 0.0;
        double speedSeconds = 0.0;
    };
    Adjustments adjustments() const
    {
        return { restarts_.load(std::memory_order_relaxed), trims_.load(std::memory_order_relaxed),
                 trimmedSeconds_.load(std::memory_order_relaxed), speedSeconds_.load(std::memory_order_relaxed) };
    }
    // Main thread: waits for every buffer handed over so far, then stops
    // playback; the next buffer starts afresh. With nothing handed over since
    // the last stop it returns at once: a take into a file (which stops any
    // live sound) never waits for the queue's thread to get a core.
    void stop();

    // Gain and peaks of one buffer, in place: a constant gain (not applied
    // when exactly 1.0) on every channel; the peaks of channels 0 and 1
    // after it (a one-channel buffer reports its peak twice).
    static std::pair<float, float> applyGainAndMeasure(PcmBuffer& buffer, float gain);

    // Guards gain; the engine writes it under it.
    std::mutex lock;
    float gain = 1.0f;

    // Set by the engine at creation (main thread, before any audio).
    std::function<void(float left, float right)> onLevels;
    std::shared_ptr<ProgramAudioBus> audioBus;

    // The queue's format of the playing connection (for tests; queue only).
    std::optional<AudioFormat> connectedFormat() const { return format_; }
    // Seconds waiting on the output, as the last render left them (queue
    // only; for tests).
    double waitingSeconds() const;
    // Runs fn on the queue and waits (tests).
    void syncOnQueue(const std::function<void()>& fn) { queue_.sync(fn); }

private:
    void play(const std::shared_ptr<PcmBuffer>& buffer, double position, double handedOver);
    // Queue only: the host time the next frame appended is heard.
    double heardTimeOfNext(double now, double waiting);
    void reconfigure(const AudioFormat& format);
    void disconnect();

    std::shared_ptr<AudioOutput> output_;
    const Clock& clock_;
    std::shared_ptr<LiveAudioNode> node_;  // the source on the output
    std::optional<AudioFormat> format_;    // queue only
    std::unique_ptr<Resampler> resampler_; // queue only: the connection's conversion
    bool connected_ = false;               // queue only
    LiveQueueRule rule_;                   // queue only
    bool timed_ = false;                   // queue only: heardEnd_ holds
    double heardEnd_ = 0.0;                // queue only: when the sound appended so far ends
    std::uint64_t soundStart_ = 0;         // queue only: the node's frame where the last start's sound begins
    std::unique_ptr<float[]> silence_;     // zeros to pad with
    std::atomic<double> latency_ { 0.0 };
    std::atomic<int> restarts_ { 0 };
    std::atomic<int> trims_ { 0 };
    std::atomic<double> trimmedSeconds_ { 0.0 };
    std::atomic<double> speedSeconds_ { 0.0 };
    std::atomic<bool> fed_ { false }; // a buffer was handed over since the start or stop()

    // The clock: guards what follows (the session's threads and the queue,
    // each for a few loads and stores).
    mutable std::mutex clockLock_;
    struct HandOver {
        double at = 0.0;   // host time of the last buffer that came at once
        double span = 0.0; // seconds of sound that came at once
    };
    static constexpr int kHandOvers = 64;
    double handedEnd_ = 0.0;     // seconds of sound handed over
    HandOver handOvers_[kHandOvers]; // the latest, round
    int handOverCount_ = 0;      // since the start or stop()
    bool clocked_ = false;     // offset_ holds
    double offset_ = 0.0;      // host time heard less the position of the sound

    SerialQueue queue_ { "Vellumcast.LiveAudioPlayer" };
};

} // namespace tessarin
