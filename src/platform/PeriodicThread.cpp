#include "platform/PeriodicThread.h"

#include "platform/ThreadName.h"

#include <chrono>
#include <pthread.h>
#include <sched.h>
#include <time.h>

namespace tessarin {

PeriodicThread::~PeriodicThread()
{
    stop();
}

std::int64_t PeriodicThread::monotonicNanoseconds()
{
    timespec ts {};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

void PeriodicThread::start(std::string label, Period period, std::function<void()> task, Priority priority)
{
    if (thread_.joinable())
        return;
    if (period.denominator == 0 || period.numerator == 0)
        return;
    {
        std::lock_guard guard(mutex_);
        stopping_ = false;
    }
    realtime_ = false;
    thread_ = std::thread([this, label = std::move(label), period, task = std::move(task), priority]() mutable {
        setCurrentThreadName(label);
        if (priority == Priority::realtimeWhenAllowed) {
            sched_param param {};
            param.sched_priority = 1;
            realtime_ = pthread_setschedparam(pthread_self(), SCHED_FIFO | SCHED_RESET_ON_FORK, &param) == 0;
        }
        run(period, std::move(task));
    });
}

void PeriodicThread::stop()
{
    if (!thread_.joinable() || thread_.get_id() == std::this_thread::get_id())
        return;
    {
        std::lock_guard guard(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void PeriodicThread::run(Period period, std::function<void()> task)
{
    const std::int64_t start = monotonicNanoseconds();
    // Deadlines in 128-bit arithmetic: exact for any run length.
    auto deadlineOf = [&](std::uint64_t k) {
        return start
            + static_cast<std::int64_t>(static_cast<unsigned __int128>(k) * period.numerator / period.denominator);
    };
    std::uint64_t k = 0;
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        const std::int64_t deadline = deadlineOf(k);
        std::int64_t now = monotonicNanoseconds();
        if (now < deadline) {
            // The condition variable wakes early on stop(); steady_clock is
            // CLOCK_MONOTONIC on Linux.
            const auto due = std::chrono::steady_clock::time_point(std::chrono::nanoseconds(deadline));
            wake_.wait_until(lock, due, [this] { return stopping_; });
            if (stopping_)
                break;
            now = monotonicNanoseconds();
            if (now < deadline)
                continue;
        }
        lock.unlock();
        if (observer_)
            observer_(now - deadline);
        task();
        ++k;
        // Skip deadlines that have already passed by more than one period.
        const std::int64_t after = monotonicNanoseconds();
        while (deadlineOf(k + 1) <= after)
            ++k;
        lock.lock();
    }
}

} // namespace tessarin
