#pragma once
// The orderly end of the process, shared by the application's main() and the
// test executables' main(): what runs in the background is stopped and every
// background thread joined before static objects are destroyed, since a
// thread still running then finds the objects it uses gone.
#include <functional>

namespace tessarin::ProcessEnd {

// Any thread: a step that stops work which would otherwise go on running
// (sessions, child processes, playback); finish() runs the steps first, the
// latest added first. A step must not wait long. name (a literal, kept as
// given) tells which step it is when the end is late.
void addStep(const char* name, std::function<void()> step);

// Main thread, at start, before the end can be asked for from outside:
// starts the thread that keeps the end's deadline (deadlineSeconds), idle
// until begin() or beginFromSignal() arms it. Later calls and begin() keep
// the first deadline.
void prepare(double deadlineSeconds);

// Async-signal-safe, for a signal handler: begin() without the main thread,
// so that a main thread that does not answer cannot hold the end. Does
// nothing before prepare().
void beginFromSignal();

// Main thread, once the end is decided (the main window closed, a request
// to end from outside): from then on nothing can hold the process longer
// than deadlineSeconds. When it is still running then, the step in progress
// and every thread's wait in the kernel are written to stderr and the
// process ends at once with a failure status (the kernel releases the sound
// device, ports and bus names; children end with their parent). Later calls
// keep the first deadline. Prepares the deadline's thread when prepare()
// was not called. Background analysis is given up from then on
// (Workers::requestEnd()).
void begin(double deadlineSeconds);

// Any thread: the part of the end now in progress (a literal, kept as
// given). Once begin() was called, a part that took a second or more is
// reported on stderr when the next one starts.
void mark(const char* step);

// Main thread, after the event loop has returned and the windows are gone,
// before static objects are destroyed: runs the steps, then stops every
// Workers pool and joins its threads, marking each part. Returns status; when some task is
// still running after timeoutSeconds, reports it and ends the process at
// once with status instead (streams flushed, no destructor run).
int finish(int status, double timeoutSeconds);

} // namespace tessarin::ProcessEnd
