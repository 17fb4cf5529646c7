// The schedule driving the real playback engine on fake players, with every
// timer (the schedule's tick, the fade clock, the players' ends) on one
// hand-driven clock.
#include "automation/ScheduleController.h"
#include "support/FakeEngine.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <initializer_list>

using namespace tessarin;

namespace {

// 2024-05-10 20:00:00 in Rome (18:00 UTC).
constexpr double eightPM = 1715364000.0;

class ScheduleAutomationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        engine = test::engineOnFakes(clock, settings, media, players);
        schedule = std::make_unique<ScheduleController>(engine.get(), settings, clock,
                                                        [] { return *ScheduleCalendar::named("Europe/Rome"); });
    }

    void TearDown() override
    {
        schedule.reset();
        engine.reset();
    }

    // A file item whose media lasts seconds (its out-point says so too, so
    // the block's planned length is known at once).
    std::shared_ptr<MediaFile> file(const QString& name, double seconds)
    {
        return test::fakeFile(*media, name, seconds);
    }

    std::shared_ptr<MediaFile> live(const QString& name)
    {
        LiveSource source;
        source.id = QUuid::createUuid();
        source.kind = LiveSourceKind::rtmp;
        source.name = name;
        source.address = QStringLiteral("rtmp://127.0.0.1/") + name;
        return MediaFile::create(source);
    }

    // A playlist block of the engine.
    std::shared_ptr<MediaBlock> block(const QString& name, std::initializer_list<std::shared_ptr<MediaFile>> items)
    {
        return test::appendBlock(*engine, name, items);
    }

    static ScheduleEvent event(ScheduleEvent::Start start, const std::shared_ptr<MediaBlock>& b, double date = 0)
    {
        ScheduleEvent e;
        e.id = QUuid::createUuid();
        e.blockID = b ? std::optional<QUuid>(b->id()) : std::nullopt;
        e.start = start;
        e.date = date;
        return e;
    }

    static ScheduleEvent fixed(const std::shared_ptr<MediaBlock>& b, double date) { return event(ScheduleEvent::Start::fixed, b, date); }
    static ScheduleEvent follow(const std::shared_ptr<MediaBlock>& b) { return event(ScheduleEvent::Start::follow, b); }

    static ScheduleEvent playing(ScheduleEvent::Start start, std::shared_ptr<MediaFile> item, double date = 0)
    {
        ScheduleEvent e = event(start, nullptr, date);
        e.media = std::move(item);
        return e;
    }

    // Sets the calendar time. The schedule ticks every tenth of a second of
    // host time from its creation, and every run() below lasts whole tenths,
    // so after at(w) the ticks fall on w - 0.05 + 0.1 k: never on the whole
    // seconds the events start at, so no start sits on a rounding edge.
    void at(double wall) { clock.setWallNow(wall - 0.05); }

    // Lets time pass in tenths of a second (one schedule tick each), running
    // the main queue between steps as the event loop would.
    void run(double seconds)
    {
        test::runInTenths(clock, seconds);
    }

    bool onAir(const std::shared_ptr<MediaBlock>& b) const
    {
        return engine->isPlaying() && engine->currentBlockID() == b->id();
    }
    bool onAir(const std::shared_ptr<MediaFile>& item) const
    {
        return engine->isPlaying() && engine->currentItemID() == item->id();
    }

    test::ManualClock clock{1000.0, eightPM - 3600};
    QTemporaryDir dir;
    Settings settings{dir.filePath("settings.ini")};
    std::shared_ptr<test::FakeMedia> media = std::make_shared<test::FakeMedia>();
    test::FakePlayers players;
    std::unique_ptr<PlaylistEngine> engine;
    std::unique_ptr<ScheduleController> schedule;
};

} // namespace

