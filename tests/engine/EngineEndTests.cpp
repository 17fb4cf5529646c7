// End of item: preloading and the automatic crossfade, item and block loops,
// block end with the schedule's hook.
#include "EngineFixture.h"
#include "engine/StallWatch.h"

namespace tessarin::test {
namespace {

using EndOfItem = EngineTest;
using BlockEnd = EngineTest;

// Records every item that goes on air.
struct AirLog {
    explicit AirLog(PlaylistEngine& engine)
    {
        QObject::connect(&engine, &PlaylistEngine::currentItemIDChanged, [this, &engine] {
            if (engine.currentItemID())
                ids.push_back(*engine.currentItemID());
        });
    }
    std::vector<QUuid> ids;
};

TEST_F(EndOfItem, ABlockOfThreeCutsThroughItsItemsAndStopsOnBlack)
{
    makeEngine(TransitionStyle::cut);
    auto a = file("a", 5.0);
    auto b = file("b", 5.0);
    auto c = file("c", 5.0);
    auto block = blockOf({ a, b, c });
    AirLog log(*engine);
    engine->play(block);
    run(16.0);
    EXPECT_EQ(log.ids, (std::vector<QUuid> { a->id(), b->id(), c->id() }));
    EXPECT_FALSE(engine->isPlaying());
    EXPECT_FALSE(engine->currentItemID().has_value());
    EXPECT_EQ(playerA().currentItem(), nullptr);
}

TEST_F(EndOfItem, TheNextItemIsLoadedThreeSecondsAheadAndCrossfadedIntoAtTheEnd)
{
    makeEngine(TransitionStyle::fade, 2.0);
    auto a = file("a", 60.0, 0.0, 20.0);
    auto b = file("b", 60.0, 4.0, 30.0);
    auto c = file("c", 60.0);
    auto block = blockOf({ a, b, c });
    AirLog log(*engine);
    engine->play(block);
    run(10.0); // 10 s left
    EXPECT_EQ(playerB().currentItem(), nullptr);
    const auto preloadedAfter = runUntil([&] { return playerB().currentItem() != nullptr; });
    ASSERT_TRUE(preloadedAfter);
    EXPECT_NEAR(*preloadedAfter, 5.0, 1.0 / 60.0 + 1e-6); // at 5.0 s left
    EXPECT_EQ(pathOf(playerB()), pathOf(b));
    EXPECT_FALSE(playerB().isPlaying());
    ASSERT_FALSE(playerB().seeks.empty());
    EXPECT_EQ(playerB().seeks.back().first, 4.0);
    EXPECT_EQ(playerB().seeks.back().second, SeekTolerance::Zero);
    const int loadsOfB = playerB().replaceCount;

    const auto crossfadeAfter = runUntil([&] { return onAir(b); });
    ASSERT_TRUE(crossfadeAfter);
    EXPECT_NEAR(*crossfadeAfter, 3.0, 1.0 / 60.0 + 1e-6); // at 2.0 s left
    EXPECT_EQ(playerB().replaceCount, loadsOfB); // the preloaded item is used as it is
    EXPECT_TRUE(playerB().isPlaying());

    run(2.5); // past A's end
    EXPECT_EQ(playerA().currentItem(), nullptr);
    EXPECT_EQ(engine->mix().current(), 1.0);
    EXPECT_EQ(log.ids, (std::vector<QUuid> { a->id(), b->id() })); // A's end did not advance again
}

TEST_F(EndOfItem, NoPreloadOrCrossfadeIntoALiveItem)
{
    makeEngine(TransitionStyle::fade, 2.0);
    auto a = file("a", 10.0);
    LiveSource source;
    auto live = MediaFile::create(source);
    engine->play(blockOf({ a, live }));
    run(9.0);
    EXPECT_EQ(playerB().currentItem(), nullptr);
    EXPECT_NEAR(engine->fade().current(), 0.5, 0.02); // A fades out instead
}

TEST_F(EndOfItem, ALoopingItemRepeatsWithoutAdvancingOrFading)
{
    makeEngine(TransitionStyle::fade, 2.0);
    auto a = file("a", 6.0);
    a->setLoop(true);
    auto b = file("b", 6.0);
    AirLog log(*engine);
    engine->play(blockOf({ a, b }));
    run(3.0);
    run(20.0);
    EXPECT_TRUE(onAir(a));
    EXPECT_EQ(playerB().currentItem(), nullptr); // neither preload nor crossfade
    EXPECT_EQ(engine->fade().current(), 1.0); // loop restarts do not fade in
    EXPECT_GE(playerA().replaceCount, 4);
}

TEST_F(EndOfItem, BlockLoopsCountTheirPasses)
{
    for (const int loopCount : { 3, 1, 0 }) {
        players.clear();
        makeEngine(TransitionStyle::cut);
        auto a = file("a", 2.0);
        auto b = file("b", 2.0);
        auto block = blockOf({ a, b });
        block->setLoop(true);
        block->setLoopCount(loopCount);
        AirLog log(*engine);
        engine->play(block);
        run(30.0);
        if (loopCount > 0) {
            EXPECT_EQ(log.ids.size(), static_cast<std::size_t>(2 * loopCount)) << loopCount;
            EXPECT_FALSE(engine->isPlaying()) << loopCount;
        } else {
            EXPECT_GE(log.ids.size(), 14u);
            EXPECT_TRUE(engine->isPlaying());
        }
    }
}

TEST_F(EndOfItem, AOneItemLoopingBlockCrossfadesIntoItselfCountingPasses)
{
    makeEngine(TransitionStyle::fade, 1.0);
    auto a = file("a", 5.0);
    auto block = blockOf({ a });
    block->setLoop(true);
    block->setLoopCount(3);
    engine->play(block);
    const auto first = runUntil([&] { return playerB().isPlaying(); });
    ASSERT_TRUE(first);
    EXPECT_NEAR(*first, 4.0, 1.0 / 60.0 + 1e-6);
    EXPECT_TRUE(onAir(a));
    ASSERT_TRUE(runUntil([&] { return playerA().isPlaying(); }));
    // Third pass: no further crossfade; the item fades out and the block ends.
    ASSERT_TRUE(runUntil([&] { return !engine->isPlaying(); }, 10.0));
}

TEST_F(EndOfItem, ALoopingItemRemovedFromItsBlockStopsAtItsEnd)
{
    makeEngine(TransitionStyle::cut);
    auto a = file("a", 4.0);
    a->setLoop(true);
    auto b = file("b", 4.0);
    auto block = blockOf({ a, b });
    engine->play(block);
    run(1.0);
    block->removeItem(0);
    run(4.0);
    EXPECT_FALSE(engine->isPlaying());
    EXPECT_EQ(playerA().currentItem(), nullptr);
}

TEST_F(BlockEnd, CueNextBlockStopsAndCuesTheFirstItemOfTheNextBlockWithItems)
{
    makeEngine(TransitionStyle::cut);
    auto a = file("a", 2.0);
    auto first = blockOf({ a });
    first->setEndBehavior(BlockEndBehavior::cueNextBlock);
    auto before = blockOf({ file("x", 2.0) });
    blockOf({});
    auto n = file("n", 30.0, 1.5);
    auto next = blockOf({ n });
    // Order: before, first, (empty), next.
    engine->setBlocks({ before, first, engine->blocks()[2], next });
    engine->play(first);
    run(3.0);
    EXPECT_FALSE(engine->isPlaying());
    EXPECT_EQ(engine->cuedItem(), n);
    EXPECT_EQ(engine->cuedBlock(), next);
    EXPECT_EQ(pathOf(preview()), pathOf(n));
    ASSERT_FALSE(preview().seeks.empty());
    EXPECT_EQ(preview().seeks.back().first, 1.5);
    EXPECT_EQ(preview().seeks.back().second, SeekTolerance::Zero);

    engine->clearCue();
    engine->play(next);
    next->setEndBehavior(BlockEndBehavior::cueNextBlock);
    run(40.0);
    EXPECT_FALSE(engine->isPlaying());
    EXPECT_EQ(engine->cuedItem(), nullptr); // no wrap to the first block
}

TEST_F(BlockEnd, TheHookIsAskedFirstAndMayTakeOver)
{
    makeEngine(TransitionStyle::cut);
    auto a = file("a", 2.0);
    auto block = blockOf({ a });
    block->setEndBehavior(BlockEndBehavior::cueNextBlock);
    auto other = file("other", 30.0);
    auto otherBlock = blockOf({ other });

    std::vector<std::shared_ptr<MediaBlock>> asked;
    engine->setBlockEndHandler([&](const std::shared_ptr<MediaBlock>& ended) {
        asked.push_back(ended);
        return true;
    });
    engine->play(block);
    run(3.0);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0], block);
    EXPECT_TRUE(engine->isPlaying()); // left standing for the schedule
    EXPECT_TRUE(onAir(a));
    EXPECT_EQ(engine->cuedItem(), nullptr);

