#include "platform/Workers.h"

#include "platform/HeapRelease.h"
#include "platform/MainThread.h"
#include "platform/RealtimeScheduling.h"
#include "platform/ThreadName.h"

#include <QDir>

#include <sched.h>
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

// Whether the calling thread's priority was lowered.
thread_local bool lowered = false;
std::atomic<bool> loweringEnabled { true };

} // namespace

// Makes every pool's threads. Making a thread maps its stack, under the
// process's one lock of its memory map, which a thread at the lowest
// priority (an analysis freeing or taking back memory) can hold, or queue
// for, for hundreds of milliseconds on a busy machine: the main thread
// waited up to 0.9 s in a take to make a reader's thread while a show was
// analysed. A thread also takes its maker's priority, and this one is at
// the process's own, so what a raised or lowered thread queues does not
// run at its priority. The thread that queues work never waits for its
// thread to be made.
class ThreadMaker {
public:
    static ThreadMaker& shared()
    {
        // Never destroyed: pools ask for threads until the process ends.
        static auto* maker = new ThreadMaker;
        return *maker;
    }

    // Any thread, the pool's lock held. Starts the maker's own thread when
    // it has none.
    void ask(Workers* pool)
    {
        std::lock_guard lock(mutex_);
        if (std::find_if(asks_.begin(), asks_.end(), [&](const Ask& ask) {
                return ask.pool == pool && ask.tasks.empty();
            }) == asks_.end())
            asks_.push_back({pool, {}});
        wakeLocked();
    }

    // Any thread: the tasks are queued on the pool from the maker's thread.
    void handOver(Workers* pool, std::vector<Workers::Task> tasks)
    {
        std::lock_guard lock(mutex_);
        asks_.push_back({pool, std::move(tasks)});
        wakeLocked();
    }

    // The pool is going: it is served no more, once the maker is done with
    // it. Not with the pool's lock held.
    void forget(Workers* pool)
    {
        std::deque<Ask> dropped;
        std::unique_lock lock(mutex_);
        for (auto it = asks_.begin(); it != asks_.end();) {
            if (it->pool == pool) {
                dropped.push_back(std::move(*it));
                it = asks_.erase(it);
            } else {
                ++it;
            }
        }
        done_.wait(lock, [&] { return serving_ != pool; });
        lock.unlock(); // the tasks' captures go outside the lock
    }

    // Ends and joins the maker's thread once every ask is served (the end of
    // the process); a later ask starts it again.
    void stop()
    {
        std::thread ending;
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
            wake_.post();
            ending.swap(thread_);
        }
        if (ending.joinable())
            ending.join();
    }

private:
    void run()
    {
        setCurrentThreadName("Vellumcast.ThreadMaker");
        // Made by whichever thread asked first: back to the process's own
        // priority, as far as the process may.
        restoreCurrentThreadPriority();
        std::unique_lock lock(mutex_);
        for (;;) {
            while (!stopping_ && asks_.empty()) {
                lock.unlock();
                wake_.wait();
                lock.lock();
            }
            if (asks_.empty())
                return;
            Ask ask = std::move(asks_.front());
            asks_.pop_front();
            serving_ = ask.pool;
            lock.unlock();
            if (ask.tasks.empty()) {
                ask.pool->makeThreads();
            } else {
                ask.pool->enqueueHere(std::move(ask.tasks), true);
            }
            lock.lock();
            serving_ = nullptr;
            done_.notify_all();
        }
    }

    std::mutex mutex_;
    Wakeup wake_;
    std::condition_variable done_;
    struct Ask {
        Workers* pool;
        std::vector<Workers::Task> tasks; // to queue; none: threads to make
    };
    std::deque<Ask> asks_;
    Workers* serving_ = nullptr;
    bool stopping_ = false;
    std::thread thread_;

    void wakeLocked()
    {
        if (!thread_.joinable()) {
            stopping_ = false;
            thread_ = std::thread([this] { run(); });
        }
        wake_.post();
    }
};

void Workers::prepareThreads()
{
    players(); // asks for its spares
}

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
    static Workers* pool = new Workers("Vellumcast.MediaPlayer.demux", 4096, 10.0, 2);
    return *pool;
}

