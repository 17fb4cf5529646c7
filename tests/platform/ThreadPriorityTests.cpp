// A thread takes its maker's priority. Threads made for shared work keep the
// process's own, whoever asks for them, and of an item's decoding only the
// reader and the sound's decoder are raised.
#include "platform/ChildProcess.h"
#include "platform/ImagePool.h"
#include "platform/RealtimeScheduling.h"
#include "platform/Workers.h"
#include "platform/player/FfmpegMediaPlayer.h"
#include "platform/player/PlayerItem.h"
#include "platform/player/VideoOutput.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QImage>

#include <gtest/gtest.h>

#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <thread>
#include <utility>
#include <vector>

namespace tessarin::test {
namespace {

int niceOf(pid_t task)
{
    return getpriority(PRIO_PROCESS, static_cast<id_t>(task));
}

// Every thread of the process: its name and nice.
std::vector<std::pair<QByteArray, int>> threads()
{
    std::vector<std::pair<QByteArray, int>> all;
    for (const QString& task : QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(QStringLiteral("/proc/self/task/%1/comm").arg(task));
        if (comm.open(QIODevice::ReadOnly))
            all.emplace_back(comm.readAll().trimmed(), niceOf(task.toInt()));
    }
    return all;
}

bool mayRaise()
{
    bool raised = false;
    std::thread([&] { raised = raiseCurrentThreadPriority(); }).join();
    return raised;
}

TEST(ThreadPriority, ThreadsMadeForSharedWorkKeepTheProcesssOwnPriority)
{
    test::LoweringOn lowering;
    const int own = niceOf(getpid());
    prepareImagePool();
    // Work queued by a lowered thread (an analysis) and by a raised one (a
    // reader of sound), each on a pool with no thread yet.
    for (const bool lowered : { true, false }) {
        SCOPED_TRACE(lowered ? "lowered" : "raised");
        if (!lowered && !mayRaise())
            continue;
        Workers pool("test.priority", 4, 5.0);
        std::atomic<int> taskNice { 100 };
        std::thread([&] {
            if (lowered) {
                Workers::lowerThreadPriority();
                // Scaling a large picture splits over Qt's shared pool.
                QImage large(4000, 3000, QImage::Format_RGB32);
                large.fill(Qt::red);
                EXPECT_EQ(large.scaled(1000, 750, Qt::KeepAspectRatio, Qt::SmoothTransformation).width(), 1000);
            } else {
                raiseCurrentThreadPriority();
            }
            pool.async([&] { taskNice = niceOf(gettid()); });
        }).join();
        ASSERT_TRUE(waitUntil([&] { return taskNice.load() != 100; }));
        EXPECT_EQ(taskNice.load(), own) << "a pool's thread made for another thread's work";
    }
    int pooled = 0;
    for (const auto& [name, nice] : threads()) {
        if (name == "Thread (pooled)") {
            ++pooled;
            EXPECT_EQ(nice, own) << "a thread of Qt's pool";
        }
    }
    EXPECT_GT(pooled, 0);
}

TEST(ThreadPriority, TheMainThreadsRaiseIsItsAloneNotOfWhatItMakes)
{
    if (!mayRaise() || processPriority() != 0)
        GTEST_SKIP() << "this process may not raise a thread's priority";
    int raised = 100;
    int thread = 100;
    QByteArray process;
    std::thread([&] { // stands for the main thread
        ASSERT_TRUE(raiseMainThreadPriority());
        raised = niceOf(gettid());
        std::thread([&] { thread = niceOf(gettid()); }).join();
        process = runAndCapture(QStringLiteral("/bin/sh"), { QStringLiteral("-c"), QStringLiteral("nice") }, 10.0)
                      .output.trimmed();
    }).join();
    EXPECT_EQ(raised, -10);
    EXPECT_EQ(thread, 0);
    EXPECT_EQ(process, "0");
}

TEST(ThreadPriority, OfAnItemsDecodingOnlyTheReaderAndTheSoundsDecoderAreRaised)
{
    if (!mayRaise())
        GTEST_SKIP() << "this process may not raise a thread's priority";
    const int own = niceOf(getpid());
    const auto raised = [own] {
        const auto all = threads();
        return std::count_if(all.begin(), all.end(), [own](const auto& thread) { return thread.second < own; });
    };
    const auto before = raised();
    FfmpegMediaPlayer player(std::make_shared<NullAudioOutput>(), HostClock::shared());
    auto item = PlayerItem::create(mediaPath(QStringLiteral("clip_30s.mp4"))); // decoded on frame threads
    auto video = std::make_shared<VideoOutput>();
    item->addOutput(video);
    player.replaceCurrentItem(item);
    // The sound's decoder raises itself when it first runs, which can be
    // after the first picture is out.
    ASSERT_TRUE(waitUntil([&] { return video->copyFrame(0.0) != nullptr && raised() - before >= 2; }));
    EXPECT_EQ(raised() - before, 2);
}

TEST(ThreadPriority, AtTheEndALoweredThreadLeavesTheIdlePolicy)
{
    test::LoweringOn lowering;
    std::atomic<pid_t> tid { 0 };
    std::atomic<bool> release { false };
    std::thread lowered([&] {
        Workers::lowerThreadPriority();
        tid = gettid();
        while (!release.load())
            std::this_thread::yield();
    });
    ASSERT_TRUE(waitUntil([&] { return tid.load() != 0; }));
    EXPECT_EQ(sched_getscheduler(tid.load()), SCHED_IDLE);
    const int lifted = Workers::liftIdleThreads();
    const int policy = sched_getscheduler(tid.load());
    release = true;
    lowered.join();
    if (lifted == 0)
        GTEST_SKIP() << "this process may not leave the idle policy";
    EXPECT_EQ(policy, SCHED_OTHER);
}

} // namespace
} // namespace tessarin::test
