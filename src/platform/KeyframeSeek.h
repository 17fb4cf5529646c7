#pragma once
// Seeking that lands on a key frame at or before the target in every
// container. Timestamp seeks in MPEG program and transport streams (and in
// files without an index) are approximate: the demuxer stops near the time
// and the first key frame after that point may stand well past the target.
// This seeks, reads up to the first key packet of the chosen stream, and
// when that stands past the target seeks again further back, until it does
// not (or the file's start is reached). Packets read on the way are handed
// back for the caller to use first; packets of the chosen stream before its
// key frame are dropped, as no decoder can use them. Used by the player's
// demux thread and by FrameGrabber; one thread per context.
#include "platform/LibAv.h"

#include <atomic>
#include <cstdint>
#include <deque>

namespace tessarin::libav {

struct KeyframeSeek {
    // Packets read after the final seek, in order.
    std::deque<PacketPtr> readAhead;
    // The key frame's presentation time (AV_TIME_BASE units, the file's
    // own timeline); AV_NOPTS_VALUE when none was found or it has no time.
    std::int64_t keyTime = AV_NOPTS_VALUE;
    // False when the context could not seek at all.
    bool ok = false;
};

// target: AV_TIME_BASE units in the file's timeline (start_time included).
// abort, when given, ends the search early (the context's interrupt).
KeyframeSeek seekToKeyAtOrBefore(AVFormatContext* input, int streamIndex, std::int64_t target,
    const std::atomic<bool>* abort = nullptr);

} // namespace tessarin::libav
