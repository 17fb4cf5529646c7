// The fake player the engine's tests stand on must keep the real player's
// contract: end once at the out-point, keep time only while playing.
#include "support/FakeMediaPlayer.h"
#include "support/ManualClock.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace tessarin::test {
namespace {

TEST(FakeMediaPlayer, EndsOnceAtTheOutPointAndKeepsTimeOnlyWhilePlaying)
{
    ManualClock clock;
    FakeMediaPlayer player(clock);
    auto item = PlayerItem::create(QStringLiteral("/media/a.mov"));
    item->setForwardPlaybackEndTime(2.0);
    int ends = 0;
    QObject::connect(item.get(), &PlayerItem::didPlayToEndTime, [&] { ++ends; });
    player.replaceCurrentItem(item);
    EXPECT_EQ(item->status(), PlayerItem::Status::ReadyToPlay);
    EXPECT_DOUBLE_EQ(item->duration(), 60.0);

    clock.advance(1.0);
    EXPECT_DOUBLE_EQ(player.currentTime(), 0.0);
    player.play();
    clock.advance(1.5);
    EXPECT_NEAR(player.currentTime(), 1.5, 1e-9);
    clock.advance(1.0);
    EXPECT_EQ(ends, 1);
    EXPECT_FALSE(player.isPlaying());
    EXPECT_NEAR(player.currentTime(), 2.0, 1e-9);
    clock.advance(1.0);
    EXPECT_EQ(ends, 1);

    auto output = std::make_shared<VideoOutput>();
    item->addOutput(output);
    auto frame = output->copyFrame(output->itemTime(0));
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->image().pixelColor(0, 0), QColor(Qt::gray));
    EXPECT_FALSE(output->hasNewFrame(output->itemTime(0)));
}

TEST(FakeMediaPlayer, TimeObserversTickOnlyWhilePlayingAndUntilRemoved)
{
    ManualClock clock;
    FakeMediaPlayer player(clock);
    std::vector<double> ticks;
    const int token = player.addPeriodicTimeObserver(0.25, [&](double t) { ticks.push_back(t); });
    player.replaceCurrentItem(PlayerItem::create(QStringLiteral("/media/b.mov")));
    clock.advance(1.0);
    EXPECT_TRUE(ticks.empty());
    player.play();
    clock.advance(0.6);
    ASSERT_EQ(ticks.size(), 2u);
    EXPECT_NEAR(ticks[1], 0.5, 1e-9);
    player.pause();
    clock.advance(1.0);
    EXPECT_EQ(ticks.size(), 2u);
    player.play();
    player.removeTimeObserver(token);
    clock.advance(1.0);
    EXPECT_EQ(ticks.size(), 2u);
}

} // namespace
} // namespace tessarin::test