Workers::Workers(std::string label, std::size_t maxThreads, double idleSeconds, std::size_t spareThreads)
    : label_(std::move(label))
    , maxThreads_(maxThreads == 0 ? 1 : maxThreads)
    , idleSeconds_(idleSeconds)
    , spare_(spareThreads)
{
    {
        Registry& r = registry();
        std::lock_guard lock(r.mutex);
        r.pools.push_back(this);
    }
    std::lock_guard lock(mutex_);
    askForThreadsLocked(); // the spares
}

Workers::~Workers()
{
    alive_.reset();
    {
        Registry& r = registry();
        std::lock_guard lock(r.mutex);
        std::erase(r.pools, this);
    }
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        wakeLocked(waiting_.size());
    }
    ThreadMaker::shared().forget(this);
    std::unique_lock lock(mutex_);
    toMake_ = 0;
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
    // An analysis pool's lock is taken between tasks by its threads, at the
    // lowest priority, and one preempted with it held holds whoever waits
    // for it: the main thread hands its work over instead.
    if (analysis_ && gettid() == getpid()) { // the main thread, without asking Qt
        inHand_ += tasks.size();
        ThreadMaker::shared().handOver(this, std::move(tasks));
        return;
    }
    enqueueHere(std::move(tasks), false);
}

void Workers::enqueueHere(std::vector<Task> tasks, bool handedOver)
{
    std::unique_lock lock(mutex_);
    if (handedOver)
        inHand_ -= tasks.size(); // in the queue from now on, under the lock
    if (refusing_) {
        lock.unlock();
        tasks.clear();
        return;
    }
    for (Task& task : tasks)
        tasks_.push_back(std::move(task));
    askForThreadsLocked();
    wakeLocked(tasks.size());
}

void Workers::askForThreadsLocked()
{
    if (stopping_)
        return;
    // Threads free for the queued work soon: waiting, being made, starting.
    const std::size_t free = idle_ + toMake_ + starting_;
    const std::size_t wanted = tasks_.size() + spare_;
    const std::size_t total = threads_.size() + toMake_;
    const std::size_t room = maxThreads_ > total ? maxThreads_ - total : 0;
    const std::size_t more = std::min(wanted > free ? wanted - free : 0, room);
    if (more == 0)
        return;
    toMake_ += more;
    ThreadMaker::shared().ask(this);
}

void Workers::makeThreads()
{
    std::unique_lock lock(mutex_);
    while (toMake_ > 0 && !stopping_) {
        lock.unlock();
        std::thread thread([this] { work(); });
        lock.lock();
        // It waits in work() until it is in the map, so it finds itself there.
        threads_.emplace(thread.get_id(), std::move(thread));
        toMake_ -= std::min<std::size_t>(toMake_, 1); // a lowered limit may have taken it back
        ++starting_;
        registered_.notify_all();
    }
    if (stopping_)
        toMake_ = 0;
    allEnded_.notify_all(); // stopIfIdle() waits for what was asked, too
    joinEnded(lock);
}

std::size_t Workers::threadCount() const
{
    std::lock_guard lock(mutex_);
    return threads_.size() + toMake_;
}

void Workers::setMaxThreads(std::size_t maxThreads)
{
    std::unique_lock lock(mutex_);
    maxThreads_ = std::max<std::size_t>(1, maxThreads);
    // Threads asked for past a lowered limit are not made.
    toMake_ = std::min(toMake_, maxThreads_ > threads_.size() ? maxThreads_ - threads_.size() : 0);
    askForThreadsLocked();
    wakeLocked(waiting_.size()); // idle threads past the limit end
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
    wakeLocked(waiting_.size());
    // No thread runs a task: each leaves as soon as it has the lock (one
    // being made is made first).
    allEnded_.wait(lock, [this] { return threads_.empty() && toMake_ == 0; });
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
    liftIdleThreads();
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
    ThreadMaker::shared().stop();
    return true;
}

