#include "platform/Workers.h"

#include "platform/ThreadName.h"

#include <chrono>
#include <thread>

namespace tessarin {

Workers& Workers::userInitiated()
{
    // Never destroyed: a task still blocked at exit must not hold up the exit.
    static Workers* pool = new Workers("Vellumcast.userInitiated");
    return *pool;
}

Workers::Workers(std::string label, std::size_t maxThreads, double idleSeconds)
    : label_(std::move(label))
    , maxThreads_(maxThreads == 0 ? 1 : maxThreads)
    , idleSeconds_(idleSeconds)
{
}

Workers::~Workers()
{
    std::unique_lock lock(mutex_);
    stopping_ = true;
    wake_.notify_all();
    allEnded_.wait(lock, [this] { return threads_ == 0; });
}

void Workers::async(std::function<void()> fn)
{
    if (!fn)
        return;
    bool spawn = false;
    {
        std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(fn));
        if (idle_ < tasks_.size() && threads_ < maxThreads_) {
            ++threads_;
            spawn = true;
        }
    }
    if (spawn)
        std::thread([this] { work(); }).detach();
    else
        wake_.notify_one();
}

std::size_t Workers::threadCount() const
{
    std::lock_guard lock(mutex_);
    return threads_;
}

bool Workers::waitForIdle(double timeoutSeconds)
{
    std::unique_lock lock(mutex_);
    return idleChanged_.wait_for(lock, std::chrono::duration<double>(timeoutSeconds),
                                  [this] { return running_ == 0 && tasks_.empty(); });
}

void Workers::work()
{
    setCurrentThreadName(label_);
    const auto idleLimit = std::chrono::duration<double>(idleSeconds_);
    std::unique_lock lock(mutex_);
    for (;;) {
        ++idle_;
        const bool woke = wake_.wait_for(lock, idleLimit, [this] { return stopping_ || !tasks_.empty(); });
        --idle_;
        if (tasks_.empty() && (stopping_ || !woke))
            break;
        if (tasks_.empty())
            continue;
        auto task = std::move(tasks_.front());
        tasks_.pop_front();
        ++running_;
        lock.unlock();
        task();
        task = nullptr; // release captures before taking the lock again
        lock.lock();
        --running_;
        if (running_ == 0 && tasks_.empty())
            idleChanged_.notify_all();
    }
    --threads_;
    if (threads_ == 0)
        allEnded_.notify_all();
}

} // namespace tessarin
