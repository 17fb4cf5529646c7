#include "platform/MainThread.h"
#include "platform/SerialQueue.h"
#include "platform/Workers.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

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

TEST(MainThread, PostToMainRunsOnTheMainThreadInOrder)
{
    std::vector<int> seen;
    std::atomic<bool> allOnMain { true };
    std::thread worker([&] {
        for (int i = 0; i < 10; ++i)
            postToMain([&, i] {
                if (!isMainThread())
                    allOnMain = false;
                seen.push_back(i);
            });
    });
    worker.join();
    EXPECT_TRUE(seen.empty()) << "posted work waits for the event loop";
    ASSERT_TRUE(test::waitUntil([&] { return seen.size() == 10; }));
    EXPECT_TRUE(allOnMain);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(seen[static_cast<size_t>(i)], i);
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
