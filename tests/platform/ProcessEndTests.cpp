// The end of the process, in a child process of its own each (a death
// test): it stops the process-wide pools for good.
#include "platform/MediaInfo.h"
#include "platform/ProcessEnd.h"
#include "platform/TerminationSignals.h"
#include "platform/Workers.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
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

TEST(ProcessEnd, AnalysisQueuedIsDroppedAndAnalysisRunningIsCutShortWhileOtherWorkRuns)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            static Gate started;
            static Workers pool("test.analysis", 1, 60.0);
            static std::atomic<int> analysed { 0 };
            static std::atomic<int> kept { 0 };
            static std::atomic<bool> cutShort { false };
            // One analysis under way until it is told to stop, a show's worth
            // queued behind it, and one task whose work must still be done.
            pool.async([] {
                started.release();
                while (!Workers::endRequested())
                    std::this_thread::yield();
                cutShort = true;
            }, Workers::AtEnd::drop);
            for (int i = 0; i < 5000; ++i)
                pool.async([] { ++analysed; }, Workers::AtEnd::drop);
            pool.async([] { ++kept; });
            started.pass();
            ProcessEnd::begin(3600.0);
            pool.async([] { ++analysed; }, Workers::AtEnd::drop); // too late: dropped
            const int status = ProcessEnd::finish(0, 10.0);
            // A file's reads through FFmpeg fail from now on.
            const bool readsCut = !MediaInfo::read(test::mediaPath("clip_30s.mp4"));
            std::exit(status == 0 && analysed == 0 && kept == 1 && cutShort && readsCut ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    ASSERT_TRUE(MediaInfo::read(test::mediaPath("clip_30s.mp4"))); // the same read before the end
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