Workers& Workers::makeAnalysisPool(std::string label, std::size_t maxThreads)
{
    if (maxThreads == 0)
        maxThreads = std::max<std::size_t>(2, std::thread::hardware_concurrency());
    auto* workers = new Workers(std::move(label), maxThreads);
    workers->analysis_ = true;
    workers->setOnDrained([] { HeapRelease::shared().request(); });
    return *workers;
}

void Workers::setOnDrained(std::function<void()> fn)
{
    std::lock_guard lock(mutex_);
    onDrained_ = std::move(fn);
}

void Workers::wakeLocked(std::size_t n)
{
    // Under the lock: a waiter taken off the list is posted before it can
    // look for itself there.
    for (; n > 0 && !waiting_.empty(); --n) {
        waiting_.back()->post();
        waiting_.pop_back();
    }
}

void Workers::work()
{
    setCurrentThreadName(label_);
    const auto idleLimit = std::chrono::duration_cast<std::chrono::nanoseconds>(Seconds(idleSeconds_));
    Wakeup me;
    std::unique_lock lock(mutex_);
    registered_.wait(lock, [this] { return threads_.contains(std::this_thread::get_id()); });
    --starting_;
    for (;;) {
        if (threads_.size() > maxThreads_)
            break; // the limit was lowered
        bool woke = true;
        if (!stopping_ && tasks_.empty()) {
            ++idle_;
            waiting_.push_back(&me);
            lock.unlock();
            woke = me.waitFor(idleLimit);
            lock.lock();
            --idle_;
            if (!woke) {
                const auto it = std::find(waiting_.begin(), waiting_.end(), &me);
                if (it != waiting_.end()) {
                    waiting_.erase(it);
                } else {
                    me.wait(); // woken meanwhile: posted already
                    woke = true;
                }
            }
        }
        if (threads_.size() > maxThreads_)
            break;
        // Idle for the while given: ends, but for the spares.
        if (tasks_.empty() && (stopping_ || (!woke && idle_ >= spare_)))
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
    // Joined by the thread maker: a thread's end gives back its stack, under
    // the lock of the memory map, and whoever joins it may wait for that.
    // A pool that stops joins its threads itself.
    if (!stopping_)
        ThreadMaker::shared().ask(this);
}

bool Workers::isThreadLowered()
{
    return lowered;
}

void Workers::setLoweringEnabled(bool enabled)
{
    loweringEnabled = enabled;
}

bool Workers::isLoweringEnabled()
{
    return loweringEnabled;
}

int Workers::liftIdleThreads()
{
    // /proc rather than a list of our own: a thread registers nothing on
    // its way out, and the end is the one time this runs.
    QDir tasks(QStringLiteral("/proc/self/task"));
    int lifted = 0;
    const sched_param none {};
    for (const QString& entry : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool ok = false;
        const pid_t tid = static_cast<pid_t>(entry.toInt(&ok));
        if (ok && sched_getscheduler(tid) == SCHED_IDLE && sched_setscheduler(tid, SCHED_OTHER, &none) == 0)
            ++lifted;
    }
    return lifted;
}

void Workers::lowerThreadPriority()
{
    // The lowest nice. The scheduler shares the CPU by weight, and nice 19
    // weighs 15 against the main thread's 1024 (nice 5: 335): the three
    // analysis pools, as wide as the cores each (24 threads on 8 cores),
    // outweighed the main thread eight to one at nice 5, and on a busy
    // machine a take waited hundreds of milliseconds for the CPU while a
    // big show was analysed. Now they weigh a third of it, and take what
    // the interface and playback leave.
    //
    // And the idle policy on top (any thread may take it; the nice stays
    // for where it is refused): a thread of the program that wakes takes
    // the core from such a thread at once, and the kernel, which spreads
    // the program's share of the machine over the cores by where its
    // threads run, counts it for a fifth of a nice-19 thread. Beside one
    // busy session per core the take at nice 19 still waited up to 320 ms
    // for a core while a big show was analysed; with the idle policy no take
    // waited 100 ms in six runs (worst 11 to 93 ms; see the big show's takes
    // in the benchmarks' README).
    if (!lowered && loweringEnabled) {
        setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 19);
        const sched_param none {};
        sched_setscheduler(gettid(), SCHED_IDLE, &none);
        lowered = true;
    }
}

} // namespace tessarin
