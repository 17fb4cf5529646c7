#include "platform/MainThread.h"
#include "platform/SerialQueue.h"
#include "platform/Wakeup.h"
#include "platform/Workers.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QEvent>

#include <gtest/gtest.h>

#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

using namespace tessarin;

TEST(SerialQueue, RunsTasksInOrderOneAtATime)
{
    std::vector<int> order;
    std::atomic<int> running { 0 };
    std::atomic<bool> overlapped { false };
    {
        SerialQueue queue("Vellumcast.test.order");
        for (int i = 0; i < 200; ++i) {
            queue.async([&, i] {
                if (running.fetch_add(1) != 0)
                    overlapped = true;
                order.push_back(i);
                running.fetch_sub(1);
            });
        }
    } // the destructor drains the queue
    ASSERT_EQ(order.size(), 200u);
    for (int i = 0; i < 200; ++i)
        EXPECT_EQ(order[static_cast<size_t>(i)], i);
    EXPECT_FALSE(overlapped);
}

TEST(SerialQueue, SyncWaitsForItsTaskAndEverythingBefore)
{
    SerialQueue queue("Vellumcast.test.sync");
    std::atomic<int> counter { 0 };
    for (int i = 0; i < 50; ++i)
        queue.async([&] { counter.fetch_add(1); });
    int seen = -1;
    queue.sync([&] { seen = counter.load(); });
    EXPECT_EQ(seen, 50);
}

TEST(SerialQueue, SyncFromItsOwnTaskDoesNotDeadlock)
{
    SerialQueue queue("Vellumcast.test.nested");
    bool inner = false;
    queue.sync([&] { queue.sync([&] { inner = true; }); });
    EXPECT_TRUE(inner);
}

TEST(SerialQueue, NamesItsThreadFromTheLabelsTail)
{
    SerialQueue queue("Vellumcast.StreamManager.render");
    char name[32] = {};
    queue.sync([&] { pthread_getname_np(pthread_self(), name, sizeof name); });
    EXPECT_STREQ(name, "mManager.render");
}

TEST(Wakeup, APostIsKeptUntilTakenAndWakesAWaitingThread)
{
    using namespace std::chrono_literals;
    Wakeup wakeup;
    EXPECT_FALSE(wakeup.waitFor(1ms));
    wakeup.post();
    wakeup.post(); // posts do not add up: one is taken
    EXPECT_TRUE(wakeup.waitFor(0ms));
    EXPECT_FALSE(wakeup.waitFor(1ms));
    std::atomic<bool> woke { false };
    std::thread waiter([&] {
        wakeup.wait();
        woke = true;
    });
    wakeup.post();
    waiter.join();
    EXPECT_TRUE(woke.load());
}

TEST(Workers, QuickTaskFinishesWhileOthersBlock)
{
    Workers pool("test.workers", 64, 5.0);
    std::mutex mutex;
    std::condition_variable release;
    bool released = false;
    // More blocked tasks than this machine has cores.
    const int blockers = static_cast<int>(std::thread::hardware_concurrency()) + 4;
    for (int i = 0; i < blockers; ++i) {
        pool.async([&] {
            std::unique_lock lock(mutex);
            release.wait(lock, [&] { return released; });
        });
    }
    std::atomic<bool> quickDone { false };
    pool.async([&] { quickDone = true; });
    EXPECT_TRUE(test::waitUntil([&] { return quickDone.load(); }, 10.0));
    {
        std::lock_guard lock(mutex);
        released = true;
    }
    release.notify_all();
}

TEST(Workers, ALoweredLimitEndsThreadsPastItAndBoundsNewWork)
{
    Workers pool("test.limit", 4, 5.0);
    std::mutex mutex;
    std::condition_variable release;
    bool released = false;
    std::atomic<int> finished {0};
    auto blocker = [&] {
        std::unique_lock lock(mutex);
        release.wait(lock, [&] { return released; });
        ++finished;
    };
    for (int i = 0; i < 4; ++i)
        pool.async(blocker);
    EXPECT_EQ(pool.threadCount(), 4u);
    pool.setMaxThreads(1);
    {
        std::lock_guard lock(mutex);
        released = true;
    }
    release.notify_all();
    ASSERT_TRUE(test::waitUntil([&] { return finished == 4 && pool.threadCount() == 1; }, 10.0));
    {
        std::lock_guard lock(mutex);
        released = false;
    }
    for (int i = 0; i < 3; ++i)
        pool.async(blocker);
    EXPECT_EQ(pool.threadCount(), 1u); // the others wait in the queue
    pool.setMaxThreads(3);
    EXPECT_EQ(pool.threadCount(), 3u); // a raised limit starts what is waiting
    {
        std::lock_guard lock(mutex);
        released = true;
    }
    release.notify_all();
    EXPECT_TRUE(pool.waitForIdle(10.0));
}

TEST(Workers, ReusesIdleThreads)
{
    Workers pool("test.reuse", 64, 5.0);
    for (int i = 0; i < 20; ++i) {
        std::atomic<bool> done { false };
        pool.async([&] { done = true; });
        ASSERT_TRUE(test::waitUntil([&] { return done.load(); }));
    }
    EXPECT_LE(pool.threadCount(), 2u);
}