TEST_F(ScheduleAutomationTest, FixedStartWithinTheToleranceGoesOnAirOnceWithItsOccurrenceAsMarker)
{
    auto news = block("News", {file("news", 600)});
    const auto e = fixed(news, eightPM);
    schedule->load({e}, false);
    at(eightPM - 30);
    schedule->setArmed(true);

    run(29.5);
    EXPECT_FALSE(engine->isPlaying());
    run(1.0);
    EXPECT_TRUE(onAir(news));
    EXPECT_EQ(schedule->started().at(e.id), eightPM);
    EXPECT_EQ(schedule->runningEventID(), e.id);
    EXPECT_TRUE(schedule->isRunning(e));

    // The operator stops; the occurrence is not launched a second time.
    engine->stop();
    run(5);
    EXPECT_FALSE(engine->isPlaying());
    EXPECT_FALSE(schedule->isRunning(e));

    // Removing the running event forgets it; the block on air plays on.
    engine->play(news);
    schedule->remove(e);
    EXPECT_FALSE(schedule->runningEventID());
    EXPECT_TRUE(onAir(news));
}

TEST_F(ScheduleAutomationTest, AStartFoundTooLateIsMarkedAndNeverLaunched)
{
    auto early = block("Early", {file("early", 600)});
    auto late = block("Late", {file("late", 600)});
    const auto onTime = fixed(early, eightPM);
    const auto tooLate = fixed(late, eightPM + 60);
    schedule->load({onTime, tooLate}, false);
    at(eightPM - 1);
    schedule->setArmed(true);

    // The main thread was held up: the first tick after 20:00 comes 9.5 s late.
    at(eightPM + 9.5);
    run(0.1);
    EXPECT_TRUE(onAir(early));

    // And 20:01 is seen only 10.6 s late: marked, not launched, no notice.
    at(eightPM + 60 + 10.6);
    run(0.1);
    EXPECT_TRUE(onAir(early));
    EXPECT_EQ(schedule->handled().at(tooLate.id), eightPM + 60);
    EXPECT_EQ(schedule->started().count(tooLate.id), 0u);
    EXPECT_FALSE(schedule->notice());
    run(60);
    EXPECT_TRUE(onAir(early));
}

TEST_F(ScheduleAutomationTest, TheFirstItemIsCuedAheadByThePreparationTime)
{
    auto intro = file("intro", 120);
    auto show = block("Show", {intro, file("part2", 120)});
    auto e = fixed(show, eightPM);
    e.repeats = ScheduleEvent::Repeat::daily;
    schedule->load({e}, false);
    at(eightPM - 15);
    schedule->setArmed(true);

    run(4.8);
    EXPECT_FALSE(engine->cuedItem());
    run(0.4); // 10 s ahead
    ASSERT_TRUE(engine->cuedItem());
    EXPECT_EQ(engine->cuedItem()->id(), intro->id());
    EXPECT_EQ(engine->cuedBlock(), show);
    EXPECT_EQ(schedule->prepared().at(e.id), eightPM);

    // Cleared by the operator: that occurrence is not cued again.
    engine->clearCue();
    run(5);
    EXPECT_FALSE(engine->cuedItem());

    // At the start the block goes on air (taking the cue with it).
    run(5.5);
    EXPECT_TRUE(onAir(intro));
    EXPECT_FALSE(engine->cuedItem());

    // While the block is on air, the next day's start (moved to 20:01 today
    // by an edit) is not cued; once it is off air, it is.
    engine->stop();
    e.date = eightPM + 60 - 86400;
    schedule->update(e);
    engine->play(show);
    run(55);
    EXPECT_FALSE(engine->cuedItem());
    engine->stop();
    run(0.2);
    ASSERT_TRUE(engine->cuedItem());
    EXPECT_EQ(schedule->prepared().at(e.id), eightPM + 60);
}

