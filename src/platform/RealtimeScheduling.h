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

} // namespace tessarin
