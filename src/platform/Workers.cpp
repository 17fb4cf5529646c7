#include "platform/Workers.h"

#include "platform/HeapRelease.h"
#include "platform/MainThread.h"
#include "platform/ThreadName.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <utility>

namespace tessarin {
namespace {

// Every pool alive in the process, for stopAll().
struct Registry {
    std::mutex mutex;
    std::vector<Workers*> pools;
};

Registry& registry()
{
    // Never destroyed: pools may outlive static destruction's start.
    static Registry* instance = new Registry;
    return *instance;
}

using Seconds = std::chrono::duration<double>;

std::atomic<bool> ending { false };

// The SoonHolds alive; main thread only.
int soonHolds = 0;

} // namespace

Workers& Workers::userInitiated()
{
    // Never destroyed; stopAll() joins its threads at the end of the process.
    static Workers* pool = new Workers("Vellumcast.userInitiated");
    return *pool;
}

Workers& Workers::sessions()
{
    static Workers* pool = new Workers("Vellumcast.session", 4096, 2.0);
    return *pool;
}

Workers& Workers::players()
{
    static Workers* pool = new Workers("Vellumcast.MediaPlayer.demux", 4096, 10.0);
    return *pool;
}

Workers::Workers(std::string label, std::size_t maxThreads, double idleSeconds)
    : label_(std::move(label))
    , maxThreads_(maxThreads == 0 ? 1 : maxThreads)
    , idleSeconds_(idleSeconds)
{
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.pools.push_back(this);
}

Workers::~Workers()
{
    alive_.reset();
    {
        Registry& r = registry();
        std::lock_guard lock(r.mutex);
        std::erase(r.pools, this);
    }
    std::unique_lock lock(mutex_);
    stopping_ = true;
    wake_.notify_all();
    allEnded_.wait(lock, [this] { return threads_.empty(); });
    joinEnded(lock);
}

void Workers::joinEnded(std::unique_lock<std::mutex>& lock)
{
    std::vector<std::thread> ended;
    ended.swap(ended_);
    lock.unlock();
    for (std::thread& thread : ended)
        thread.join(); // each has left work() and is only returning
    lock.lock();
}

void Workers::async(std::function<void()> fn, AtEnd atEnd)
{
    if (!fn)
        return;
    std::vector<Task> one;
    one.push_back({std::move(fn), atEnd});
    enqueue(std::move(one));
}

void Workers::asyncSoon(std::function<void()> fn, AtEnd atEnd)
{
    if (!fn)
        return;
    soon_.push_back({std::move(fn), atEnd});
    if (soonHolds == 0)
        postSoon();
}

void Workers::postSoon()
{
    if (std::exchange(soonPosted_, true))
        return;
    postToMain([this, alive = std::weak_ptr<int>(alive_)] {
        if (alive.expired())
            return;
        soonPosted_ = false;
        if (soonHolds == 0)
            enqueue(std::exchange(soon_, {}));
    });
}

Workers::SoonHold::SoonHold()
{
    ++soonHolds;
}

Workers::SoonHold::~SoonHold()
{
    if (--soonHolds > 0)
        return;
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    for (Workers* pool : r.pools) {
        if (!pool->soon_.empty())
            pool->postSoon();
    }
}

void Workers::enqueue(std::vector<Task> tasks)
{
    const bool ended = ending.load();
    std::erase_if(tasks, [ended](const Task& task) { return task.atEnd == AtEnd::drop && ended; });
    if (tasks.empty())
        return; // the captures of those dropped go on the caller's thread
    std::unique_lock lock(mutex_);
    if (refusing_) {
        lock.unlock();
        tasks.clear();
        return;
    }
    for (Task& task : tasks)
        tasks_.push_back(std::move(task));
    startThreadsLocked();
    if (tasks.size() == 1)
        wake_.notify_one();
    else
        wake_.notify_all();
    if (!ended_.empty())
        joinEnded(lock);
}

void Workers::startThreadsLocked()
{
    // Made under the lock: a thread's first step takes it, so it is in the
    // map before it can look itself up there.
    std::size_t started = 0;
    while (idle_ + started < tasks_.size() && threads_.size() < maxThreads_) {
        std::thread thread([this] { work(); });
        const auto id = thread.get_id();
        threads_.emplace(id, std::move(thread));
        ++started;
    }
}

std::size_t Workers::threadCount() const
{
    std::lock_guard lock(mutex_);
    return threads_.size();
}

void Workers::setMaxThreads(std::size_t maxThreads)
{
    std::unique_lock lock(mutex_);
    maxThreads_ = std::max<std::size_t>(1, maxThreads);
    if (!stopping_)
        startThreadsLocked();
    wake_.notify_all(); // idle threads past the limit end
    if (!ended_.empty())
        joinEnded(lock);
}

bool Workers::waitForIdle(double timeoutSeconds)
{
    std::unique_lock lock(mutex_);
    return idleChanged_.wait_for(lock, Seconds(std::max(timeoutSeconds, 0.0)), [this] { return idleLocked(); });
}

bool Workers::stopIfIdle()
{
    std::unique_lock lock(mutex_);
    if (!idleLocked())
        return false;
    refusing_ = true;
    stopping_ = true;
    wake_.notify_all();
    // No thread runs a task: each leaves as soon as it has the lock.
    allEnded_.wait(lock, [this] { return threads_.empty(); });
    joinEnded(lock);
    return true;
}

void Workers::requestEnd()
{
    ending.store(true);
}

bool Workers::endRequested()
{
    return ending.load(std::memory_order_relaxed);
}

bool Workers::stopAll(double timeoutSeconds)
{
    requestEnd();
    const auto deadline = std::chrono::steady_clock::now() + Seconds(std::max(timeoutSeconds, 0.0));
    std::vector<Workers*> left;
    {
        Registry& r = registry();
        std::lock_guard lock(r.mutex);
        left = r.pools;
    }
    // A task of one pool may queue work on another that was idle a moment
    // ago: a pool is stopped only when found idle, and the round repeats
    // until every one is.
    while (!left.empty()) {
        for (Workers* pool : left) {
            const double remaining = Seconds(deadline - std::chrono::steady_clock::now()).count();
            if (!pool->waitForIdle(remaining))
                return false;
        }
        std::erase_if(left, [](Workers* pool) { return pool->stopIfIdle(); });
    }
    return true;
}

Workers& Workers::makeAnalysisPool(std::string label, std::size_t maxThreads)
{
    if (maxThreads == 0)
        maxThreads = std::max<std::size_t>(2, std::thread::hardware_concurrency());
    auto* workers = new Workers(std::move(label), maxThreads);
    workers->setOnDrained([] { HeapRelease::shared().request(); });
    return *workers;
}

void Workers::setOnDrained(std::function<void()> fn)
{
    std::lock_guard lock(mutex_);
    onDrained_ = std::move(fn);
}

void Workers::work()
{
    setCurrentThreadName(label_);
    const auto idleLimit = Seconds(idleSeconds_);
    std::unique_lock lock(mutex_);
    for (;;) {
        if (threads_.size() > maxThreads_)
            break; // the limit was lowered
        ++idle_;
        const bool woke = wake_.wait_for(lock, idleLimit, [this] {
            return stopping_ || !tasks_.empty() || threads_.size() > maxThreads_;
        });
        --idle_;
        if (threads_.size() > maxThreads_)
            break;
        if (tasks_.empty() && (stopping_ || !woke))
            break;
        if (tasks_.empty())
            continue;
        auto task = std::move(tasks_.front().fn);
        const bool dropped = tasks_.front().atEnd == AtEnd::drop && ending.load();
        tasks_.pop_front();
        ++running_;
        lock.unlock();
        if (!dropped)
            task();
        task = nullptr; // release captures before taking the lock again
        lock.lock();
        --running_;
        if (idleLocked()) {
            idleChanged_.notify_all();
            if (onDrained_ && !stopping_) {
                const auto drained = onDrained_;
                lock.unlock();
                drained();
                lock.lock();
            }
        }
    }
    auto self = threads_.find(std::this_thread::get_id());
    ended_.push_back(std::move(self->second));
    threads_.erase(self);
    if (threads_.empty())
        allEnded_.notify_all();
}

void Workers::lowerThreadPriority()
{
    thread_local bool lowered = false;
    if (!lowered) {
        setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 5);
        lowered = true;
    }
}

} // namespace tessarin