TEST_F(ScheduleAutomationTest, NothingIsCuedOverTheOperatorOrForALiveFirstItemOrWithoutPreparation)
{
    auto mine = file("mine", 60);
    auto operatorBlock = block("Operator", {mine});
    auto camera = block("Camera", {live("camera"), file("after", 60)});
    auto film = block("Film", {file("film", 60)});
    const auto liveEvent = fixed(camera, eightPM);
    const auto filmEvent = fixed(film, eightPM + 30);
    schedule->load({liveEvent, filmEvent}, false);
    at(eightPM - 12);
    schedule->setArmed(true);

    run(3);
    EXPECT_FALSE(engine->cuedItem()); // live items are never cued ahead
    EXPECT_EQ(schedule->prepared().count(liveEvent.id), 0u);

    engine->cue(mine, operatorBlock);
    at(eightPM + 25);
    run(1);
    EXPECT_EQ(engine->cuedItem(), mine); // the operator's cue stays
    EXPECT_EQ(schedule->prepared().count(filmEvent.id), 0u);

    schedule->setPrepSeconds(0);
    engine->clearCue();
    run(1);
    EXPECT_FALSE(engine->cuedItem());
}

TEST_F(ScheduleAutomationTest, ADurationEndsTheBlockAndTheBlocksOwnEndBehaviourApplies)
{
    auto movie = block("Movie", {file("movie", 3600)});
    auto next = block("Next", {file("next", 60)});
    movie->setEndBehavior(BlockEndBehavior::cueNextBlock);
    auto e = fixed(movie, eightPM);
    e.duration = 60;
    schedule->load({e}, false);
    at(eightPM - 1);
    schedule->setArmed(true);

    run(1.2);
    ASSERT_TRUE(onAir(movie));
    run(59.8);
    EXPECT_TRUE(onAir(movie));
    run(0.4);
    EXPECT_FALSE(engine->isPlaying());
    ASSERT_TRUE(engine->cuedItem());
    EXPECT_EQ(engine->cuedBlock(), next);
    EXPECT_FALSE(schedule->runningEventID());
}

TEST_F(ScheduleAutomationTest, ADeadlineForgetsAnEventWhoseBlockTheOperatorReplaced)
{
    auto movie = block("Movie", {file("movie", 3600)});
    auto other = block("Other", {file("other", 3600)});
    auto e = fixed(movie, eightPM);
    e.duration = 30;
    schedule->load({e}, false);
    at(eightPM - 0.5);
    schedule->setArmed(true);
    run(1);
    ASSERT_TRUE(onAir(movie));

    engine->play(other);
    run(40);
    EXPECT_TRUE(onAir(other));
    EXPECT_FALSE(schedule->runningEventID());
}

TEST_F(ScheduleAutomationTest, FollowEventsChainThroughTheBlockEndHook)
{
    auto opening = block("Opening", {file("opening1", 20), file("opening2", 20)});
    auto skipped = block("Skipped", {file("skipped", 20)});
    auto second = file("second", 30);
    auto closing = block("Closing", {file("closing", 20)});
    auto after = block("After", {file("after", 20)});
    closing->setEndBehavior(BlockEndBehavior::cueNextBlock);

    auto disabled = follow(skipped);
    disabled.isEnabled = false;
    auto withMedia = playing(ScheduleEvent::Start::follow, second);
    withMedia.duration = 10; // cut short by its duration
    const auto first = fixed(opening, eightPM);
    const auto last = follow(closing);
    const auto manual = event(ScheduleEvent::Start::manual, after);
    schedule->load({first, disabled, withMedia, last, manual}, false);
    at(eightPM - 1);
    schedule->setArmed(true);

    run(1.2);
    ASSERT_TRUE(onAir(opening));
    run(40);
    // The disabled event is passed over; the file plays through its hidden block.
    ASSERT_TRUE(onAir(second));
    EXPECT_EQ(engine->currentBlock(), schedule->block(withMedia));
    EXPECT_EQ(schedule->title(withMedia), "second");
    EXPECT_TRUE(schedule->isRunning(withMedia));
    EXPECT_EQ(schedule->started().count(disabled.id), 0u);

    run(10.2);
    ASSERT_TRUE(onAir(closing));
    EXPECT_EQ(schedule->runningEventID(), last.id);

    // A manual event stops the chain: the block's end behaviour applies.
    run(20.2);
    EXPECT_FALSE(engine->isPlaying());
    EXPECT_EQ(engine->cuedBlock(), after);
    EXPECT_FALSE(schedule->runningEventID());
    EXPECT_EQ(schedule->started().size(), 3u);
}