TEST(Workers, KeepsItsSpareThreadsThroughWorkAndIdleness)
{
    for (const std::size_t spare : { 0u, 2u }) {
        SCOPED_TRACE(spare);
        Workers pool("test.spare", 64, 0.05, spare);
        EXPECT_EQ(pool.threadCount(), spare); // asked for at once, made soon
        std::mutex mutex;
        std::condition_variable release;
        bool released = false;
        std::atomic<int> running { 0 };
        for (int i = 0; i < 3; ++i) {
            pool.async([&] {
                ++running;
                std::unique_lock lock(mutex);
                release.wait(lock, [&] { return released; });
            });
        }
        // The busy threads and, beside them, the spares again.
        ASSERT_TRUE(test::waitUntil([&] { return running == 3 && pool.threadCount() == 3 + spare; }, 10.0));
        {
            std::lock_guard lock(mutex);
            released = true;
        }
        release.notify_all();
        // Idle past the while given, all end but the spares.
        EXPECT_TRUE(test::waitUntil([&] { return pool.threadCount() == spare; }, 10.0));
        std::atomic<bool> done { false };
        pool.async([&] { done = true; });
        EXPECT_TRUE(test::waitUntil([&] { return done.load(); }, 10.0));
    }
}

TEST(Workers, ALoweredThreadYieldsAtTheLowestNiceAndOnlyItself)
{
    test::LoweringOn lowering;
    const auto niceOf = [](pid_t tid) { return getpriority(PRIO_PROCESS, static_cast<id_t>(tid)); };
    const int before = niceOf(gettid());
    int lowered = 0;
    int policy = -1;
    std::thread thread([&] {
        Workers::lowerThreadPriority();
        Workers::lowerThreadPriority(); // once is enough
        lowered = niceOf(gettid());
        policy = sched_getscheduler(gettid());
    });
    thread.join();
    EXPECT_EQ(lowered, 19);
    EXPECT_EQ(policy, SCHED_IDLE);
    // The flag an earlier raise of this thread may have left is not a policy.
    EXPECT_EQ(sched_getscheduler(gettid()) & ~SCHED_RESET_ON_FORK, SCHED_OTHER);
    EXPECT_EQ(niceOf(gettid()), before); // nice applies per thread: the caller's is untouched
}

// Counts the events of the program's own types delivered anywhere.
class OwnEvents final : public QObject {
public:
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        count += event->type() >= QEvent::User && event->type() <= QEvent::MaxUser;
        return false;
    }
};

// From threads at the process's priority and from lowered ones alike: every
// task runs on the main thread, each thread's in the order posted. A lowered
// thread's go past Qt's event queue, whose lock it could hold while it
// waits for a core.
TEST(MainThread, PostToMainRunsOnTheMainThreadInOrder)
{
    test::LoweringOn lowering;
    for (const bool lowered : { false, true }) {
        SCOPED_TRACE(lowered ? "lowered threads" : "threads at the process's priority");
        OwnEvents queued;
        qApp->installEventFilter(&queued);
        std::vector<std::pair<int, int>> seen;
        std::atomic<bool> allOnMain { true };
        std::vector<std::thread> workers;
        for (int t = 0; t < 3; ++t) {
            workers.emplace_back([&, t] {
                if (lowered)
                    Workers::lowerThreadPriority();
                for (int i = 0; i < 100; ++i)
                    postToMain([&, t, i] {
                        if (!isMainThread())
                            allOnMain = false;
                        seen.emplace_back(t, i);
                    });
            });
        }
        for (std::thread& worker : workers)
            worker.join();
        EXPECT_TRUE(seen.empty()) << "posted work waits for the event loop";
        ASSERT_TRUE(test::waitUntil([&] { return seen.size() == 300; }));
        EXPECT_TRUE(allOnMain);
        std::vector<int> next(3, 0);
        for (const auto& [t, i] : seen)
            EXPECT_EQ(i, next[std::size_t(t)]++) << "thread " << t;
        if (lowered)
            EXPECT_LT(queued.count, 10);
        else
            EXPECT_GE(queued.count, 300);
        qApp->removeEventFilter(&queued);
    }
}

TEST(Workers, WorkTheMainThreadHandsToAnAnalysisPoolIsAwaitedLikeItsOwn)
{
    // Queued from the main thread by way of another thread: the pool is not
    // idle before that work has been queued and done.
    Workers& pool = Workers::makeAnalysisPool("test.analysis", 2);
    std::atomic<int> done { 0 };
    for (int round = 1; round <= 20; ++round) {
        for (int i = 0; i < 5; ++i)
            pool.async([&] { ++done; });
        ASSERT_TRUE(pool.waitForIdle(10.0));
        EXPECT_EQ(done.load(), round * 5);
    }
}

TEST(Workers, WaitForIdleAndTheDrainedCallWaitForRunningAndQueuedWork)
{
    Workers pool("test.idle", 1, 5.0);
    std::atomic<int> done { 0 };
    // Called once the pool falls idle: after both tasks, not between them.
    std::promise<int> drained;
    std::atomic<bool> drainedOnce { false };
    pool.setOnDrained([&] {
        if (!drainedOnce.exchange(true))
            drained.set_value(done.load());
    });
    std::mutex mutex;
    std::condition_variable release;
    bool released = false;
    pool.async([&] {
        std::unique_lock lock(mutex);
        release.wait(lock, [&] { return released; });
        ++done;
    });
    pool.async([&] { ++done; });
    EXPECT_FALSE(pool.waitForIdle(0.05));
    {
        std::lock_guard lock(mutex);
        released = true;
    }
    release.notify_all();
    EXPECT_TRUE(pool.waitForIdle(10.0));
    EXPECT_EQ(done.load(), 2);
    auto drainedAt = drained.get_future();
    ASSERT_EQ(drainedAt.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(drainedAt.get(), 2);
}
