#pragma once
// Real-time scheduling for a thread that must keep a device fed (the sound
// output's): asked of the kernel directly where the process may (a raised
// RLIMIT_RTPRIO), else of the desktop's RealtimeKit over the system D-Bus,
// which grants it to ordinary users within its limits. Either may refuse or
// be absent; the thread then keeps its normal priority and nothing is
// reported but the result.
#include <sys/types.h>

namespace tessarin {

enum class RealtimeGrant {
    kernel,  // set directly
    rtkit,   // granted by RealtimeKit
    refused, // neither would (or no such thread)
};

// Any thread but the one named (the call may wait up to about a second for
// the desktop's answer). tid is the kernel's id of a thread of this process.
// The process's RLIMIT_RTTIME is lowered to what RealtimeKit demands before
// it is asked.
RealtimeGrant makeThreadRealtime(pid_t tid, int priority = 5);

// Raises the calling thread's priority to the nice value given (lower is
// higher), where the process may (CAP_SYS_NICE, or a raised RLIMIT_NICE),
// for good: for a thread that feeds the real-time one and must not wait
// for its share behind every busy process (the decoders of the sound).
// Returns whether it was set; the thread keeps its priority otherwise.
bool raiseCurrentThreadPriority(int nice = -10);

// The nice the process was started with, read before any thread of it was
// raised.
int processPriority();

// Raises the calling thread (the main thread, on which the operator's takes
// and the interface run) to the nice value given, as the sound's reader is,
// where the process may and was started at the normal priority (an
// operator who started it lowered keeps that). Every thread and process it
// makes from then on starts at the process's priority, not raised
// (SCHED_RESET_ON_FORK): the raise is this thread's alone. Returns whether
// it was set.
bool raiseMainThreadPriority(int nice = -10);

// Raises a child process just started to the nice value given, where this
// process may: its first thread, and so every thread it makes from then on
// (a thread starts at its maker's priority). For a child that must keep up
// with a live feed beside busy processes. Returns whether it was set.
bool raiseChildPriority(pid_t pid, int nice = -10);

// Returns the calling thread to the process's own priority (the nice it
// was started with), as far as the process may. A thread made inherits its
// maker's priority: one that was raised or lowered comes back to it before
// it makes threads that are not to share its priority (a decoder's).
void restoreCurrentThreadPriority();

} // namespace tessarin