    // A hook that re-enters the engine and takes another block to air.
    engine->setBlockEndHandler([&](const std::shared_ptr<MediaBlock>&) {
        engine->play(otherBlock);
        return true;
    });
    engine->play(block);
    run(3.0);
    EXPECT_TRUE(onAir(other));
    EXPECT_TRUE(engine->isPlaying());

    // A hook that declines: the block's own behaviour applies.
    engine->setBlockEndHandler([](const std::shared_ptr<MediaBlock>&) { return false; });
    block->setEndBehavior(BlockEndBehavior::pauseBlack);
    engine->play(block);
    run(3.0);
    EXPECT_FALSE(engine->isPlaying());
}

TEST_F(BlockEnd, EndBlockNowStopsAtOnceWithPauseBlack)
{
    makeEngine(TransitionStyle::cut);
    engine->endBlockNow(); // nothing on air: nothing
    auto block = blockOf({ file("a", 30.0), file("b", 30.0) });
    engine->play(block);
    run(5.0);
    engine->endBlockNow();
    EXPECT_FALSE(engine->isPlaying());
    EXPECT_EQ(playerA().currentItem(), nullptr);
}

using Failure = EngineTest;

// The analysis of a new item opens its file in the background; the fake
// files are not on disk, so it marks them all. Waiting for that keeps it from
// landing in the middle of a test.
void waitForAnalysis(std::initializer_list<std::shared_ptr<MediaFile>> items)
{
    ASSERT_TRUE(waitUntil([&] {
        return std::all_of(items.begin(), items.end(), [](const auto& i) { return !i->playbackError().isEmpty(); });
    }));
}

