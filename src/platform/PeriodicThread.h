#pragma once
// A thread of its own that calls a task at fixed absolute deadlines on the
// monotonic clock. The period is an exact fraction of nanoseconds, so rates
// such as 30000/1001 frames a second never drift: tick k is due at
// start + k * numerator / denominator ns. A tick that falls behind by more
// than a whole period skips the deadlines it missed instead of bursting.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace tessarin {

class PeriodicThread {
public:
    // A period of numerator / denominator nanoseconds.
    struct Period {
        std::uint64_t numerator = 1000000;
        std::uint64_t denominator = 1;
    };

    enum class Priority {
        normal,
        // The lowest real-time priority (SCHED_FIFO 1, reset for children)
        // where the process may have it; normal otherwise. For pumps whose
        // ticks are short and must not wait behind busy encoder threads.
        realtimeWhenAllowed,
    };

    PeriodicThread() = default;
    ~PeriodicThread(); // stops
    PeriodicThread(const PeriodicThread&) = delete;
    PeriodicThread& operator=(const PeriodicThread&) = delete;

    // Starts the thread (named label); the first tick is due at once. Does
    // nothing while running.
    void start(std::string label, Period period, std::function<void()> task, Priority priority = Priority::normal);
    // Ends the thread after the tick in progress, if any; any thread but this
    // one's own.
    void stop();
    bool isRunning() const { return thread_.joinable(); }
    // Whether the running thread got the real-time priority it asked for.
    bool isRealtime() const { return realtime_; }

    // Observed lateness of each tick behind its deadline, for measurements:
    // handed to the observer on the thread itself (nanoseconds).
    void setLatenessObserver(std::function<void(std::int64_t)> observer) { observer_ = std::move(observer); }

    static std::int64_t monotonicNanoseconds();

private:
    void run(Period period, std::function<void()> task);

    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::atomic<bool> realtime_ { false };
    std::function<void(std::int64_t)> observer_;
};

} // namespace tessarin
