// Selection, cue and transport.
#include "EngineFixture.h"

#include <limits>

namespace tessarin::test {
namespace {

using Transport = EngineTest;

TEST_F(Transport, SelectingTheSelectedItemAgainDeselectsIt)
{
    makeEngine();
    auto x = file("x");
    auto y = file("y");
    auto block = blockOf({ x, y });
    auto other = blockOf({ x });
    engine->select(x, block);
    engine->select(x, other); // the same item through another block
    EXPECT_EQ(engine->selectedItem(), nullptr);
    EXPECT_EQ(engine->selectedBlock(), nullptr);
    engine->select(x, block);
    engine->select(y, block);
    EXPECT_EQ(engine->selectedItem(), y);
    EXPECT_EQ(engine->selectedBlock(), block);
}

TEST_F(Transport, CueTakesOnlyPlayableFilesAndSurvivesUntilTheItemStarts)
{
    makeEngine(TransitionStyle::cut);
    auto z = file("z", 60.0, 2.0);
    auto block = blockOf({ z });
    LiveSource source;
    auto live = MediaFile::create(source);
    auto unplayable = file("still");
    unplayable->setPlayableURL(QUrl());
    engine->cue(z, block);
    engine->cue(live, block);
    engine->cue(unplayable, block);
    EXPECT_EQ(engine->cuedItem(), z);
    EXPECT_EQ(pathOf(preview()), pathOf(z));
    EXPECT_FALSE(preview().isPlaying());
    EXPECT_EQ(playerA().currentItem(), nullptr); // nothing on air is touched

    engine->takeCued();
    EXPECT_TRUE(onAir(z));
    EXPECT_EQ(engine->cuedItem(), nullptr);
    EXPECT_EQ(preview().currentItem(), nullptr);
    engine->takeCued(); // nothing cued: nothing
    EXPECT_TRUE(onAir(z));
}

TEST_F(Transport, PreviousRestartsAfterThreeSecondsElseGoesBack)
{
    makeEngine(TransitionStyle::cut);
    auto first = file("first", 60.0, 1.0);
    auto second = file("second", 60.0, 10.0);
    auto block = blockOf({ first, second });
    engine->play(block);
    engine->playPrevious(); // on the first item: restart
    EXPECT_TRUE(onAir(first));
    engine->playNext();
    run(2.0);
    engine->playPrevious();
    EXPECT_TRUE(onAir(first));
    engine->playNext();
    run(3.5);
    engine->playPrevious();
    EXPECT_TRUE(onAir(second));
    EXPECT_NEAR(playerA().currentTime(), 10.0, 1e-9);
    engine->playNext(); // the last item: nothing
    EXPECT_TRUE(onAir(second));
    EXPECT_FALSE(engine->hasNext());
}

TEST_F(Transport, PlayFromIdleResumesTheSelectionThenTheLastAiredThenTheFirstBlockWithItems)
{
    makeEngine(TransitionStyle::cut);
    engine->togglePlayPause(); // all empty: nothing
    EXPECT_FALSE(engine->isPlaying());
    blockOf({});
    auto b1 = file("b1");
    auto b3 = file("b3");
    auto b = blockOf({ b1, file("b2"), b3 });
    auto x = file("x");
    auto c = blockOf({ x });

    engine->togglePlayPause();
    EXPECT_TRUE(onAir(b1)); // the first block with items

    engine->play(b3, b);
    engine->stop();
    engine->togglePlayPause();
    EXPECT_TRUE(onAir(b3)); // the last aired item

    engine->stop();
    engine->select(x, c);
    engine->togglePlayPause();
    EXPECT_TRUE(onAir(x)); // the selection wins

    engine->stop();
    engine->select(x, c); // deselect
    engine->play(b3, b);
    engine->stop();
    engine->removeBlock(b);
    engine->togglePlayPause();
    EXPECT_TRUE(onAir(x)); // the removed block falls through to the first block with items
}

TEST_F(Transport, PauseAndResumeKeepThePosition)
{
    makeEngine(TransitionStyle::cut);
    auto a = file("a");
    engine->play(blockOf({ a }));
    run(4.0);
    engine->togglePlayPause();
    EXPECT_FALSE(engine->isPlaying());
    run(3.0);
    engine->togglePlayPause();
    EXPECT_TRUE(engine->isPlaying());
    EXPECT_NEAR(playerA().currentTime(), 4.0, 1e-9);
}

TEST_F(Transport, SeeksAreLimitedToTheWindow)
{
    makeEngine(TransitionStyle::cut);
    auto a = file("a", 60.0, 10.0, 40.0);
    engine->play(blockOf({ a }));
    engine->seek(1.7, true);
    EXPECT_EQ(playerA().seeks.back().first, 40.0);
    EXPECT_EQ(playerA().seeks.back().second, SeekTolerance::Zero);
    EXPECT_EQ(engine->progress(), 1.0);
    engine->seek(-0.2, false);
    EXPECT_EQ(playerA().seeks.back().first, 10.0);
    EXPECT_EQ(playerA().seeks.back().second, SeekTolerance::Default);
    engine->seek(std::numeric_limits<double>::quiet_NaN(), true);
    EXPECT_EQ(playerA().seeks.back().first, 10.0);
}

TEST_F(Transport, RemovingTheBlockOnAirStopsButKeepsTheCue)
{
    makeEngine(TransitionStyle::cut);
    auto a = file("a");
    auto block = blockOf({ a, file("b") });
    auto other = blockOf({ file("c") });
    engine->cue(a, block);
    engine->select(a, block);
    engine->play(block);
    engine->cue(a, block);
    engine->removeBlock(other);
    EXPECT_TRUE(engine->isPlaying());
    engine->removeBlock(block);
    EXPECT_FALSE(engine->isPlaying());
    EXPECT_EQ(engine->cuedItem(), a);
    EXPECT_EQ(engine->selectedItem(), nullptr);
    EXPECT_EQ(engine->blocks().size(), 0u);
}

TEST_F(Transport, ACuedItemThatLeavesTheShowLeavesNoPlayerLoaded)
{
    makeEngine(TransitionStyle::cut);
    struct Case {
        const char* what;
        std::function<void(PlaylistEngine&, MediaBlock&, const std::shared_ptr<MediaBlock>&)> change;
        bool loaded;
    };
    const std::vector<Case> cases {
        { "another block removed", [](auto& e, auto&, auto&) { e.removeBlock(e.blocks().back()); }, true },
        { "another item taken out", [](auto&, auto& b, auto&) { b.setItems({ b.items().front() }); }, true },
        { "its block removed", [](auto& e, auto&, auto& b) { e.removeBlock(b); }, false },
        { "the show emptied", [](auto& e, auto&, auto&) { e.setBlocks({}); }, false },
        { "the item taken out", [](auto&, auto& b, auto&) { b.setItems({ b.items().back() }); }, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto a = file("a");
        auto block = blockOf({ a, file("b") });
        blockOf({ file("c") });
        engine->cue(a, block);
        c.change(*engine, *block, block);
        EXPECT_EQ(preview().currentItem() != nullptr, c.loaded);
        EXPECT_EQ(engine->cuedItem(), a); // the cue stays, and a take opens the file afresh
        engine->takeCued();
        EXPECT_TRUE(onAir(a));
        engine->stop();
        engine->setBlocks({});
    }
}

TEST_F(Transport, AddBlockNumbersFromTheCount)
{
    makeEngine();
    EXPECT_EQ(engine->addBlock()->name(), QStringLiteral("Blocco 1"));
    auto second = engine->addBlock();
    engine->addBlock();
    engine->removeBlock(second);
    EXPECT_EQ(engine->addBlock()->name(), QStringLiteral("Blocco 3"));
}

} // namespace
} // namespace tessarin::test
