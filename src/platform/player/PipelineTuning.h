#pragma once
// The bounds and timings the item pipeline's threads share (ItemPipeline.cpp
// and ItemPipelineDecode.cpp). Internal to the player.
#include "platform/Clock.h"

#include <QSize>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <limits>

namespace tessarin::pipeline {

using namespace std::chrono_literals;

inline constexpr double kOutputRate = 48000.0;
// Queue bounds: a few pictures, about a second of audio; the packet
// queues hold what the decoders need to keep those full.
inline constexpr std::size_t kMaxFrames = 6;
// Fewer when they are large (at least three), so queued pictures hold about
// this much memory at most.
inline constexpr std::size_t kMinFrames = 3;
inline constexpr std::size_t kFrameQueueBytes = 40u << 20;
// Pictures larger than this are large: their decoder holds several of them
// (25 MB each for 10-bit 4K, and their motion data), and each frame thread
// one more in flight. See videoThreading, queuedPictures and startPictures.
inline constexpr std::int64_t kLargePicture = 4'000'000;
// Pictures up to this size are small: one thread decodes them many times
// faster than they are shown, so the frame thread per core libavcodec would
// pick only holds memory (a context and pictures in flight each: 10 MB for
// a 320 x 180 H.264 clip on an 8-core machine).
inline constexpr std::int64_t kSmallPicture = 640 * 360;
// The threads of a decoder of pictures between small and large. Each frame
// thread holds a context and a picture in flight (7 MB for 1080p H.264), so
// the one per core and one more that libavcodec picks held 30 MB more than
// four on an 8-core machine, for every item loaded (the one on air and the
// one loaded ahead for its join); three hold 7 MB less than four. One
// thread alone decodes 1080p H.264 at about three times 50 pictures a
// second, so three keep a 1080p50 clip ahead with a core or two to spare.
inline constexpr int kMediumFrameThreads = 3;

// How a video decoder is threaded.
enum class VideoThreading {
    MediumFrames, // kMediumFrameThreads frame threads (or slice threads)
    TwoFrames,    // two frame threads, each with a picture in flight
    SlicesOnly,   // one picture at a time, its rows or slices on many threads
};

// The pictures queued at most, of `pictureBytes` each as converted from
// pictures of `decoded` size: about kFrameQueueBytes, and the fewest for
// pictures decoded larger than kLargePicture, whose decoder already holds
// several of them (its reference and reordered pictures, 25 MB each for
// 10-bit 4K) while the program needs only what it draws.
// While the item's clock does not run (paused, or loaded ahead and waiting
// for its start or its join), only the pictures a start needs: an item
// loaded ahead behind the one on air held a full queue (five 1080p
// pictures, 41 MB) for the whole length of the item before it, and one
// picture more than its start needs held 6 MB more in its last seconds.
// Its decoder's frame threads hold the next pictures decoded meanwhile, so
// the next one is a conversion away and the queue fills up again within a
// few conversions of the start.
inline int startPictures(QSize decoded);
inline std::size_t queuedPictures(std::size_t pictureBytes, QSize decoded, bool clockRunning = true)
{
    const auto waiting = std::size_t(startPictures(decoded));
    std::size_t room = kMinFrames;
    if (std::int64_t(decoded.width()) * decoded.height() <= kLargePicture)
        room = std::clamp(kFrameQueueBytes / std::max<std::size_t>(pictureBytes, 1), kMinFrames, kMaxFrames);
    return clockRunning ? room : std::min(room, waiting);
}

// The pictures decoded at a start (or after a seek) before the clock runs.
// A large picture takes a good part of a frame's time to decode, and after
// a key picture the decoder must often decode two or three before it can
// hand out the next one: with one picture ready it would start behind.
inline int startPictures(QSize decoded)
{
    return std::int64_t(decoded.width()) * decoded.height() > kLargePicture ? 2 : 1;
}

// For pictures of `picture` size drawn at most at `drawn` (empty: at their
// own size), from a stream that lets one picture's work spread over threads
// (`rowParallel`: HEVC wavefront rows or tiles, see RowParallelism.h). Such
// a large picture drawn at half its size or less is halved in its planes
// before anything else, so converting it is cheap and decoding is nearly all
// the work: it is decoded one picture at a time on slice threads, which
// holds one picture and its motion data fewer than a second frame thread.
// Without row parallelism slice threads would leave one thread to decode
// the whole picture, far too slow for 4K, so it keeps two frame threads, as
// it does shown near its own size, where its conversion is as costly as its
// decoding.
inline VideoThreading videoThreading(QSize picture, QSize drawn, bool rowParallel)
{
    const std::int64_t area = std::int64_t(picture.width()) * picture.height();
    if (area <= kSmallPicture)
        return VideoThreading::TwoFrames;
    if (area <= kLargePicture)
        return VideoThreading::MediumFrames;
    if (rowParallel && !drawn.isEmpty() && picture.width() >= 2 * drawn.width()
        && picture.height() >= 2 * drawn.height())
        return VideoThreading::SlicesOnly;
    return VideoThreading::TwoFrames;
}

// Sound decoded before a seek target and dropped: enough for the frames a
// decoder needs before the one it starts with (several for MP3 and AAC; a
// stream may ask for more, as Opus does).
inline constexpr double kAudioPreroll = 0.1;

// The decoded sound an item keeps ahead of the output: one second. The
// output takes it in bursts (a sound server that holds 200 ms asks for two
// or more blocks at once, 85 to 180 ms), and the item's reader and decoder
// are ordinary threads, however raised: beside busy programs they may wait
// hundreds of milliseconds for a core (see busy_sound in bench/README.md).
// Half a second ran short there; mpv keeps about as much as this.
inline constexpr int kRingFrames = 48000;
inline constexpr std::size_t kVideoPackets = 48;
inline constexpr std::size_t kAudioPackets = 64;
inline constexpr std::size_t kMaxPacketBytes = 24u << 20;
// While the reading has gone past the sound read last by more than the
// interleaving slack (a gap in the sound, or sound a muxer wrote late), it
// may go on this far, so the sound of pictures read still comes at its
// time: an MPEG-TS muxer writes the sound before a gap only with the sound
// after it, seconds later in the file.
inline constexpr std::size_t kMaxPacketBytesWithoutSound = 2 * kMaxPacketBytes;
inline constexpr int kScratchFrames = 8192;
// A new position is consumed once this much of it is decoded (or all of it,
// if less), so a decoder slow to be scheduled right after its start cannot
// break the first blocks into pieces: the start waits instead.
inline constexpr int kStartFrames = 2048;
// A file whose reading ends this much (or 2 % of its length, if more) before
// the length it stated when it was opened was cut or changed under the
// player: its end is a failure. Below it, a stated length that is a little
// off (the last packet's duration, padding) is no failure.
inline constexpr double kShortEndSeconds = 1.0;
// Sound whose time is later than where the sound stands by more than this
// comes after a gap: the gap is silence. Sound earlier than that, after such
// silence, overlaps it and is late by the overlap.
inline constexpr double kSoundGap = 0.02;
// How far packets of one time may lie apart in a file (the interleaving of
// its muxer, mpegts's 0.7 s audio delay, the MP4 reader's 1 s window): the
// reading that has gone this far past a time without meeting sound says the
// sound is silent there.
inline constexpr double kInterleaveSlack = 1.5;
// Silence is put in the sound's ring while it holds less than this: more
// than an output block and a decoder's late wake on a busy machine,
// half the ring.
inline constexpr double kSilenceLead = 0.25;
// The least the reading goes on before the sound's decoder is told again.
inline constexpr double kSilenceStep = 0.1;
// How long a waiting thread sleeps before it looks at the clock again.
inline constexpr auto kPoll = 4ms;
inline constexpr double kInfinity = std::numeric_limits<double>::infinity();

inline double now()
{
    return HostClock::monotonicSeconds();
}

} // namespace tessarin::pipeline
