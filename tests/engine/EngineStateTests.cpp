// The engine's settings, readouts and near-end warning.
#include "EngineFixture.h"
#include "engine/FollowEngine.h"

#include <cmath>
#include <functional>
#include <limits>

namespace tessarin::test {
namespace {

using EngineSettings = EngineTest;
using Readouts = EngineTest;

TEST_F(EngineSettings, StoredValuesAreReadAtCreationWithDefaultsForNonsense)
{
    makeEngine();
    EXPECT_EQ(engine->transitionStyle(), TransitionStyle::cut);
    EXPECT_EQ(engine->fadeSeconds(), 1.0);
    EXPECT_FALSE(settings->contains(PlaylistEngine::kStyleKey)); // nothing written back at creation

    const struct {
        const char* style;
        const char* fade;
        TransitionStyle expectedStyle;
        double expectedFade;
    } table[] = {
        { "fade", "2.5", TransitionStyle::fade, 2.5 },
        { "Fade", "-2", TransitionStyle::cut, 1.0 },
        { "FADE", "0", TransitionStyle::cut, 1.0 },
        { "cut", "25", TransitionStyle::cut, 25.0 }, // used as stored until next set
        { "fade", "nan", TransitionStyle::fade, 1.0 },
        { "fade", "inf", TransitionStyle::fade, 1.0 },
    };
    for (const auto& row : table) {
        settings->setString(PlaylistEngine::kStyleKey, QString::fromLatin1(row.style));
        settings->setString(PlaylistEngine::kFadeSecondsKey, QString::fromLatin1(row.fade));
        makeEngine();
        EXPECT_EQ(engine->transitionStyle(), row.expectedStyle) << row.style;
        EXPECT_EQ(engine->fadeSeconds(), row.expectedFade) << row.fade;
    }
}

TEST_F(EngineSettings, FadeSecondsIsRoundedClampedAndStored)
{
    makeEngine();
    const struct {
        double set;
        double stored;
    } table[] = { { 0.04, 0.1 }, { 0.26, 0.3 }, { 0.25, 0.3 }, { 12.0, 10.0 }, { 2.0, 2.0 },
        { -1.0, 0.1 }, { std::numeric_limits<double>::infinity(), 10.0 } };
    for (const auto& row : table) {
        engine->setFadeSeconds(row.set);
        EXPECT_DOUBLE_EQ(engine->fadeSeconds(), row.stored) << row.set;
        EXPECT_DOUBLE_EQ(settings->doubleValue(PlaylistEngine::kFadeSecondsKey).value_or(-1), row.stored);
    }
}

TEST_F(EngineSettings, AFadeTimeThatIsNotANumberBecomesTheDefaultInsteadOfLoopingForEver)
{
    makeEngine();
    int announcements = 0;
    QObject::connect(engine.get(), &PlaylistEngine::fadeSecondsChanged, [&] { ++announcements; });
    engine->setFadeSeconds(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(engine->fadeSeconds(), 1.0);
    EXPECT_LE(announcements, 2);
    EXPECT_EQ(settings->doubleValue(PlaylistEngine::kFadeSecondsKey).value_or(-1), 1.0);
}

TEST_F(EngineSettings, SwitchingToCutEndsFadesAndCrossfadesAtOnce)
{
    makeEngine(TransitionStyle::fade, 2.0);
    EXPECT_EQ(settings->stringValue(PlaylistEngine::kStyleKey).value_or(QString()), QStringLiteral("fade"));
    auto a = file("a");
    auto b = file("b");
    auto block = blockOf({ a, b });
    engine->play(block);
    run(5.0);
    engine->playNext(); // crossfade into player B
    run(0.5);
    ASSERT_GT(engine->mix().current(), 0.0);
    ASSERT_LT(engine->mix().current(), 1.0);
    engine->setTransitionStyle(TransitionStyle::cut);
    EXPECT_EQ(settings->stringValue(PlaylistEngine::kStyleKey).value_or(QString()), QStringLiteral("cut"));
    EXPECT_EQ(engine->mix().current(), 1.0);
    EXPECT_EQ(engine->fade().current(), 1.0);
    EXPECT_EQ(playerA().currentItem(), nullptr); // the outgoing player is emptied
    EXPECT_TRUE(onAir(b));
}

// A take sets the item, the block and the running state, some of them more
// than once: a view following them hears of it once, when the take is done,
// and reads the state it ends in.
TEST_F(EngineSettings, ATakeIsAnnouncedOnceWithTheStateItEndsIn)
{
    makeEngine();
    auto a = file("a", 60.0);
    auto b = file("b", 60.0);
    auto block = blockOf({ a, b });
    int changes = 0;
    QObject::connect(engine.get(), &PlaylistEngine::changed, [&] { ++changes; });
    std::vector<std::pair<QUuid, bool>> seen;
    QObject view;
    followEngine(*engine, &view, { &PlaylistEngine::currentItemIDChanged, &PlaylistEngine::isPlayingChanged },
        [&] { seen.emplace_back(engine->currentItemID().value_or(QUuid()), engine->isPlaying()); });

    engine->play(a, block);
    EXPECT_EQ(changes, 1);
    engine->play(b, block);
    EXPECT_EQ(changes, 2);
    engine->stop();
    EXPECT_EQ(changes, 3);
    const std::vector<std::pair<QUuid, bool>> expected { { a->id(), true }, { b->id(), true }, { QUuid(), false } };
    EXPECT_EQ(seen, expected);

    // Outside an operation a setter is announced at once, and a view that
    // follows other properties is not refreshed by it.
    engine->setFadeSeconds(2.0);
    EXPECT_EQ(changes, 4);
    EXPECT_EQ(seen.size(), expected.size());
}

TEST_F(Readouts, FollowTheActivePlayerInsideTheWindow)
{
    makeEngine();
    auto a = file("a", 60.0, 10.0, 40.0);
    engine->play(blockOf({ a }));
    run(5.0);
    EXPECT_EQ(engine->windowDuration(), 30.0);
    EXPECT_EQ(engine->currentTimecode(), QStringLiteral("00:00:05"));
    EXPECT_EQ(engine->remainingTimecode(), QStringLiteral("-00:00:25"));
    EXPECT_NEAR(engine->progress(), 5.0 / 30.0, 1e-9);
}

TEST_F(Readouts, NoWindowWhenTheInPointIsNotBeforeTheOutPoint)
{
    makeEngine();
    auto a = file("a", 60.0, 20.0, 20.0);
    engine->play(blockOf({ a }));
    run(1.0);
    EXPECT_EQ(engine->currentTimecode(), QStringLiteral("00:00:00"));
    EXPECT_EQ(engine->remainingTimecode(), QStringLiteral("00:00:00"));
    EXPECT_EQ(engine->progress(), 0.0);
    const int seeksBefore = static_cast<int>(playerA().seeks.size());
    engine->seek(0.5, true);
    EXPECT_EQ(static_cast<int>(playerA().seeks.size()), seeksBefore);
}

TEST_F(Readouts, NearEndWarningTurnsOnAtTenSecondsLeftAndBlinks)
{
    makeEngine();
    auto a = file("a", 30.0);
    engine->play(blockOf({ a }));
    run(19.5); // 10.5 s left at the last tick
    EXPECT_FALSE(engine->isNearEnd());
    run(0.5); // 10.0 s left
    EXPECT_TRUE(engine->isNearEnd());
    EXPECT_FALSE(engine->nearEndBlinkOn());
    run(0.5);
    EXPECT_TRUE(engine->nearEndBlinkOn());
    run(0.5);
    EXPECT_FALSE(engine->nearEndBlinkOn());
    engine->togglePlayPause(); // pause
    EXPECT_FALSE(engine->isNearEnd());
    EXPECT_FALSE(engine->nearEndBlinkOn());
    run(2.0);
    EXPECT_FALSE(engine->nearEndBlinkOn());
}

TEST_F(Readouts, AShortItemWarnsFromItsFirstTickAndTheEndReadsMinusZero)
{
    makeEngine();
    auto a = file("a", 4.0);
    engine->play(blockOf({ a }));
    run(0.25);
    EXPECT_TRUE(engine->isNearEnd());
    engine->togglePlayPause();
    engine->seek(1.0, true);
    EXPECT_EQ(engine->remainingTimecode(), QStringLiteral("-00:00:00"));
}

TEST_F(Readouts, TheNearEndWarningIsWorkedOutAgainAtEveryChangeOfWhatIsOnAir)
{
    // Each row puts something on air (the warning on or off as it should
    // be for it), changes what is on air, and reads the warning at once and
    // after time has passed: it must belong to what is on air now.
    const auto live = [] {
        LiveSource source;
        source.kind = LiveSourceKind::rtmp;
        source.name = QStringLiteral("blue");
        source.address = QStringLiteral("rtmp://127.0.0.1/live");
        return MediaFile::create(source);
    };
    struct Row {
        const char* name;
        std::function<void()> putOnAir;
        std::function<void()> change;
        bool warningBefore;
        bool warningAfter;
    };
    const Row rows[] = {
        { "a file plays out into a live item",
          [&] { engine->play(blockOf({ file("short", 4.0), live() })); },
          [&] { ASSERT_TRUE(runUntil([&] { return engine->isLiveOnAir(); })); }, true, false },
        { "a live item gives way to a file near its end",
          [&] { engine->play(blockOf({ live(), file("ending", 60.0, 0.0, 5.0) })); },
          [&] { engine->playNext(); }, false, true },
        { "the cued take of a long file",
          [&] {
              auto block = blockOf({ file("short", 4.0), file("long") });
              engine->play(block);
              engine->cue(block->items().at(1), block);
          },
          [&] { engine->takeCued(); }, true, false },
        { "the schedule starts its event",
          [&] { engine->play(blockOf({ file("short", 4.0) })); },
          [&] {
              auto hidden = std::make_shared<MediaBlock>(QStringLiteral("Evento"), QUuid::createUuid());
              hidden->setItems({ file("event") });
              engine->setScheduleBlocks({ hidden });
              engine->play(hidden);
          },
          true, false },
        { "a stop", [&] { engine->play(blockOf({ file("short", 4.0) })); }, [&] { engine->stop(); }, true, false },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        makeEngine();
        row.putOnAir();
        run(0.5);
        ASSERT_EQ(engine->isNearEnd(), row.warningBefore);
        row.change();
        EXPECT_EQ(engine->isNearEnd(), row.warningAfter);
        run(2.0);
        EXPECT_EQ(engine->isNearEnd(), row.warningAfter);
        if (!row.warningAfter)
            EXPECT_FALSE(engine->nearEndBlinkOn());
    }
}

} // namespace
} // namespace tessarin::test