TEST_F(ScheduleAutomationTest, TheLoopStartsAgainAtTheTopAndKeepsOnlyThePassInStarted)
{
    auto a = block("A", {file("a", 10)});
    auto b = block("B", {file("b", 10)});
    const auto top = event(ScheduleEvent::Start::manual, a);
    const auto next = follow(b);
    schedule->load({top, next}, true);
    schedule->setArmed(true);
    ASSERT_TRUE(schedule->launch(top, schedule->now()));

    run(10.1);
    ASSERT_TRUE(onAir(b));
    EXPECT_EQ(schedule->started().size(), 2u);
    run(10.1);
    ASSERT_TRUE(onAir(a)); // the manual event at the top is launched by the loop
    EXPECT_EQ(schedule->started().size(), 1u);
    EXPECT_EQ(schedule->started().count(top.id), 1u);

    // The top's block is deleted: notice, started put back, the program stops.
    run(10.1);
    ASSERT_TRUE(onAir(b));
    const auto before = schedule->started();
    engine->setBlocks({b});
    run(10.1);
    EXPECT_FALSE(engine->isPlaying());
    EXPECT_EQ(schedule->notice(), "Un evento del palinsesto punta a un blocco che non esiste più.");
    EXPECT_EQ(schedule->started(), before);
}

TEST_F(ScheduleAutomationTest, ASingleLoopingEventRunsAgainEachTimeItsBlockEnds)
{
    auto jingle = file("jingle", 5);
    const auto e = playing(ScheduleEvent::Start::fixed, jingle, eightPM);
    schedule->load({e}, true);
    at(eightPM - 1);
    schedule->setArmed(true);

    int starts = 0;
    QObject::connect(engine.get(), &PlaylistEngine::currentItemIDChanged, [&] {
        if (engine->currentItemID() == jingle->id())
            ++starts;
    });
    run(1 + 5 * 4 + 0.5);
    EXPECT_TRUE(onAir(jingle));
    EXPECT_GE(starts, 5);
    EXPECT_EQ(schedule->runningEventID(), e.id);
}

TEST_F(ScheduleAutomationTest, TheHookReentersTheEngineFromTheEndOfAnItemAndFromTheTick)
{
    // The end of the last item runs the hook inside the engine's end-of-item
    // handling; the hook takes the next block to air from there.
    auto first = file("first", 10);
    auto a = block("A", {first});
    auto b = block("B", {file("b1", 600)});
    auto c = block("C", {file("c1", 600)});
    auto eA = event(ScheduleEvent::Start::manual, a);
    auto eB = follow(b);
    eB.duration = 5; // ended by the tick, through endBlockNow and the hook
    const auto eC = follow(c);
    schedule->load({eA, eB, eC}, false);
    schedule->setArmed(true);
    ASSERT_TRUE(schedule->launch(eA, schedule->now()));

    run(10.1);
    ASSERT_TRUE(onAir(b));
    EXPECT_EQ(schedule->runningEventID(), eB.id);
    run(5.1);
    ASSERT_TRUE(onAir(c));
    EXPECT_EQ(schedule->runningEventID(), eC.id);
    // The program really plays the new block: its item runs in the player on air.
    const double position = engine->playerA()->currentTime();
    run(2);
    EXPECT_NEAR(engine->playerA()->currentTime() - position, 2.0, 0.05);
    EXPECT_TRUE(onAir(c));
}

