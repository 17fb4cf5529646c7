#pragma once
// A pool for background work (analysis, probes, launches). A task that blocks
// never starves the others: when every thread is busy, a new one is started,
// up to a generous cap, and threads left idle for a while end. Every thread
// is joined: by the pool's destructor, or, for the process-wide pools that
// are never destroyed, by stopAll() at the end of the process.
#include "platform/Wakeup.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tessarin {

class Workers {
public:
    // The process-wide pool for user-initiated work; lives until exit.
    static Workers& userInitiated();
    // The process-wide pool for threads that last as long as a session of
    // their owner (capture inputs, ingest supervisors), so that they too are
    // joined at the end of the process; lives until exit.
    static Workers& sessions();
    // The process-wide pool for the players' readers: each item loaded holds
    // one of its threads for as long as it is loaded, a thread left by an
    // item reads the next one, and two more wait ready, so a take starts no
    // thread.
    static Workers& players();

    // Main thread, at the start, before it is raised and before any pool is
    // used: makes the thread that makes the pools' threads (so it runs at
    // the process's own priority) and the players' spare threads.
    static void prepareThreads();

    // spareThreads: idle threads kept ready (made again as work takes them)
    // and never ended for idleness.
    explicit Workers(std::string label, std::size_t maxThreads = 64, double idleSeconds = 10.0,
                     std::size_t spareThreads = 0);
    // A pool for CPU-bound analysis of files (lengths, thumbnails,
    // waveforms): as many threads as cores (or maxThreads when given), and
    // the heap pages what a burst of analyses freed given back once it is
    // drained. Never destroyed.
    static Workers& makeAnalysisPool(std::string label, std::size_t maxThreads = 0);
    ~Workers(); // finishes queued tasks, then joins every thread
    Workers(const Workers&) = delete;
    Workers& operator=(const Workers&) = delete;

    // What becomes of a task still queued when the end of the process begins.
    enum class AtEnd {
        run,  // it runs before the end, as everything queued before it
        drop, // analysis whose result nobody would see: dropped unrun, and a
              // running one stops at its next look at endRequested()
    };

    // Any thread. After stopAll() the task is dropped unrun.
    void async(std::function<void()> fn, AtEnd atEnd = AtEnd::run);
    // Main thread: the task is queued at the end of this turn of the event
    // loop, together with every other task asked for this way during it,
    // under one lock. Opening thousands of items then takes the pool's lock
    // once, not once per item: its threads hold the lock between tasks and,
    // running at a lower priority on a busy machine, may be preempted while
    // they do. A pool used this way is destroyed on the main thread.
    void asyncSoon(std::function<void()> fn, AtEnd atEnd = AtEnd::run);

    // Main thread: while one is held, what asyncSoon() is given waits, in
    // every pool, and is queued once the last hold ends. For a burst of
    // work on the main thread spread over many turns of the event loop (a
    // show of many thousand items listed a slice at a time), which then
    // has the machine to itself and ends sooner: what it asks of the pools
    // starts when it is done.
    class SoonHold {
    public:
        SoonHold();
        ~SoonHold();
        SoonHold(const SoonHold&) = delete;
        SoonHold& operator=(const SoonHold&) = delete;
    };

    std::size_t threadCount() const;
    // Any thread: how many tasks may run at once from now on. Threads past
    // a lowered limit end once their task is done; queued tasks wait.
    void setMaxThreads(std::size_t maxThreads);

    // Any thread: run on the pool's thread that finished the last task
    // whenever the pool falls idle (nothing queued or running), outside the
    // pool's lock. For what is due once a burst of work is over.
    void setOnDrained(std::function<void()> fn);

    // Waits until nothing is queued or running, at most timeoutSeconds;
    // false when work was still going on.
    bool waitForIdle(double timeoutSeconds);

    // The end of the process (see ProcessEnd.h): waits, at most
    // timeoutSeconds, until every pool of the process is idle at the same
    // time (a task of one pool may queue work on another), then stops each
    // and joins its threads. Later tasks are dropped. False when some pool
    // still had work at the deadline; its threads are left running.
    static bool stopAll(double timeoutSeconds);

