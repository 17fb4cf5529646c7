#pragma once
// The bounds and timings the item pipeline's threads share (ItemPipeline.cpp
// and ItemPipelineDecode.cpp). Internal to the player.
#include "platform/Clock.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <limits>

namespace tessarin::pipeline {

using namespace std::chrono_literals;

inline constexpr double kOutputRate = 48000.0;
// Queue bounds: a few pictures, about half a second of audio; the packet
// queues hold what the decoders need to keep those full.
inline constexpr std::size_t kMaxFrames = 6;
// Fewer when they are large (at least three), so queued pictures hold about
// this much memory at most.
inline constexpr std::size_t kMinFrames = 3;
inline constexpr std::size_t kFrameQueueBytes = 40u << 20;
// Released pictures kept for reuse.
inline constexpr int kIdleFrames = 2;
// Pictures larger than this are decoded on two frame threads: each further
// thread holds pictures of its own (25 MB each for 10-bit 4K), and two
// keep up with 4K in real time.
inline constexpr std::int64_t kLargePicture = 4'000'000;
inline constexpr int kRingFrames = 24000;
inline constexpr std::size_t kVideoPackets = 48;
inline constexpr std::size_t kAudioPackets = 64;
inline constexpr std::size_t kMaxPacketBytes = 24u << 20;
inline constexpr int kScratchFrames = 8192;
// A new position is consumed once this much of it is decoded (or all of it,
// if less), so a decoder slow to be scheduled right after its start cannot
// break the first blocks into pieces: the start waits instead.
inline constexpr int kStartFrames = 2048;
// How long a waiting thread sleeps before it looks at the clock again.
inline constexpr auto kPoll = 4ms;
inline constexpr double kInfinity = std::numeric_limits<double>::infinity();

inline double now()
{
    return HostClock::monotonicSeconds();
}

} // namespace tessarin::pipeline
