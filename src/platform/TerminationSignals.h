#pragma once
// The signals that ask a process to end (SIGTERM at logout or shutdown,
// SIGINT for Ctrl+C in a terminal, SIGHUP when the terminal goes) turned into
// a call on the main thread, so that the program ends the orderly way
// instead of at once with its children and files left as they were.
#include <functional>

namespace tessarin::TerminationSignals {

// First thing in main(), before the application object and any thread: from
// now on SIGTERM, SIGINT and SIGHUP no longer end the process at once; each
// is kept until install() gives it its answer. Later calls do nothing.
void catchEarly();

// Any thread: whether one of the signals has arrived since catchEarly().
bool arrived();

// Main thread, with the application object made: from now on SIGTERM,
// SIGINT and SIGHUP (those kept since catchEarly() included) call onSignal with the signal's number on the main
// thread, from its event loop; a later call replaces onSignal (an empty one
// ignores the signals from then on). atOnce, when given, runs in the signal
// handler itself, on whatever thread the signal arrives, even while the
// main thread does not answer: it must be async-signal-safe.
void install(std::function<void(int)> onSignal, void (*atOnce)() = nullptr);

} // namespace tessarin::TerminationSignals
