#pragma once
// The live audio player's source on the output: buffers converted to the
// output format wait in a ring, each with its duration; when the output has
// played the last frame of a buffer, its duration leaves the player's queued
// time (the "played back" completion). The ring is filled on the player's
// queue and drained in the output's render; its lock is held for an index
// update and one block copy.
#include "platform/player/AudioOutput.h"

#include <functional>
#include <mutex>
#include <vector>

namespace tessarin {

class LiveAudioNode final : public AudioSource {
public:
    // Called on the audio thread with the summed durations of the buffers
    // whose last frame a render played.
    explicit LiveAudioNode(std::function<void(double seconds)> playedBack);

    // Player's queue: appends frames (stereo, 48 kHz) as one buffer of
    // duration seconds; false when the ring has no room.
    bool schedule(const float* samples, int frames, double seconds);
    // Player's queue: drops everything scheduled; returns the durations not played.
    double clear();

    void render(float* mix, int frames, const AudioRenderContext& context) override;

private:
    struct Pending {
        int frames;
        double seconds;
    };
    static constexpr int kCapacityFrames = 96000; // 2 s: far above what the player lets wait
    static constexpr int kMaxPending = 256;

    std::function<void(double)> playedBack_;
    std::mutex mutex_;
    std::vector<float> data_;
    int head_ = 0;
    int count_ = 0;
    Pending pending_[kMaxPending] {};
    int pendingHead_ = 0;
    int pendingCount_ = 0;
};

} // namespace tessarin
