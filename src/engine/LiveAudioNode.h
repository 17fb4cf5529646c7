#pragma once
// The live audio player's source on the output: buffers converted to the
// output format wait in a ring, each with its duration; when the output has
// played the last frame of a buffer, its duration leaves the player's queued
// time (the "played back" completion). The ring is filled on the player's
// queue and drained in the output's render, without a lock: each side owns
// its indices and publishes them with one atomic store.
#include "platform/player/AudioOutput.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

namespace tessarin {

class LiveAudioNode final : public AudioSource {
public:
    // Called on the audio thread with the summed durations of the buffers
    // whose last frame a render played; it must not block.
    explicit LiveAudioNode(std::function<void(double seconds)> playedBack);

    // Player's queue: appends frames (stereo, 48 kHz) as one buffer of
    // duration seconds; false when the ring has no room.
    bool schedule(const float* samples, int frames, double seconds);
    // Player's queue, while the node is not on an output (no render runs):
    // drops everything scheduled; returns the durations not played.
    double clear();

    void render(float* mix, int frames, const AudioRenderContext& context) override;

private:
    struct Pending {
        int frames;
        double seconds;
    };
    static constexpr std::uint64_t kCapacityFrames = 96000; // 2 s: far above what the player lets wait
    static constexpr std::uint64_t kMaxPending = 256;

    std::function<void(double)> playedBack_;
    std::unique_ptr<float[]> data_;
    Pending pending_[kMaxPending] {};
    // Counts since creation (or the last clear): the producer stores the
    // written ones, the render the read ones.
    std::atomic<std::uint64_t> framesWritten_ { 0 };
    std::atomic<std::uint64_t> framesRead_ { 0 };
    std::atomic<std::uint64_t> pendingWritten_ { 0 };
    std::atomic<std::uint64_t> pendingRead_ { 0 };
    int frontPlayed_ = 0; // render only: frames of the oldest buffer already played
};

} // namespace tessarin
