// The gate between a live session and the program: late frames, buffers
// and statuses of a closed route never reach the sink, the live audio
// player or the published status, also while the session's thread goes on
// delivering; a close waits for a hand-over under way.
#include "engine/LiveAudioPlayer.h"
#include "engine/LiveRoute.h"
#include "engine/FakeLiveSession.h"
#include "media/LiveVideoSink.h"
#include "platform/player/AudioOutput.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <future>
#include <vector>

namespace tessarin::test {
namespace {

QRgb colourOf(const QImage& image)
{
    return image.isNull() ? 0 : image.pixel(0, 0);
}

class LiveRouteTest : public ::testing::Test {
protected:
    LiveRouteTest()
        : sink(LiveVideoSink::create())
        , audio(std::make_shared<LiveAudioPlayer>(std::make_shared<NullAudioOutput>()))
    {
        audio->onLevels = [this](float, float) { ++levels; };
    }

    std::shared_ptr<LiveRoute> open(FakeLiveSession& session)
    {
        auto route = LiveRoute::create();
        route->connect(session, LiveRoute::programTargets(sink, audio, [this](const LiveStatus& status) {
            published.push_back(status);
        }));
        session.start();
        return route;
    }

    // What the engine does when a live session ends.
    void end(const std::shared_ptr<LiveRoute>& route, FakeLiveSession& session)
    {
        route->close();
        session.stop();
        audio->stop();
        sink->push(QImage());
    }

    int handled()
    {
        audio->syncOnQueue([] {});
        return levels.load();
    }

    std::shared_ptr<LiveVideoSink> sink;
    std::shared_ptr<LiveAudioPlayer> audio;
    std::atomic<int> levels { 0 };
    std::vector<LiveStatus> published;
};

TEST_F(LiveRouteTest, LateFramesBuffersAndStatusesOfAStoppedSessionNeverReachTheProgram)
{
    FakeLiveSession session(Qt::red);
    auto route = open(session);
    session.report(LiveStatus::live());
    session.deliver(5);
    ASSERT_TRUE(waitUntil([&] { return session.delivered == 5 && published.size() == 1; }));
    EXPECT_EQ(colourOf(sink->latest()), QColor(Qt::red).rgb());
    EXPECT_EQ(handled(), 5);
    EXPECT_TRUE(audio->connectedFormat().has_value());

    // A status already on its way to the main thread when the route closes.
    session.report(LiveStatus::failed(QStringLiteral("perso")));
    ASSERT_TRUE(session.waitForReported(2));
    end(route, session);
    EXPECT_EQ(session.stopCalls, 1);

    session.deliver(40);
    session.report(LiveStatus::connecting());
    ASSERT_TRUE(waitUntil([&] { return session.delivered == 45 && session.reported == 3; }));
    drainMainQueue();

    EXPECT_TRUE(sink->latest().isNull());
    EXPECT_TRUE(sink->lastImage().isNull());
    EXPECT_EQ(handled(), 5);
    EXPECT_FALSE(audio->connectedFormat().has_value()) << "a late buffer reconnected the live audio";
    ASSERT_EQ(published.size(), 1u);
    EXPECT_EQ(published[0], LiveStatus::live());
}

// The hand-over happens with the route's lock held: once close() has
// returned, no frame of the session can still be on its way into a target.
TEST_F(LiveRouteTest, CloseWaitsForAHandOverUnderWayAndNothingPassesAfterIt)
{
    std::mutex mutex;
    std::condition_variable changed;
    bool entered = false;
    bool release = false;
    std::atomic<int> inside { 0 };
    std::atomic<int> arrived { 0 };

    FakeLiveSession session(Qt::green);
    auto route = LiveRoute::create();
    LiveRoute::Targets targets;
    targets.video = [&](const QImage&, double) {
        ++inside;
        std::unique_lock guard(mutex);
        entered = true;
        changed.notify_all();
        changed.wait(guard, [&] { return release; });
        ++arrived;
        --inside;
    };
    route->connect(session, std::move(targets));
    session.start();
    session.deliver(1);
    {
        std::unique_lock guard(mutex);
        ASSERT_TRUE(changed.wait_for(guard, std::chrono::seconds(10), [&] { return entered; }));
    }

    std::atomic<bool> closing { false };
    auto closer = std::async(std::launch::async, [&] {
        closing = true;
        route->close();
        return inside.load(); // a hand-over still inside the target when close returned
    });
    while (!closing)
        std::this_thread::yield();
    for (int i = 0; i < 1000; ++i)
        std::this_thread::yield(); // let the closer reach the lock
    {
        std::lock_guard guard(mutex);
        release = true;
        changed.notify_all();
    }
    EXPECT_EQ(closer.get(), 0);
    EXPECT_FALSE(route->isActive());

    session.deliver(10);
    ASSERT_TRUE(waitUntil([&] { return session.delivered == 11; }));
    EXPECT_EQ(arrived, 1);
}

// The live audio player may go away before a session's threads do.
TEST_F(LiveRouteTest, BuffersForAPlayerThatIsGoneAreDropped)
{
    FakeLiveSession session(Qt::red);
    auto route = open(session);
    audio.reset();
    session.deliver(3);
    ASSERT_TRUE(waitUntil([&] { return session.delivered == 3; }));
    EXPECT_EQ(colourOf(sink->latest()), QColor(Qt::red).rgb());
}

} // namespace
} // namespace tessarin::test
