#pragma once
// The run state of a StreamOutput shared with its background threads.
#include "platform/SerialQueue.h"
#include "streaming/StreamOutput.h"

#include <condition_variable>
#include <limits>
#include <mutex>

namespace tessarin {

struct StreamOutput::Shared {
    // Guards the values below up to the queues; held for one read or write, or to
    // signal a published process id (so that an id is never signalled after
    // the launch thread, which clears it first, has reaped it), or to close
    // a pipe's write end (videoFD, audioFD: -1 once closed); never across a
    // pipe write, a wait or a queue call.
    mutable std::mutex lock;
    // Notified when the run's process ids are cleared.
    std::condition_variable processesEnded;
    bool running = false;
    bool stopRequested = false;
    pid_t childPID = 0;
    pid_t helperPID = 0;
    int videoFD = -1;
    int audioFD = -1;
    int pendingVideo = 0;
    int pendingAudio = 0;
    // Frames of the runs the stream does not carry: refused because the
    // frames waiting for the encoder were as many as may wait, or come for
    // a slot already filled. Frames handed in before the encoder took the
    // first one, or for the first one's slot, are not counted: the run's
    // timeline has not begun.
    long long droppedFrames = 0;
    // The same count for the current run alone (reset at each launch).
    long long runDroppedFrames = 0;
    // Whether the encoder is still in its start, and the frames it has
    // taken in a row since with none waiting behind (see submit()).
    bool starting = true;
    int pacedWrites = 0;
    // The run's timeline, under lock: when the encoder took the run's
    // first frame (NaN before; `opening` while that frame is on its way),
    // the frame rate, the next frame slot and sample that the pipes will
    // carry, and the last frame handed in (repeated into slots missed).
    double origin = std::numeric_limits<double>::quiet_NaN();
    bool opening = false;
    StreamFramePtr lastFrame;
    // The frames the encoder reports as taken ("frame=" of its progress
    // lines; the sender's in a chain): a stopped run ends early when it no
    // longer moves.
    long long encodedFrames = 0;
    double frameRate = 30.0;
    long long nextFrame = 0;
    long long nextSample = 0;

    SerialQueue videoQueue { "Vellumcast.StreamOutput.video" };
    SerialQueue audioQueue { "Vellumcast.StreamOutput.audio" };

    // Touched by the progress reader during a run, reset by start() before
    // the launch is queued.
    ProgressMeter meter;
};

} // namespace tessarin
