#pragma once
// A pool for background work (analysis, probes, launches). A task that blocks
// never starves the others: when every thread is busy, a new one is started,
// up to a generous cap, and threads left idle for a while end.
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <string>

namespace tessarin {

class Workers {
public:
    // The process-wide pool for user-initiated work; lives until exit.
    static Workers& userInitiated();

    explicit Workers(std::string label, std::size_t maxThreads = 64, double idleSeconds = 10.0);
    ~Workers(); // finishes queued tasks, then waits for every thread to end
    Workers(const Workers&) = delete;
    Workers& operator=(const Workers&) = delete;

    // Any thread.
    void async(std::function<void()> fn);

    std::size_t threadCount() const;

    // Waits until nothing is queued or running, at most timeoutSeconds;
    // false when work was still going on. For the end of the process: a
    // decode still running while static objects are destroyed would crash.
    bool waitForIdle(double timeoutSeconds);

private:
    void work();

    const std::string label_;
    const std::size_t maxThreads_;
    const double idleSeconds_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable allEnded_;
    std::condition_variable idleChanged_;
    std::deque<std::function<void()>> tasks_;
    std::size_t threads_ = 0;
    std::size_t idle_ = 0;
    std::size_t running_ = 0;
    bool stopping_ = false;
};

} // namespace tessarin