TEST_F(ScheduleAutomationTest, ALaunchIntoAFadeThroughBlackCountsAndKeepsTheChainGoing)
{
    engine->setTransitionStyle(TransitionStyle::fade);
    engine->setFadeSeconds(2.0);
    auto film = block("Film", {file("film", 600)});
    auto camera = live("Studio");
    auto eFilm = fixed(film, eightPM);
    eFilm.duration = 30;
    auto eCamera = playing(ScheduleEvent::Start::follow, camera);
    eCamera.duration = 60;
    schedule->load({eFilm, eCamera}, false);
    at(eightPM - 1);
    schedule->setArmed(true);
    run(1.2);
    ASSERT_TRUE(onAir(film));

    // The live source comes in through a fade to black: the block on air
    // changes only half a fade later, yet the launch has succeeded and the
    // engine is not told to stop the program.
    run(30);
    EXPECT_EQ(schedule->runningEventID(), eCamera.id);
    EXPECT_EQ(schedule->started().count(eCamera.id), 1u);
    EXPECT_TRUE(engine->isPlaying());
    EXPECT_LT(engine->fade().current(), 1.0);
    EXPECT_FALSE(schedule->notice());
}

TEST_F(ScheduleAutomationTest, HiddenBlocksFollowTheEventsAndShareTheirItems)
{
    auto clip = file("Sigla finale.v2", 30);
    auto camera = live("Regia");
    const auto one = playing(ScheduleEvent::Start::manual, clip);
    const auto two = playing(ScheduleEvent::Start::manual, clip);
    auto three = playing(ScheduleEvent::Start::manual, camera);
    schedule->setEvents({one, two, three});

    ASSERT_EQ(engine->scheduleBlocks().size(), 3u);
    const auto blockOne = schedule->block(one);
    const auto blockThree = schedule->block(three);
    ASSERT_TRUE(blockOne);
    EXPECT_NE(blockOne, schedule->block(two));
    EXPECT_EQ(blockOne->items().front(), clip); // the very item, not a copy
    EXPECT_EQ(blockOne->name(), "Sigla finale.v2"); // the last extension only
    EXPECT_EQ(blockThree->name(), "Regia");
    EXPECT_EQ(schedule->title(three), "Regia");
    EXPECT_TRUE(engine->blocks().empty());

    // Another item for one event: a new block with a new id for it only.
    three.media = file("other", 10);
    schedule->update(three);
    EXPECT_EQ(schedule->block(one), blockOne);
    EXPECT_NE(schedule->block(three)->id(), blockThree->id());
    schedule->remove(one);
    EXPECT_EQ(engine->scheduleBlocks().size(), 2u);
    EXPECT_FALSE(schedule->block(one));

    // A block event whose block was deleted.
    auto gone = block("Gone", {file("gone", 10)});
    const auto orphan = event(ScheduleEvent::Start::manual, gone);
    EXPECT_EQ(schedule->title(orphan), "Gone");
    engine->setBlocks({});
    EXPECT_EQ(schedule->title(orphan), "Blocco mancante");
}

TEST_F(ScheduleAutomationTest, LaunchProblemsSetTheNoticeAndChangeNothingElse)
{
    auto empty = block("Vuoto", {});
    auto good = block("Good", {file("good", 60)});
    const auto eEmpty = event(ScheduleEvent::Start::manual, empty);
    const auto eGood = event(ScheduleEvent::Start::manual, good);
    const auto eMissing = event(ScheduleEvent::Start::manual, nullptr);
    schedule->load({eEmpty, eGood, eMissing}, false);

    ASSERT_TRUE(schedule->launch(eGood, 42));
    EXPECT_FALSE(schedule->launch(eEmpty, 43));
    EXPECT_EQ(schedule->notice(), "Il blocco “Vuoto” è vuoto: non c'è nulla da mandare in onda.");
    EXPECT_EQ(schedule->runningEventID(), eGood.id);
    EXPECT_FALSE(schedule->launch(eMissing, 44));
    EXPECT_EQ(schedule->notice(), "Un evento del palinsesto punta a un blocco che non esiste più.");
    EXPECT_TRUE(onAir(good));
    EXPECT_EQ(schedule->started(), (ScheduleController::Records{{eGood.id, 42.0}}));

    // A vanished engine: launches fail quietly and the tick does nothing.
    schedule->setArmed(true);
    engine.reset();
    players.clear();
    EXPECT_FALSE(schedule->launch(eGood, 45));
    EXPECT_FALSE(schedule->isRunning(eGood));
    EXPECT_EQ(schedule->title(eGood), "Blocco mancante");
    run(1);
}

