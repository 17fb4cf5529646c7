#pragma once
// The run state of a StreamOutput shared with its background threads.
#include "platform/SerialQueue.h"
#include "streaming/StreamOutput.h"

#include <condition_variable>
#include <mutex>

namespace tessarin {

struct StreamOutput::Shared {
    // Guards the eight values below; held for one read or write, or to
    // signal a published process id (so that an id is never signalled after
    // the launch thread, which clears it first, has reaped it); never across
    // a pipe write, a wait or a queue call.
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
    // Frames refused because two were already waiting (measurements only).
    long long droppedFrames = 0;

    SerialQueue videoQueue { "Vellumcast.StreamOutput.video" };
    SerialQueue audioQueue { "Vellumcast.StreamOutput.audio" };

    // Touched by the progress reader during a run, reset by start() before
    // the launch is queued.
    ProgressMeter meter;
};

} // namespace tessarin