TEST_F(Failure, AnItemThatCannotBePlayedIsSkippedAsAtItsEndAndTheBlockEndsInEitherStyle)
{
    for (const TransitionStyle style : { TransitionStyle::cut, TransitionStyle::fade }) {
        SCOPED_TRACE(style == TransitionStyle::cut ? "cut" : "fade");
        players.clear();
        makeEngine(style, 1.0);
        auto a = file("a", 5.0);
        auto bad = file("bad", 5.0);
        media->failing.insert(pathOf(bad));
        bad->setLoop(true); // a loop of a file that cannot play would never leave it
        auto c = file("c", 5.0);
        waitForAnalysis({ a, bad, c });
        auto block = blockOf({ a, bad, c });
        AirLog log(*engine);
        std::vector<QUuid> ends;
        engine->setBlockEndHandler([&](const std::shared_ptr<MediaBlock>& ended) {
            ends.push_back(ended->id());
            return false; // pauseBlack applies
        });
        engine->play(block);
        EXPECT_TRUE(a->playbackError().isEmpty()); // it opened
        ASSERT_TRUE(runUntil([&] { return onAir(c); }, 6.0));
        EXPECT_EQ(log.ids, (std::vector<QUuid> { a->id(), bad->id(), c->id() }));
        EXPECT_TRUE(engine->isPlaying());
        EXPECT_EQ(bad->playbackError(), QStringLiteral("cannot open"));
        ASSERT_TRUE(engine->playbackFailure());
        EXPECT_EQ(engine->playbackFailure()->item, bad);
        EXPECT_EQ(engine->playbackFailure()->reason, QStringLiteral("cannot open"));

        ASSERT_TRUE(runUntil([&] { return !engine->isPlaying(); }, 6.0));
        EXPECT_EQ(ends, (std::vector<QUuid> { block->id() }));
        EXPECT_FALSE(engine->currentItemID().has_value());
        // The notice lasts its few seconds on the clock, then goes.
        run(PlaylistEngine::kFailureNoticeSeconds - 5.0 - 0.5);
        EXPECT_TRUE(engine->playbackFailure());
        run(1.0);
        EXPECT_FALSE(engine->playbackFailure());
        engine.reset();
    }
}