TEST_F(ScheduleAutomationTest, PlannedStartsWalkTheListWithTheirLengths)
{
    auto news = block("News", {file("n1", 400), file("n2", 200)}); // plans 600 s
    auto open = block("Open", {live("cam"), file("x", 10)});
    const auto eNews = [&] {
        auto e = fixed(news, eightPM);
        e.duration = 300;
        return e;
    }();
    const auto afterNews = follow(news); // planned at 20:05, plans 600 s
    const auto afterThat = follow(open); // at 20:15; a live item ends nothing
    const auto lost = follow(news);
    const auto manual = event(ScheduleEvent::Start::manual, news);
    const auto afterManual = follow(news);
    const auto recent = fixed(news, eightPM - 0.3);
    schedule->load({eNews, afterNews, afterThat, lost, manual, afterManual, recent}, false);

    const auto planned = schedule->plannedStarts(eightPM - 60);
    EXPECT_EQ(planned.at(eNews.id), eightPM);
    EXPECT_EQ(planned.at(afterNews.id), eightPM + 300);
    EXPECT_EQ(planned.at(afterThat.id), eightPM + 900);
    EXPECT_EQ(planned.count(lost.id), 0u);
    EXPECT_EQ(planned.count(manual.id), 0u);
    EXPECT_EQ(planned.count(afterManual.id), 0u);
    EXPECT_EQ(planned.at(recent.id), eightPM - 0.3);
    EXPECT_EQ(schedule->plannedStarts(eightPM).at(recent.id), eightPM - 0.3); // begun 0.3 s ago
}

TEST_F(ScheduleAutomationTest, AWholeEveningRunsInMilliseconds)
{
    // 19:55 news (daily), then three follow events; 21:00 a film cut to an
    // hour and a half; 22:30 a closing jingle that loops back to the top.
    auto news = block("News", {file("headlines", 300), file("weather", 120)});
    auto talk = block("Talk", {file("talk1", 900), file("talk2", 900)});
    auto ads = file("ads", 180);
    auto film = block("Film", {file("film", 7200)});
    auto close = block("Close", {file("close", 60)});

    auto eNews = fixed(news, eightPM - 300 - 86400);
    eNews.repeats = ScheduleEvent::Repeat::daily;
    const auto eTalk = follow(talk);
    const auto eAds = playing(ScheduleEvent::Start::follow, ads);
    auto eFilm = fixed(film, eightPM + 3600);
    eFilm.duration = 5400;
    const auto eClose = fixed(close, eightPM + 9000);
    schedule->load({eNews, eTalk, eAds, eFilm, eClose}, false);

    std::vector<std::pair<QString, double>> aired;
    QObject::connect(engine.get(), &PlaylistEngine::currentBlockIDChanged, [&] {
        const auto b = engine->currentBlock();
        if (b && (aired.empty() || aired.back().first != b->name())) // published on every assignment
            aired.emplace_back(b->name(), clock.wallNow());
    });
    at(eightPM - 600);
    schedule->setArmed(true);
    run(600 + 3 * 3600);

    const std::vector<QString> names = [&] {
        std::vector<QString> list;
        for (const auto& [name, when] : aired)
            list.push_back(name);
        return list;
    }();
    EXPECT_EQ(names, (std::vector<QString>{"News", "Talk", "ads", "Film", "Close"}));
    ASSERT_EQ(aired.size(), 5u);
    EXPECT_NEAR(aired[0].second, eightPM - 300, 0.2);
    EXPECT_NEAR(aired[1].second, eightPM + 120, 0.2);
    EXPECT_NEAR(aired[2].second, eightPM + 1920, 0.2);
    EXPECT_NEAR(aired[3].second, eightPM + 3600, 0.2);
    EXPECT_NEAR(aired[4].second, eightPM + 9000, 0.2);
    EXPECT_EQ(schedule->started().at(eNews.id), eightPM - 300);
    EXPECT_EQ(schedule->started().at(eFilm.id), eightPM + 3600);
    EXPECT_FALSE(engine->isPlaying()); // the close ended on black
}

