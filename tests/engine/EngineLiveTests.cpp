// Live items on air: the session opened for a live item, its frames on the
// live sink, its sound on the level meter and the program audio bus, its
// statuses in the engine's published state, the readouts of the 0.25 s live
// clock, and the end of the session on a take, a pause and a stop, with
// sessions that go on delivering after they were told to stop.
#include "EngineFixture.h"

#include "engine/ProgramAudioBus.h"
#include "media/LiveSessionFactory.h"
#include "media/LiveVideoSink.h"

#include <QSignalSpy>

#include <algorithm>

namespace tessarin::test {
namespace {

std::shared_ptr<MediaFile> liveItem(const QString& colour, LiveSourceKind kind = LiveSourceKind::rtmp)
{
    LiveSource source;
    source.kind = kind;
    source.name = colour; // the fake session's colour
    source.address = QStringLiteral("rtmp://127.0.0.1/live");
    return MediaFile::create(source);
}

QRgb colourOf(const QImage& image)
{
    return image.isNull() ? 0 : image.pixel(0, 0);
}

class LiveOnAir : public EngineTest {
protected:
    FakeLiveSession& session(std::size_t i) { return *liveSessions.at(i); }
    LiveVideoSink& sink() { return *engine->liveSink(); }

    // Waits until session i has made n deliveries in all and the main
    // thread has handled what they posted.
    void delivered(std::size_t i, int n)
    {
        ASSERT_TRUE(waitUntil([&] { return session(i).delivered >= n; }));
        drainMainQueue();
    }
    void reported(std::size_t i, int n)
    {
        ASSERT_TRUE(waitUntil([&] { return session(i).reported >= n; }));
        drainMainQueue();
    }
};

TEST_F(LiveOnAir, ALiveTakeEmptiesThePlayersOpensOneSessionAndShowsLive)
{
    makeEngine(TransitionStyle::cut);
    auto a = file("a");
    auto cued = file("cued");
    auto live = liveItem(QStringLiteral("red"));
    auto block = blockOf({ a, live, cued });
    engine->play(block);
    run(3.0);
    engine->cue(cued, block);

    engine->play(live, block);
    ASSERT_EQ(liveSessions.size(), 1u);
    EXPECT_EQ(session(0).startCalls, 1);
    EXPECT_TRUE(onAir(live));
    EXPECT_EQ(engine->currentBlockID(), block->id());
    EXPECT_TRUE(engine->isLiveOnAir());
    EXPECT_TRUE(engine->isPlaying());
    EXPECT_FALSE(engine->canSeek());
    EXPECT_EQ(engine->liveStatus(), LiveStatus::connecting());
    EXPECT_EQ(engine->remainingTimecode(), QStringLiteral("LIVE"));
    EXPECT_EQ(engine->progress(), 0.0);
    EXPECT_EQ(engine->windowDuration(), 0.0);
    EXPECT_EQ(playerA().currentItem(), nullptr);
    EXPECT_EQ(playerB().currentItem(), nullptr);
    EXPECT_EQ(engine->mix().current(), 0.0);
    EXPECT_EQ(engine->cuedItem(), cued) << "a cued file stays cued";
    EXPECT_EQ(engine->fade().current(), 1.0);

    session(0).deliver(3);
    delivered(0, 3);
    ASSERT_TRUE(waitUntil([&] { return !sink().lastImage().isNull(); }));
    EXPECT_EQ(colourOf(sink().lastImage()), QColor(Qt::red).rgb());
}

TEST_F(LiveOnAir, TheLiveClockCountsTheTimeOnAirEveryQuarterSecond)
{
    makeEngine(TransitionStyle::cut);
    auto a = file("a");
    auto live = liveItem(QStringLiteral("red"));
    auto block = blockOf({ a, live });
    engine->play(block);
    run(5.0);
    ASSERT_EQ(engine->currentTimecode(), QStringLiteral("00:00:05"));

    engine->play(live, block);
    QSignalSpy ticks(engine.get(), &PlaylistEngine::currentTimecodeChanged);
    clock.advance(0.24);
    EXPECT_EQ(ticks.count(), 0);
    clock.advance(0.01);
    EXPECT_EQ(ticks.count(), 1);
    EXPECT_EQ(engine->currentTimecode(), QStringLiteral("00:00:00"));
    clock.advance(0.75);
    EXPECT_EQ(ticks.count(), 4);
    EXPECT_EQ(engine->currentTimecode(), QStringLiteral("00:00:01"));
    run(61.0);
    EXPECT_EQ(engine->currentTimecode(), QStringLiteral("00:01:02"));
    EXPECT_EQ(engine->remainingTimecode(), QStringLiteral("LIVE"));
}

TEST_F(LiveOnAir, StatusesReachThePublishedStateAndAFailureKeepsTheItemOnAir)
{
    makeEngine(TransitionStyle::cut);
    auto live = liveItem(QStringLiteral("red"));
    auto block = blockOf({ live });
    engine->play(block);
    QSignalSpy changes(engine.get(), &PlaylistEngine::liveStatusChanged);

    session(0).report(LiveStatus::live());
    reported(0, 1);
    EXPECT_EQ(engine->liveStatus(), LiveStatus::live());
    session(0).report(LiveStatus::failed(QStringLiteral("Connessione persa")));
    reported(0, 2);
    EXPECT_EQ(engine->liveStatus(), LiveStatus::failed(QStringLiteral("Connessione persa")));
    EXPECT_EQ(changes.count(), 2);
    EXPECT_TRUE(engine->isLiveOnAir());
    EXPECT_TRUE(onAir(live));
    EXPECT_EQ(session(0).stopCalls, 0);
}

// The kind that cannot open fails inside start(): connecting when the take
// returns, failed from the next turn of the main queue, still on air.
TEST_F(LiveOnAir, AnNdiSourceFailsOnTheNextTurnAndStaysOnAirBlack)
{
    makeEngine(TransitionStyle::cut);
    engine->setLiveSessionMaker([](const LiveSource& source) { return LiveSessionFactory::make(source); });
    auto live = liveItem(QStringLiteral("red"), LiveSourceKind::ndi);
    engine->play(blockOf({ live }));
    EXPECT_EQ(engine->liveStatus(), LiveStatus::connecting());
    drainMainQueue();
    EXPECT_TRUE(engine->liveStatus().isFailed());
    EXPECT_FALSE(engine->liveStatus().message().isEmpty());
    EXPECT_TRUE(engine->isLiveOnAir());
    EXPECT_TRUE(sink().latest().isNull());
}

TEST_F(LiveOnAir, TakingAnotherSourceShowsOnlyItsFramesBlackUntilTheFirst)
{
    makeEngine(TransitionStyle::cut);
    auto first = liveItem(QStringLiteral("red"));
    auto second = liveItem(QStringLiteral("blue"));
    auto block = blockOf({ first, second });
    int firstStopsWhenSecondMade = -1;
    engine->setLiveSessionMaker([&](const LiveSource& source) {
        if (!liveSessions.empty())
            firstStopsWhenSecondMade = liveSessions[0]->stopCalls;
        auto made = std::make_shared<FakeLiveSession>(QColor(source.name));
        liveSessions.push_back(made);
        return made;
    });
    engine->play(block);
    session(0).report(LiveStatus::live());
    session(0).deliver(5);
    delivered(0, 5);
    reported(0, 1);
    ASSERT_EQ(colourOf(sink().latest()), QColor(Qt::red).rgb());

    std::vector<LiveStatus> statuses;
    std::vector<bool> onAirFlags;
    QObject::connect(engine.get(), &PlaylistEngine::liveStatusChanged, [&] { statuses.push_back(engine->liveStatus()); });
    QObject::connect(engine.get(), &PlaylistEngine::isLiveOnAirChanged, [&] { onAirFlags.push_back(engine->isLiveOnAir()); });
    engine->playNext();
    ASSERT_EQ(liveSessions.size(), 2u);
    EXPECT_EQ(firstStopsWhenSecondMade, 1) << "the old session stops before the new one is made";
    EXPECT_EQ(statuses, (std::vector<LiveStatus> { LiveStatus::idle(), LiveStatus::connecting() }));
    EXPECT_EQ(onAirFlags, (std::vector<bool> { false, true }));
    EXPECT_TRUE(onAir(second));

    // The old session goes on delivering frames, sound and a status.
    session(0).deliver(30);
    session(0).report(LiveStatus::failed(QStringLiteral("tardi")));
    delivered(0, 35);
    reported(0, 2);
    EXPECT_TRUE(sink().latest().isNull()) << "black until the new source's first frame";
    EXPECT_TRUE(sink().lastImage().isNull());
    EXPECT_EQ(engine->liveStatus(), LiveStatus::connecting());

    session(1).deliver(1);
    delivered(1, 1);
    session(0).deliver(30);
    delivered(0, 65);
    EXPECT_EQ(colourOf(sink().latest()), QColor(Qt::blue).rgb());
    EXPECT_EQ(colourOf(sink().lastImage()), QColor(Qt::blue).rgb());
}

TEST_F(LiveOnAir, PauseEndsTheSessionAndPlayOpensANewOneForTheSameSource)
{
    makeEngine(TransitionStyle::cut);
    auto live = liveItem(QStringLiteral("red"));
    auto block = blockOf({ live });
    engine->play(block);
    session(0).deliver(2);
    delivered(0, 2);
    run(2.0);

    engine->togglePlayPause();
    EXPECT_EQ(session(0).stopCalls, 1);
    EXPECT_FALSE(engine->isLiveOnAir());
    EXPECT_FALSE(engine->isPlaying());
    EXPECT_EQ(engine->liveStatus(), LiveStatus::idle());
    EXPECT_EQ(engine->remainingTimecode(), QStringLiteral("00:00:00"));
    EXPECT_TRUE(onAir(live)) << "the identities stay for the next play";
    session(0).deliver(20);
    session(0).report(LiveStatus::live());
    delivered(0, 22);
    reported(0, 1);
    run(1.0);
    EXPECT_TRUE(sink().latest().isNull());
    EXPECT_TRUE(sink().lastImage().isNull());
    EXPECT_EQ(engine->liveStatus(), LiveStatus::idle());
    EXPECT_EQ(engine->currentTimecode(), QStringLiteral("00:00:00")) << "the live clock stopped";

    engine->togglePlayPause();
    ASSERT_EQ(liveSessions.size(), 2u);
    EXPECT_EQ(session(1).startCalls, 1);
    EXPECT_TRUE(engine->isLiveOnAir());
    EXPECT_EQ(engine->liveStatus(), LiveStatus::connecting());
    EXPECT_EQ(liveSessions[1]->stopCalls, 0);
}

// The program audio bus holds the live sound after its gain, in the order
// the live audio player handled it; a later session's sound arriving there
// proves that everything handed over before it has arrived too.
TEST_F(LiveOnAir, LiveSoundReachesTheMeterAndTheBusFollowsMuteAndStopsAtTheEnd)
{
    makeEngine(TransitionStyle::cut);
    engine->setLiveSessionMaker([&](const LiveSource& source) {
        auto made = std::make_shared<FakeLiveSession>(QColor(source.name), liveSessions.empty() ? 0.25f : 0.5f);
        liveSessions.push_back(made);
        return made;
    });
    auto bus = engine->programAudio();
    bus->setEnabled(true);
    auto busSamples = [&] { return bus->queued(ProgramAudioBus::kLiveSource); };
    constexpr std::size_t kPerDelivery = FakeLiveSession::kBufferFrames * 2;
    float loudest = 0.0f;
    QObject::connect(engine->levelMeter().get(), &AudioLevelTap::leftChanged,
        [&] { loudest = std::max(loudest, engine->levelMeter()->left()); });
    auto live = liveItem(QStringLiteral("red"));
    auto other = liveItem(QStringLiteral("blue"));
    auto block = blockOf({ live, other });
    engine->play(block);
    session(0).deliver(4);
    ASSERT_TRUE(waitUntil([&] {
        engine->levelMeter()->publish(); // as the fade clock does
        return loudest > 0.2f && busSamples().size() == 4 * kPerDelivery;
    }));
    EXPECT_NEAR(loudest, 0.25f, 1e-4);
    EXPECT_NEAR(busSamples().back(), 0.25f, 1e-6);

    // Muting the item on air silences the live sound from the next turn of
    // the main queue (the engine takes the change from there); the picture
    // goes on.
    live->setIsMuted(true);
    drainMainQueue();
    session(0).deliver(4);
    ASSERT_TRUE(waitUntil([&] { return busSamples().size() >= 8 * kPerDelivery; }));
    const auto muted = busSamples();
    EXPECT_TRUE(std::all_of(muted.begin() + 4 * kPerDelivery, muted.end(), [](float v) { return v == 0.0f; }));
    EXPECT_EQ(colourOf(sink().latest()), QColor(Qt::red).rgb());

    live->setIsMuted(false);
    engine->stop();
    EXPECT_TRUE(sink().latest().isNull());
    session(0).deliver(20);
    delivered(0, 28);

    engine->play(other, block);
    session(1).deliver(1);
    ASSERT_TRUE(waitUntil([&] { return !busSamples().empty() && busSamples().back() == 0.5f; }));
    // A pause between deliveries may have left silence on the bus, but the
    // sound is only the first four deliveries' and the new session's.
    const auto after = busSamples();
    EXPECT_EQ(std::count(after.begin(), after.end(), 0.25f), std::ptrdiff_t(4 * kPerDelivery))
        << "sound of a stopped session reached the program";
    EXPECT_EQ(std::count(after.begin(), after.end(), 0.5f), std::ptrdiff_t(kPerDelivery));
    EXPECT_EQ(colourOf(sink().latest()), QColor(Qt::blue).rgb());
}

// Fade style: a live item taken from idle fades in from black on the host
// clock, and its sound fades with the picture; taking a file from it fades
// through black, the session running until the program is black.
TEST_F(LiveOnAir, WithTheFadeStyleLiveFadesInWithItsSoundAndFadesOutBeforeTheNextTake)
{
    makeEngine(TransitionStyle::fade, 2.0);
    auto bus = engine->programAudio();
    bus->setEnabled(true);
    // The newest sample once the next delivery is in (each differs from
    // the one before; a pause between deliveries may leave silence before a
    // delivery, never after it).
    float newest = -1.0f;
    auto lastOnBus = [&] {
        waitUntil([&] {
            const std::vector<float> samples = bus->queued(ProgramAudioBus::kLiveSource);
            if (samples.empty() || samples.back() == newest)
                return false;
            newest = samples.back();
            return true;
        });
        return newest;
    };
    auto live = liveItem(QStringLiteral("red"));
    auto a = file("a");
    auto block = blockOf({ live, a });
    engine->play(live, block);
    EXPECT_EQ(engine->fade().current(), 0.0);
    session(0).deliver(1);
    EXPECT_EQ(lastOnBus(), 0.0f);

    run(1.0);
    EXPECT_NEAR(engine->fade().current(), 0.5, 0.01);
    session(0).deliver(1);
    EXPECT_NEAR(lastOnBus(), 0.125f, 0.003);
    run(1.1);
    EXPECT_EQ(engine->fade().current(), 1.0);
    session(0).deliver(1);
    EXPECT_NEAR(lastOnBus(), 0.25f, 1e-6);

    engine->play(a, block);
    run(0.5);
    EXPECT_TRUE(engine->isLiveOnAir()) << "live stays on air while the program goes to black";
    EXPECT_EQ(session(0).stopCalls, 0);
    EXPECT_NEAR(engine->fade().current(), 0.5, 0.02);
    run(0.55);
    EXPECT_FALSE(engine->isLiveOnAir());
    EXPECT_EQ(session(0).stopCalls, 1);
    EXPECT_TRUE(onAir(a));
    EXPECT_TRUE(sink().latest().isNull());
}

// The engine going away stops the session on air, and what the session
// still delivers goes nowhere.
TEST_F(LiveOnAir, DestroyingTheEngineStopsTheSessionOnAir)
{
    makeEngine(TransitionStyle::cut);
    engine->play(blockOf({ liveItem(QStringLiteral("red")) }));
    auto sink = engine->liveSink();
    engine.reset();
    EXPECT_EQ(session(0).stopCalls, 1);
    session(0).deliver(5);
    session(0).report(LiveStatus::live());
    delivered(0, 5);
    reported(0, 1);
    EXPECT_TRUE(sink->latest().isNull());
}

} // namespace
} // namespace tessarin::test
