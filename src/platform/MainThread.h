#pragma once
// Hands work to the application's main thread, where all model state lives.
#include <functional>

namespace tessarin {

// Queues fn to run on the thread of the QCoreApplication instance, after the
// current event has been handled. Safe from any thread; dropped when no
// application exists.
void postToMain(std::function<void()> fn);

// True on the thread that owns the QCoreApplication instance.
bool isMainThread();

} // namespace tessarin