TEST_F(ScheduleAutomationTest, TheCalendarIsReadOnceAMinuteNotOnEveryTick)
{
    int reads = 0;
    schedule = std::make_unique<ScheduleController>(engine.get(), settings, clock, [&reads] {
        ++reads;
        return *ScheduleCalendar::named("Europe/Rome");
    });
    auto news = block("News", {file("news", 600)});
    auto e = fixed(news, eightPM);
    e.repeats = ScheduleEvent::Repeat::daily;
    schedule->load({e}, false);
    at(eightPM - 30);
    schedule->setArmed(true);
    reads = 0;
    run(29.5); // 295 ticks
    EXPECT_LE(reads, 1);
    EXPECT_FALSE(engine->isPlaying());
    run(1.0); // the start comes: found all the same
    EXPECT_TRUE(onAir(news));
    run(60.0);
    EXPECT_LE(reads, 3);
    // A day later it starts again, also after the clock jumped there.
    engine->stop();
    at(eightPM + 86400 - 5);
    run(6.0);
    EXPECT_TRUE(onAir(news));
    EXPECT_EQ(schedule->started().at(e.id), eightPM + 86400);
}

// Apia skipped Friday 30 December 2011: after 29 December 23:59:59 -10 came
// 31 December 00:00:00 +14. A daily 10:00 and a weekly Friday 11:00 event
// start on no other date and at no other time for it, in the zone that TZ
// gives by name or by file (the latter read by the C library).
TEST_F(ScheduleAutomationTest, ADateTheZoneSkipsStartsNothing)
{
    auto news = block("News", {file("news", 600)});
    auto weekly = block("Weekly", {file("weekly", 600)});
    auto daily = fixed(news, 1325102400.0); // 28 December 2011 10:00 -10
    daily.repeats = ScheduleEvent::Repeat::daily;
    auto fridays = fixed(weekly, 1324674000.0); // Friday 23 December 2011 11:00 -10
    fridays.repeats = ScheduleEvent::Repeat::weekly;
    const double saturdayMidnight = 1325239200.0; // 31 December 00:00 +14
    const double nextFriday = saturdayMidnight + 6 * 86400 + 11 * 3600; // 6 January 2012 11:00 +14
    for (const char* form : {"Pacific/Apia", "/usr/share/zoneinfo/Pacific/Apia"}) {
        SCOPED_TRACE(form);
        const test::ScopedTimeZone tz(form);
        schedule = std::make_unique<ScheduleController>(engine.get(), settings, clock);
        schedule->load({daily, fridays}, false);
        at(saturdayMidnight - 5);
        schedule->setArmed(true);
        run(10);
        EXPECT_FALSE(engine->isPlaying());

        at(saturdayMidnight + 10 * 3600 - 5);
        run(10);
        EXPECT_TRUE(onAir(news));
        EXPECT_EQ(schedule->started().at(daily.id), saturdayMidnight + 10 * 3600);
        EXPECT_EQ(schedule->started().count(fridays.id), 0u);

        engine->stop();
        at(nextFriday - 5);
        run(10);
        EXPECT_TRUE(onAir(weekly));
        EXPECT_EQ(schedule->started().at(fridays.id), nextFriday);
        engine->stop();
    }
}