TEST_F(Failure, ALoopingBlockOfFilesThatCannotBePlayedStopsInsteadOfFailingForEver)
{
    makeEngine(TransitionStyle::cut);
    auto x = file("x", 5.0);
    auto y = file("y", 5.0);
    waitForAnalysis({ x, y });
    media->failing = { pathOf(x), pathOf(y) };
    auto block = blockOf({ x, y });
    block->setLoop(true);
    int hookCalls = 0;
    engine->setBlockEndHandler([&](const std::shared_ptr<MediaBlock>&) { return ++hookCalls, false; });
    AirLog log(*engine);
    engine->play(block);
    run(1.0);
    EXPECT_FALSE(engine->isPlaying());
    EXPECT_FALSE(engine->currentItemID().has_value());
    EXPECT_EQ(log.ids, (std::vector<QUuid> { x->id(), y->id() })); // each tried once, then stop
    EXPECT_EQ(hookCalls, 0);

    // One file of the block plays again (repaired): its mark goes, and the
    // block loops through the one that still fails.
    media->failing.erase(pathOf(x));
    engine->play(block);
    run(12.0);
    EXPECT_TRUE(x->playbackError().isEmpty());
    EXPECT_FALSE(y->playbackError().isEmpty());
    EXPECT_TRUE(engine->isPlaying());
    EXPECT_TRUE(onAir(x));
}

TEST_F(Failure, AnItemWhoseTimeStandsStillWhileItPlaysFailsWithItsReasonAndTheBlockGoesOnButNotWhilePaused)
{
    makeEngine(TransitionStyle::cut);
    auto stuck = file("stuck", 10.0);
    auto next = file("next", 5.0);
    waitForAnalysis({ stuck, next });
    media->stallAt[pathOf(stuck)] = 2.0;
    engine->play(blockOf({ stuck, next }));
    // Paused, it stands still as it should, however long.
    run(1.0);
    engine->togglePlayPause();
    run(3 * StallWatch::kStallSeconds);
    EXPECT_TRUE(onAir(stuck));
    EXPECT_FALSE(engine->playbackFailure());
    // Playing, its time stops at 2 s: failed once it has stood still for
    // the watch's time, and the next item goes on air.
    engine->togglePlayPause();
    run(1.0);
    ASSERT_NEAR(playerA().currentTime(), 2.0, 1e-9);
    const double stalledAt = clock.now();
    ASSERT_TRUE(runUntil([&] { return onAir(next); }, 2 * StallWatch::kStallSeconds));
    EXPECT_GE(clock.now() - stalledAt, StallWatch::kStallSeconds - 1.0);
    EXPECT_TRUE(engine->isPlaying());
    ASSERT_TRUE(engine->playbackFailure());
    EXPECT_EQ(engine->playbackFailure()->item, stuck);
    EXPECT_EQ(engine->playbackFailure()->reason, QStringLiteral("la riproduzione si è fermata e non riprende"));
    EXPECT_EQ(stuck->playbackError(), engine->playbackFailure()->reason);
}

TEST_F(Failure, AFailureWhileThePlayerIsPausedPutsTheNextItemInPlaceWithoutPlayingIt)
{
    makeEngine(TransitionStyle::cut);
    auto bad = file("bad", 5.0);
    auto next = file("next", 5.0);
    waitForAnalysis({ bad, next });
    media->failing.insert(pathOf(bad));
    media->loadAtOnce = false;
    engine->play(blockOf({ bad, next }));
    engine->togglePlayPause(); // paused while the file is still opening
    ASSERT_FALSE(engine->isPlaying());
    playerA().finishLoading();
    ASSERT_TRUE(runUntil([&] { return onAir(next); }, 2.0));
    run(1.0);
    EXPECT_FALSE(engine->isPlaying());
    EXPECT_FALSE(playerA().isPlaying());
    EXPECT_FALSE(playerB().isPlaying());
    EXPECT_EQ(engine->playbackFailure()->item, bad);
}

} // namespace
} // namespace tessarin::test
