// The end of the process, in a child process of its own each (a death
// test): it stops the process-wide pools for good.
#include "platform/ProcessEnd.h"
#include "platform/TerminationSignals.h"
#include "platform/Workers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <csignal>
#include <mutex>
#include <thread>

#include <unistd.h>

using namespace tessarin;

namespace {

struct Gate {
    std::mutex mutex;
    std::condition_variable changed;
    bool open = false;
    void release()
    {
        std::lock_guard lock(mutex);
        open = true;
        changed.notify_all();
    }
    void pass()
    {
        std::unique_lock lock(mutex);
        changed.wait(lock, [this] { return open; });
    }
};

} // namespace

TEST(ProcessEnd, StepsRunFirstThenEveryPoolFinishesItsWorkAndIsJoined)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            static Gate gate;
            static std::atomic<int> done { 0 };
            static Workers local("test.local", 4, 60.0);
            // A task held until a step runs, which then queues work on
            // another pool: that work is done too before the end.
            Workers::userInitiated().async([] {
                gate.pass();
                local.async([] { ++done; });
                ++done;
            });
            ProcessEnd::addStep("gate released", [] { gate.release(); });
            const int status = ProcessEnd::finish(0, 30.0);
            bool lateRan = false;
            Workers::userInitiated().async([&] { lateRan = true; }); // dropped
            const bool joined = Workers::userInitiated().threadCount() == 0 && local.threadCount() == 0;
            std::exit(status == 0 && done == 2 && !lateRan && joined ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(ProcessEnd, ATaskThatNeverEndsEndsTheProcessAtTheDeadlineWithAFailure)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            static Gate never;
            Workers::userInitiated().async([] { never.pass(); });
            std::exit(ProcessEnd::finish(0, 0.2));
        },
        ::testing::ExitedWithCode(EXIT_FAILURE), "still running");
}

TEST(ProcessEnd, OnceTheEndIsDecidedAStepThatNeverEndsCannotHoldTheProcess)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // Stuck as a join of a thread that waits for the main thread would be:
    // the process still ends, naming where it was and every thread's wait.
    EXPECT_EXIT(
        {
            static Gate never;
            ProcessEnd::begin(0.3);
            ProcessEnd::mark("a step that never ends");
            never.pass();
            std::exit(0);
        },
        ::testing::ExitedWithCode(EXIT_FAILURE),
        "more than 0 s; still at: a step that never ends(.|\n)*thread [0-9]+ \"Vellumcast.end\"");
    // Stuck on a pool that never finishes, whose own deadline is far later.
    EXPECT_EXIT(
        {
            static Gate never;
            Workers::userInitiated().async([] { never.pass(); });
            ProcessEnd::addStep("first", [] { });
            ProcessEnd::begin(0.3);
            std::exit(ProcessEnd::finish(0, 3600.0));
        },
        ::testing::ExitedWithCode(EXIT_FAILURE), "still at: background work");
}

TEST(ProcessEnd, ASignalArmsTheDeadlineWhileTheMainThreadIsHeld)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // The main thread never comes back to its event loop, where the signal's
    // own handling would begin the end: the deadline still runs out.
    EXPECT_EXIT(
        {
            static Gate never;
            ::alarm(60); // without the deadline, a clear failure instead of a hang
            ProcessEnd::prepare(0.3);
            TerminationSignals::install([](int) { std::exit(0); }, &ProcessEnd::beginFromSignal);
            std::thread([] { ::kill(::getpid(), SIGTERM); }).detach();
            never.pass();
        },
        ::testing::ExitedWithCode(EXIT_FAILURE), "more than 0 s; still at: the event loops' end");
}
