#pragma once
// The live audio player's source on the output: frames converted to the
// output format wait in a ring until a render plays them. The ring is filled
// on the player's queue and drained in the output's render, without a lock:
// each side owns its index and publishes it with one atomic store. Every
// render also publishes when the frame after it will be heard, so the
// player knows when what it appends is heard.
#include "platform/player/AudioOutput.h"

#include <atomic>
#include <cstdint>
#include <memory>

namespace tessarin {

class LiveAudioNode final : public AudioSource {
public:
    // Where the renders have got to.
    struct Playout {
        bool rendered = false;    // false until the first render after a clear
        double nextHeard = 0.0;   // host time the next render's first frame is heard
        double period = 0.0;      // seconds one render plays
        std::uint64_t read = 0;   // frames of the ring played by then
    };

    LiveAudioNode();

    // Player's queue: appends frames (stereo, 48 kHz); false when the ring
    // has no room.
    bool schedule(const float* samples, int frames);
    // Player's queue: frames appended since creation or the last clear.
    std::uint64_t framesWritten() const { return framesWritten_.load(std::memory_order_relaxed); }
    // Player's queue: the next render starts at frame `frame` (counted as
    // framesWritten()) when it has not got that far: what waits before it
    // is left out unheard. Only ever moved forward.
    void discardBefore(std::uint64_t frame) { discardBefore_.store(frame, std::memory_order_release); }
    // Player's queue: frames waiting to be played, less those left out.
    std::uint64_t framesWaiting() const;
    // Any thread: the last render's playout, read whole.
    Playout playout() const;
    // Player's queue, while the node is not on an output (no render runs):
    // drops everything scheduled and the playout.
    void clear();

    void render(float* mix, int frames, const AudioRenderContext& context) override;

private:
    static constexpr std::uint64_t kCapacityFrames = 96000; // 2 s: far above what the player lets wait

    std::unique_ptr<float[]> data_;
    std::atomic<std::uint64_t> framesWritten_ { 0 };
    std::atomic<std::uint64_t> framesRead_ { 0 };
    std::atomic<std::uint64_t> discardBefore_ { 0 };
    // The playout, under a sequence count (odd while the render writes it).
    std::atomic<std::uint32_t> playoutSeq_ { 0 };
    std::atomic<double> nextHeard_ { 0.0 };
    std::atomic<double> period_ { 0.0 };
    std::atomic<std::uint64_t> playoutRead_ { 0 };
    std::atomic<bool> rendered_ { false };
};

} // namespace tessarin
