// The block settings popover, opened from its card, writing the block at
// once and following changes made elsewhere.
#include "BlocksFixture.h"

#include "ui/kit/Controls.h"
#include "ui/kit/Labels.h"
#include "ui/kit/Popover.h"
#include "ui/playlist/BlockSettingsView.h"

#include <QCheckBox>
#include <QToolButton>

#include <algorithm>

namespace tessarin::test {
namespace {

class BlockSettings : public BlocksTest {
protected:
    // A click on a check box's box (its centre may lie beyond its label).
    static void clickBox(QCheckBox* box) { QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(6, box->height() / 2)); }
};

// Tab goes down the popover as it reads: normalising, the end behaviour,
// then the loop's controls.
TEST_F(BlockSettings, TabGoesDownThePopover)
{
    auto& col = makeColumn();
    auto block = addBlock(QStringLiteral("Notiziario"), { media("clip_5s.mov") });
    block->setLoop(true);
    BlockCardView* card = col.card(block->id());
    QTest::mouseClick(card->settingsButton(), Qt::LeftButton);
    ASSERT_NE(card->settingsPopover(), nullptr);
    auto* view = qobject_cast<BlockSettingsView*>(card->settingsPopover()->content());
    ASSERT_NE(view, nullptr);
    std::vector<QWidget*> stops;
    for (QWidget* w = view->nextInFocusChain(); w != view && stops.size() < 50; w = w->nextInFocusChain()) {
        if (view->isAncestorOf(w) && w->isVisibleTo(view) && (w->focusPolicy() & Qt::TabFocus))
            stops.push_back(w);
    }
    // A radio group is one stop, at its checked option.
    ASSERT_GE(stops.size(), 4u);
    EXPECT_EQ(stops[0], view->normalizeToggle());
    const int end = view->endBehaviorButton(0)->isChecked() ? 0 : 1;
    EXPECT_TRUE(view->endBehaviorButton(end)->isChecked());
    EXPECT_EQ(stops[1], view->endBehaviorButton(end));
    EXPECT_EQ(std::count(stops.begin(), stops.end(), view->endBehaviorButton(1 - end)), 0);
    for (std::size_t i = 1; i < stops.size(); ++i) {
        const QRect a(stops[i - 1]->mapTo(view, QPoint()), stops[i - 1]->size());
        const QRect b(stops[i]->mapTo(view, QPoint()), stops[i]->size());
        const bool sameRow = std::abs(a.center().y() - b.center().y()) < std::max(a.height(), b.height()) / 2;
        EXPECT_TRUE(sameRow ? b.left() > a.left() : b.top() > a.top()) << i;
    }
}

TEST_F(BlockSettings, EditsTheBlockAndKeepsTheRepeatCountInItsBounds)
{
    auto& col = makeColumn();
    auto block = addBlock(QStringLiteral("Notiziario"), { media("clip_5s.mov") });
    BlockCardView* card = col.card(block->id());
    QTest::mouseClick(card->settingsButton(), Qt::LeftButton);
    ASSERT_NE(card->settingsPopover(), nullptr);
    auto* view = qobject_cast<BlockSettingsView*>(card->settingsPopover()->content());
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->title()->text(), QStringLiteral("Notiziario"));
    EXPECT_EQ(view->title()->shownText(), QStringLiteral("Notiziario"));

    clickBox(view->normalizeToggle());
    EXPECT_TRUE(block->normalizeAudio());
    QTest::mouseClick(view->endBehaviorButton(1), Qt::LeftButton);
    EXPECT_EQ(block->endBehavior(), BlockEndBehavior::cueNextBlock);

    // Loop off: only the toggle. The card's loop button and the toggle show
    // one flag, and neither touches the count.
    EXPECT_FALSE(view->loopMode()->isVisibleTo(view));
    QTest::mouseClick(card->loopButton(), Qt::LeftButton);
    EXPECT_TRUE(block->loop());
    EXPECT_TRUE(view->loopToggle()->isChecked());
    EXPECT_TRUE(view->loopMode()->isVisibleTo(view));
    EXPECT_EQ(view->loopMode()->currentIndex(), 0) << "without limit";
    EXPECT_FALSE(view->repeatStepper()->isVisibleTo(view));

    // Counted starts at 1; the stepper stops at 1 and at 99.
    QTest::mouseClick(view->loopMode()->segment(1), Qt::LeftButton);
    EXPECT_EQ(block->loopCount(), 1);
    Stepper* stepper = view->repeatStepper();
    EXPECT_TRUE(stepper->isVisibleTo(view));
    EXPECT_EQ(stepper->text(), QStringLiteral("Ripeti 1 volta"));
    EXPECT_FALSE(stepper->downButton()->isEnabled());
    QTest::mouseClick(stepper->upButton(), Qt::LeftButton);
    EXPECT_EQ(block->loopCount(), 2);
    EXPECT_EQ(stepper->text(), QStringLiteral("Ripeti 2 volte"));
    block->setLoopCount(98);
    QTest::mouseClick(stepper->upButton(), Qt::LeftButton);
    QTest::mouseClick(stepper->upButton(), Qt::LeftButton);
    EXPECT_EQ(block->loopCount(), 99);
    EXPECT_FALSE(stepper->upButton()->isEnabled());

    // Without limit sets 0; counted again starts from 1, not from 99.
    QTest::mouseClick(view->loopMode()->segment(0), Qt::LeftButton);
    EXPECT_EQ(block->loopCount(), 0);
    EXPECT_FALSE(stepper->isVisibleTo(view));
    QTest::mouseClick(view->loopMode()->segment(1), Qt::LeftButton);
    EXPECT_EQ(block->loopCount(), 1);

    // The toggle turns the loop off and keeps the count.
    block->setLoopCount(5);
    clickBox(view->loopToggle());
    EXPECT_FALSE(block->loop());
    EXPECT_EQ(block->loopCount(), 5);
    EXPECT_FALSE(view->loopMode()->isVisibleTo(view));

    // A rename on the card shows in the title; closing keeps every setting.
    block->setName(QStringLiteral("Meteo"));
    EXPECT_EQ(view->title()->text(), QStringLiteral("Meteo"));
    // One too long for the popover ends with an ellipsis, whole in the tip.
    const QString longName = QStringLiteral("Meteo della sera con le previsioni per tutta la settimana");
    block->setName(longName);
    QApplication::processEvents();
    EXPECT_TRUE(view->title()->shownText().endsWith(QChar(0x2026))) << view->title()->shownText().toStdString();
    EXPECT_EQ(view->title()->toolTip(), longName);
    EXPECT_EQ(view->title()->accessibleName(), longName);
    card->settingsPopover()->close();
    drainMainQueue();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(card->settingsPopover(), nullptr);
    EXPECT_TRUE(block->normalizeAudio());
    EXPECT_EQ(block->endBehavior(), BlockEndBehavior::cueNextBlock);
}

} // namespace
} // namespace tessarin::test
