#pragma once
// A pool for background work (analysis, probes, launches). A task that blocks
// never starves the others: when every thread is busy, a new one is started,
// up to a generous cap, and threads left idle for a while end. Every thread
// is joined: by the pool's destructor, or, for the process-wide pools that
// are never destroyed, by stopAll() at the end of the process.
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
    // one of its threads for as long as it is loaded, and a thread left by an
    // item reads the next one, so a take starts no thread.
    static Workers& players();

    explicit Workers(std::string label, std::size_t maxThreads = 64, double idleSeconds = 10.0);
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
    static void lowerThreadPriority();

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
    bool idleLocked() const { return running_ == 0 && tasks_.empty(); }
    std::function<void()> onDrained_;
    // Stops the pool for good if it is idle and joins its threads; false
    // when it had work.
    bool stopIfIdle();
    void joinEnded(std::unique_lock<std::mutex>& lock);
    // Starts the threads that the queued tasks need, within the limit.
    void startThreadsLocked();

    const std::string label_;
    std::size_t maxThreads_; // guarded by mutex_
    const double idleSeconds_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable allEnded_;
    std::condition_variable idleChanged_;
    std::deque<Task> tasks_;
    std::map<std::thread::id, std::thread> threads_; // inside work()
    std::vector<std::thread> ended_;                 // left work(), not joined yet
    std::size_t idle_ = 0;
    std::size_t running_ = 0;
    bool stopping_ = false;
    bool refusing_ = false; // stopped for the end of the process
    // asyncSoon()'s tasks of this turn, and whether their queueing is on its
    // way; main thread only. alive_ is let go of by the destructor.
    std::vector<Task> soon_;
    bool soonPosted_ = false;
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

} // namespace tessarin