    // Any thread: the end of the process has begun. Every task queued with
    // AtEnd::drop, in any pool, is dropped unrun from now on (its thread
    // takes it off the queue without running it). Called by
    // ProcessEnd::begin() and by stopAll().
    static void requestEnd();
    // Any thread, lock-free (FFmpeg's interrupt callbacks ask it): whether
    // requestEnd() was called. Long analyses look at it between files and
    // between reads.
    static bool endRequested();

    // Lowers the calling thread's priority for good (on Linux, nice applies
    // per thread), once: background analyses yield to the interface and to
    // playback. Only for threads of pools that run such work alone.
    // A thread takes its maker's priority, so a pool's threads are made by
    // one thread of the process's own, never by the thread that queues the
    // work (see ThreadMaker in Workers.cpp).
    static void lowerThreadPriority();
    // Whether the calling thread's priority was lowered.
    static bool isThreadLowered();
    // Any thread: whether lowerThreadPriority() lowers (it does unless
    // told otherwise). For tests that wait for what an analysis finds: on a
    // machine whose every core is busy, the idle policy gives an analysis
    // almost no time, which is what the program wants and no test's
    // deadline allows. A thread lowered already stays lowered.
    static void setLoweringEnabled(bool enabled);
    static bool isLoweringEnabled();
    // Any thread, at the end of the process: every thread of the process
    // under the idle policy leaves it (keeping its nice), so that beside busy
    // programs an analysis still in a file reaches its next look at
    // endRequested() at once, not after seconds without a core. Where the
    // process may not (an unprivileged user without RLIMIT_NICE), nothing
    // changes. Returns how many threads left the idle policy.
    static int liftIdleThreads();

private:
    struct Task {
        std::function<void()> fn;
        AtEnd atEnd;
    };
    // Queues the tasks under one lock, starting the threads they need.
    void enqueue(std::vector<Task> tasks);
    // Posts the queueing of asyncSoon()'s tasks, once.
    void postSoon();
    void work();
    bool idleLocked() const { return running_ == 0 && tasks_.empty() && inHand_.load() == 0; }
    std::function<void()> onDrained_;
    // Stops the pool for good if it is idle and joins its threads; false
    // when it had work.
    bool stopIfIdle();
    void joinEnded(std::unique_lock<std::mutex>& lock);
    // Counts the threads that the queued tasks and the spares need, within
    // the limit, and asks the thread maker for them.
    void askForThreadsLocked();
    // On the thread maker: makes what was asked, one thread at a time,
    // outside the pool's lock.
    void makeThreads();
    // Queues the tasks under the pool's lock, on the calling thread;
    // handedOver: they are counted in inHand_ until then.
    void enqueueHere(std::vector<Task> tasks, bool handedOver);
    friend class ThreadMaker;

    const std::string label_;
    std::size_t maxThreads_; // guarded by mutex_
    const double idleSeconds_;
    mutable std::mutex mutex_;
    // An idle thread waits on a wake-up of its own (see Wakeup.h), not on a
    // condition variable whose signal may make the thread queueing work
    // wait: the main thread, in a take, waited up to 53 ms that way.
    std::vector<Wakeup*> waiting_; // idle, newest last
    // Wakes up to n idle threads.
    void wakeLocked(std::size_t n);
    std::condition_variable allEnded_;
    std::condition_variable idleChanged_;
    std::condition_variable registered_;
    std::deque<Task> tasks_;
    std::map<std::thread::id, std::thread> threads_; // made, until they leave work()
    std::vector<std::thread> ended_;                 // left work(), not joined yet
    const std::size_t spare_;
    std::size_t toMake_ = 0;   // asked of the maker, not in threads_ yet
    std::size_t starting_ = 0; // in threads_, not waiting for work yet
    std::size_t idle_ = 0;
    std::size_t running_ = 0;
    bool stopping_ = false;
    bool refusing_ = false; // stopped for the end of the process
    // asyncSoon()'s tasks of this turn, and whether their queueing is on its
    // way; main thread only. alive_ is let go of by the destructor.
    std::vector<Task> soon_;
    bool soonPosted_ = false;
    bool analysis_ = false; // its tasks lower their threads (makeAnalysisPool)
    // Tasks the main thread handed to the thread maker to queue, not queued
    // yet.
    std::atomic<std::size_t> inHand_ { 0 };
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

} // namespace tessarin
