#pragma once
// The orderly end of the process, shared by the application's main() and the
// test executables' main(): what runs in the background is stopped and every
// background thread joined before static objects are destroyed, since a
// thread still running then finds the objects it uses gone.
#include <functional>

namespace tessarin::ProcessEnd {

// Any thread: a step that stops work which would otherwise go on running
// (sessions, child processes, playback); finish() runs the steps first, the
// latest added first. A step must not wait long.
void addStep(std::function<void()> step);

// Main thread, after the event loop has returned and the windows are gone,
// before static objects are destroyed: runs the steps, then stops every
// Workers pool and joins its threads. Returns status; when some task is
// still running after timeoutSeconds, reports it and ends the process at
// once with status instead (streams flushed, no destructor run).
int finish(int status, double timeoutSeconds);

} // namespace tessarin::ProcessEnd
