// Taking items to air: the transition table, crossfade lengths, equal-power
// gains, fade levels and in- and out-points.
#include "EngineFixture.h"

#include "engine/ProgramRenderer.h"

#include <cmath>

namespace tessarin::test {
namespace {

using Transitions = EngineTest;
using FadeLevels = EngineTest;

std::shared_ptr<MediaFile> liveItem()
{
    LiveSource source;
    source.kind = LiveSourceKind::rtmp;
    source.name = QStringLiteral("Feed");
    source.address = QStringLiteral("rtmp://127.0.0.1/live");
    return MediaFile::create(source);
}

TEST_F(Transitions, CutStyleCutsIntoTheSamePlayerAtFullLevel)
{
    makeEngine(TransitionStyle::cut);
    auto a = file("a");
    auto b = file("b");
    auto block = blockOf({ a, b });
    engine->play(block);
    run(3.0);
    engine->playNext();
    EXPECT_TRUE(onAir(b));
    EXPECT_EQ(pathOf(playerA()), pathOf(b));
    EXPECT_EQ(playerB().currentItem(), nullptr);
    EXPECT_EQ(engine->fade().current(), 1.0);
    EXPECT_EQ(engine->mix().current(), 0.0);
    run(1.0);
    EXPECT_EQ(engine->fade().current(), 1.0);
}

TEST_F(Transitions, FromNothingAFileStartsAtOnceFadingInFromBlack)
{
    makeEngine(TransitionStyle::fade, 2.0);
    auto a = file("a");
    engine->play(blockOf({ a }));
    EXPECT_TRUE(onAir(a));
    EXPECT_EQ(engine->fade().current(), 0.0);
    run(1.0);
    EXPECT_NEAR(engine->fade().current(), 0.5, 0.02);
    run(1.5);
    EXPECT_EQ(engine->fade().current(), 1.0);
}

TEST_F(Transitions, AFileReplacingAPlayingFileCrossfadesWithEqualPower)
{
    makeEngine(TransitionStyle::fade, 2.0);
    auto a = file("a");
    auto b = file("b");
    auto block = blockOf({ a, b });
    engine->play(block);
    run(5.0);
    engine->play(b, block);
    EXPECT_TRUE(onAir(b));
    EXPECT_EQ(pathOf(playerB()), pathOf(b));
    EXPECT_TRUE(playerB().isPlaying());
    EXPECT_TRUE(playerA().isPlaying()); // the outgoing item plays on
    EXPECT_EQ(engine->fade().current(), 1.0); // a crossfaded item does not fade in

    run(1.0); // the middle
    EXPECT_NEAR(engine->mix().current(), 0.5, 0.02);
    EXPECT_NEAR(gainOf(playerA()), std::sqrt(0.5), 0.02);
    EXPECT_NEAR(gainOf(playerB()), std::sqrt(0.5), 0.02);

    run(1.1);
    EXPECT_EQ(engine->mix().current(), 1.0);
    EXPECT_EQ(playerA().currentItem(), nullptr);
    EXPECT_FALSE(playerA().isPlaying());
    EXPECT_NEAR(gainOf(playerB()), 1.0, 1e-6);
}

TEST_F(Transitions, CrossfadeLengthNeverExceedsHalfOfEitherItemNorFallsBelowATenth)
{
    const struct {
        const char* what;
        double fadeSeconds;
        double aDuration;
        double takeAt;
        double bClip;
        double expected;
    } table[] = {
        { "full fade", 2.0, 60.0, 5.0, 60.0, 2.0 },
        { "short next item", 2.0, 60.0, 5.0, 1.5, 0.75 },
        { "short window on air", 2.0, 1.0, 0.2, 60.0, 0.5 },
        { "never below a tenth", 0.1, 1.0, 0.2, 0.12, 0.1 },
    };
    for (const auto& row : table) {
        players.clear();
        makeEngine(TransitionStyle::fade, row.fadeSeconds);
        auto a = file("a", 60.0, 0.0, row.aDuration);
        auto b = file("b", 60.0, 0.0, row.bClip);
        auto block = blockOf({ a, b });
        engine->play(block);
        run(row.takeAt);
        engine->play(b, block);
        const auto took = runUntil([&] { return playerA().currentItem() == nullptr; }, 5.0);
        ASSERT_TRUE(took.has_value()) << row.what;
        EXPECT_NEAR(*took, row.expected, 1.0 / 60.0 + 1e-6) << row.what;
    }
}

TEST_F(Transitions, WithLessThanAQuarterSecondLeftTheTakeCutsAndFadesIn)
{
    makeEngine(TransitionStyle::fade, 2.0);
    auto a = file("a", 60.0, 0.0, 10.0);
    auto b = file("b");
    auto block = blockOf({ a, b });
    block->setLoop(false);
    engine->setFadeSeconds(0.1); // keep the automatic crossfade out of the way until 0.2 s before the end
    engine->play(block);
    run(9.8);
    engine->setFadeSeconds(2.0);
    ASSERT_TRUE(onAir(a));
    engine->play(b, block);
    EXPECT_TRUE(onAir(b));
    EXPECT_EQ(pathOf(playerA()), pathOf(b));
    EXPECT_EQ(playerB().currentItem(), nullptr);
    EXPECT_EQ(engine->fade().current(), 0.0);
    run(1.0);
    EXPECT_NEAR(engine->fade().current(), 0.5, 0.02);
}

TEST_F(Transitions, TakingWhilePausedFadesInWithoutAFadeThroughBlack)
{
    makeEngine(TransitionStyle::fade, 2.0);
    auto a = file("a");
    auto b = file("b");
    auto block = blockOf({ a, b });
    engine->play(block);
    run(3.0);
    engine->togglePlayPause();
    engine->play(b, block);
    EXPECT_TRUE(onAir(b));
    EXPECT_EQ(engine->fade().current(), 0.0);
    EXPECT_EQ(playerB().currentItem(), nullptr);
}

TEST_F(Transitions, ALiveTakeFadesThroughBlackOverHalfTheFadeTime)
{
    makeEngine(TransitionStyle::fade, 2.0);
    auto a = file("a");
    auto live = liveItem();
    auto block = blockOf({ a, live });
    engine->play(block);
    run(3.0);
    engine->play(live, block);
    EXPECT_TRUE(onAir(a)); // held until black
    run(0.5);
    EXPECT_NEAR(engine->fade().current(), 0.5, 0.02);
    run(0.52);
    EXPECT_TRUE(onAir(live));
    EXPECT_TRUE(engine->isLiveOnAir());
    EXPECT_EQ(playerA().currentItem(), nullptr);
    EXPECT_LT(engine->fade().current(), 0.1);
    run(0.5);
    EXPECT_NEAR(engine->fade().current(), 0.5, 0.05); // fading in over the other half
    run(0.6);
    EXPECT_EQ(engine->fade().current(), 1.0);
}

TEST_F(Transitions, InAndOutPointsAreSoughtExactlyAndEndThePlay)
{
    makeEngine(TransitionStyle::cut);
    auto a = file("a", 60.0, 12.5, 20.0);
    auto b = file("b", 60.0);
    auto block = blockOf({ a, b });
    engine->play(block);
    ASSERT_EQ(playerA().seeks.size(), 1u);
    EXPECT_EQ(playerA().seeks[0].first, 12.5);
    EXPECT_EQ(playerA().seeks[0].second, SeekTolerance::Zero);
    EXPECT_EQ(playerA().currentItem()->forwardPlaybackEndTime(), 20.0);
    run(7.4);
    EXPECT_TRUE(onAir(a));
    run(0.2);
    EXPECT_TRUE(onAir(b));
    EXPECT_EQ(playerA().seeks.size(), 1u); // an in-point of 0 is not sought
}

TEST_F(Transitions, MutedAndNormalisedItemsSetTheTapGain)
{
    makeEngine(TransitionStyle::cut);
    auto a = file("a");
    a->setGainDB(6.0);
    a->setNormalizationGain(1.9f);
    auto block = blockOf({ a });
    engine->play(block);
    EXPECT_NEAR(gainOf(playerA()), std::pow(10.0, 6.0 / 20.0), 1e-4);
    block->setNormalizeAudio(true);
    drainMainQueue();
    EXPECT_NEAR(gainOf(playerA()), std::pow(10.0, 6.0 / 20.0) * 1.9, 1e-4);
    a->setIsMuted(true);
    drainMainQueue();
    EXPECT_EQ(gainOf(playerA()), 0.0f);
}

TEST_F(Transitions, PausingDuringACrossfadePausesBothAndResumingPlaysBoth)
{
    makeEngine(TransitionStyle::fade, 2.0);
    auto a = file("a");
    auto b = file("b");
    auto block = blockOf({ a, b });
    engine->play(block);
    run(5.0);
    engine->playNext();
    run(0.5);
    engine->togglePlayPause();
    EXPECT_FALSE(playerA().isPlaying());
    EXPECT_FALSE(playerB().isPlaying());
    engine->togglePlayPause();
    EXPECT_TRUE(playerA().isPlaying());
    EXPECT_TRUE(playerB().isPlaying());
}

TEST_F(FadeLevels, OnlyTheLastThingToPlayFadesOut)
{
    makeEngine(TransitionStyle::fade, 2.0);
    auto last = file("last", 30.0);
    engine->play(blockOf({ last }));
    run(29.0);
    EXPECT_NEAR(engine->fade().current(), 0.5, 0.02);

    auto looping = file("looping", 30.0);
    looping->setLoop(true);
    engine->play(blockOf({ looping }));
    run(29.0);
    EXPECT_EQ(engine->fade().current(), 1.0);
}

TEST_F(FadeLevels, AFadeInTakesAtMostHalfTheWindow)
{
    makeEngine(TransitionStyle::fade, 4.0);
    auto a = file("a", 60.0, 0.0, 2.0);
    engine->play(blockOf({ a }));
    run(0.5);
    EXPECT_NEAR(engine->fade().current(), 0.5, 0.02); // over 1.0 s, not 4.0 s
}

// The player items made for the program (taken, loaded ahead, cued) carry
// the size the program draws them at before anything draws them: their
// decoders are set up, and their first pictures converted, when they open.
// 1920 x 1080 until a renderer has drawn; then the largest width and height
// any renderer draws the players at, until it goes.
TEST_F(Transitions, ItemsMadeForTheProgramAreSizedForWhatItDrawsBeforeTheyOpen)
{
    makeEngine(TransitionStyle::fade, 2.0);
    auto a = file("a", 10.0);
    auto b = file("b", 60.0);
    auto c = file("c");
    auto cued = file("cued");
    auto block = blockOf({ a, b, c });
    auto other = blockOf({ cued });
    engine->play(block);
    EXPECT_EQ(active().currentItem()->pictureSizeLimit(), QSize(1920, 1080));
    engine->cue(cued, other);
    EXPECT_EQ(preview().currentItem()->pictureSizeLimit(), QSize(1920, 1080));
    {
        ProgramRenderer stream(ProgramSources::of(*engine), 1280, 720, 0.0, clock);
        ProgramRenderer tall(ProgramSources::of(*engine), 1000, 800, 0.0, clock);
        stream.nextFrame();
        tall.nextFrame();
        engine->cue(cued, other);
        EXPECT_EQ(preview().currentItem()->pictureSizeLimit(), QSize(1280, 800));
        ASSERT_TRUE(runUntil([&] { return playerB().currentItem() != nullptr; }));
        EXPECT_EQ(playerB().currentItem()->pictureSizeLimit(), QSize(1280, 800));
        // Once drawn, the outputs that draw it count beside the hint.
        ASSERT_TRUE(runUntil([&] { return onAir(b); }));
        run(2.5);
        stream.nextFrame();
        EXPECT_EQ(playerB().currentItem()->pictureSizeLimit(), QSize(1280, 800));
        ProgramRenderer large(ProgramSources::of(*engine), 3840, 2160, 0.0, clock);
        large.nextFrame();
        EXPECT_EQ(playerB().currentItem()->pictureSizeLimit(), QSize(3840, 2160));
    }
    engine->playNext(); // crossfades into c on player A
    ASSERT_EQ(pathOf(playerA()), pathOf(c));
    EXPECT_EQ(playerA().currentItem()->pictureSizeLimit(), QSize(1920, 1080));
}

} // namespace
} // namespace tessarin::test
