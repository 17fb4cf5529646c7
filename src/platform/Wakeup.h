#pragma once
// A wake-up for one waiting thread that never makes the thread giving it
// wait. glibc's condition variables can: a signal waits until the threads
// woken by earlier signals have run, and a thread that only queues work
// (the main thread, in a take) waited tens of milliseconds for threads that
// lacked a core on a busy machine. A post is kept until it is taken.
#include <atomic>
#include <chrono>

namespace tessarin {

class Wakeup {
public:
    // Any thread; never waits.
    void post();
    // Waits until posted, and takes the post.
    void wait();
    // Waits until posted, at most timeout; true when posted (the post taken).
    bool waitFor(std::chrono::nanoseconds timeout);

private:
    std::atomic<int> posted_ { 0 };
};

} // namespace tessarin
