// The blocks column driven through the real engine and back: blocks made,
// renamed and deleted, items dropped where they land, and drags that
// reorder while they hover and leave no state behind when they end.
#include "BlocksFixture.h"

#include <QDrag>
#include <QLineEdit>
#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>

namespace tessarin::test {
namespace {

class BlocksColumn : public BlocksTest { };

TEST_F(BlocksColumn, FollowsTheEngineByIdAndDrivesItBack)
{
    auto& col = makeColumn();
    EXPECT_TRUE(col.emptyHint()->isVisibleTo(&col));
    EXPECT_TRUE(col.cardsInOrder().isEmpty());

    QTest::mouseClick(col.newBlockButton(), Qt::LeftButton);
    ASSERT_EQ(engine->blocks().size(), 1u);
    auto first = engine->blocks()[0];
    EXPECT_EQ(first->name(), QStringLiteral("Blocco 1"));
    BlockCardView* card = col.card(first->id());
    ASSERT_NE(card, nullptr);
    EXPECT_FALSE(col.emptyHint()->isVisibleTo(&col));
    EXPECT_TRUE(card->emptyHint()->isVisibleTo(card));
    EXPECT_FALSE(card->playButton()->isEnabled()) << "an empty block cannot be played";
    EXPECT_TRUE(card->loopButton()->isEnabled());

    // Renaming writes the block at once; a rename elsewhere shows in the field.
    card->nameField()->selectAll();
    QTest::keyClicks(card->nameField(), QStringLiteral("Sigla"));
    EXPECT_EQ(first->name(), QStringLiteral("Sigla"));
    first->setName(QString());
    EXPECT_EQ(card->nameField()->text(), QString());

    // A second block, and new items in the first: the first card and its
    // existing rows are the same widgets as before.
    auto a = media("clip_5s.mov");
    auto b = media("tone_half.wav");
    first->setItems({ a });
    MediaRowView* rowA = card->row(a->id());
    auto second = addBlock(QStringLiteral("Secondo"), { b });
    first->appendItems({ media("clip_30s.mp4") });
    EXPECT_EQ(col.card(first->id()), card);
    EXPECT_EQ(card->row(a->id()), rowA);
    EXPECT_EQ(card->countCapsule()->text(), QStringLiteral("2"));
    EXPECT_TRUE(card->playButton()->isEnabled());
    ASSERT_EQ(col.cardsInOrder().size(), 2);

    // Marks follow the engine: cue, selection, on air, pause.
    MediaRowView* rowB = col.card(second->id())->row(b->id());
    QTest::mouseClick(rowA->cueButton(), Qt::LeftButton);
    EXPECT_EQ(engine->cuedItem(), a);
    EXPECT_TRUE(rowA->marks().isCued);
    EXPECT_EQ(rowA->selectArea()->mark(), RowSelectArea::Mark::cue);
    QTest::mouseClick(rowB->selectArea(), Qt::LeftButton);
    EXPECT_EQ(engine->selectedItem(), b);
    EXPECT_TRUE(rowB->marks().isSelected);
    QTest::mouseClick(rowA->playButton(), Qt::LeftButton);
    EXPECT_TRUE(onAir(a));
    EXPECT_TRUE(card->isOnAir());
    EXPECT_TRUE(card->onAirBadge()->isVisibleTo(card));
    EXPECT_TRUE(rowA->marks().isOnAir && rowA->marks().isPlaying);
    EXPECT_EQ(rowA->selectArea()->mark(), RowSelectArea::Mark::onAir) << "on air wins over cued";
    EXPECT_FALSE(col.card(second->id())->isOnAir());
    engine->togglePlayPause();
    EXPECT_EQ(card->onAirBadge()->text(), QStringLiteral("PAUSA"));
    EXPECT_EQ(rowA->selectArea()->mark(), RowSelectArea::Mark::paused);
    EXPECT_FALSE(rowA->marks().isPlaying);

    // Deleting the block on air stops the program and drops the card.
    engine->togglePlayPause();
    QPointer<BlockCardView> gone(card);
    QTest::mouseClick(card->deleteButton(), Qt::LeftButton);
    EXPECT_FALSE(engine->isPlaying());
    EXPECT_FALSE(engine->currentBlockID().has_value());
    ASSERT_EQ(engine->blocks().size(), 1u);
    EXPECT_EQ(col.card(first->id()), nullptr);
    drainMainQueue();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(gone.isNull());

    // A show replaced from elsewhere rebuilds from the new blocks.
    engine->setBlocks({});
    EXPECT_TRUE(col.cardsInOrder().isEmpty());
    EXPECT_TRUE(col.emptyHint()->isVisibleTo(&col));
}

TEST_F(BlocksColumn, DroppedFilesAndSourcesJoinWhereTheyLandAsACopy)
{
    auto& col = makeColumn();
    auto first = media("clip_5s.mov");
    auto block = addBlock(QStringLiteral("B"), { first, media("tone_half.wav") });
    BlockCardView* card = col.card(block->id());

    // Files from a file manager on the card: appended, taken as a copy even
    // though the drag proposed a move.
    auto files = uriList({ QStringLiteral("clip_30s.mp4"), QStringLiteral("still.png") });
    EXPECT_EQ(dragOnto(card, *files), Qt::CopyAction);
    EXPECT_EQ(block->items().size(), 2u) << "nothing changes until the load delivers";
    settle();
    EXPECT_EQ(names(*block), (QStringList { "clip_5s", "tone_half", "clip_30s", "still" }));
    EXPECT_EQ(card->countCapsule()->text(), QStringLiteral("4"));

    // The browser's file list on the first row: before that row, in order.
    auto payload = text(FileDragPayload::encode({ QUrl::fromLocalFile(mediaPath(QStringLiteral("video_only.mp4"))),
                                                  QUrl::fromLocalFile(mediaPath(QStringLiteral("tone_half.mp3"))) }));
    EXPECT_EQ(dragOnto(card->row(first->id()), *payload), Qt::CopyAction);
    settle();
    EXPECT_EQ(names(*block), (QStringList { "video_only", "tone_half", "clip_5s", "tone_half", "clip_30s", "still" }));
    EXPECT_EQ(card->rowsInOrder().size(), 6);
    EXPECT_EQ(card->rowsInOrder().value(2), card->row(first->id()));

    // A live source from the browser onto the card: one live row without
    // trim, cue or loop.
    LiveSource source;
    source.kind = LiveSourceKind::rtmp;
    source.name = QStringLiteral("Studio");
    source.address = QStringLiteral("rtmp://127.0.0.1/live");
    auto live = text(MediaDrop::sourcePayload(source));
    EXPECT_EQ(dragOnto(card, *live), Qt::CopyAction);
    settle();
    ASSERT_EQ(block->items().size(), 7u);
    auto liveItem = block->items().back();
    ASSERT_TRUE(liveItem->isLive());
    MediaRowView* liveRow = card->row(liveItem->id());
    ASSERT_NE(liveRow, nullptr);
    EXPECT_EQ(liveRow->trimButton(), nullptr);
    EXPECT_EQ(liveRow->cueButton(), nullptr);
    EXPECT_EQ(liveRow->loopButton(), nullptr);
    EXPECT_EQ(liveRow->selectArea()->look().name, QStringLiteral("Studio"));
    EXPECT_EQ(liveRow->selectArea()->look().subtitle, QStringLiteral("LIVE · RTMP"));

    // Text that decodes to nothing is taken and adds nothing; a drag that
    // only allows a move from outside is refused.
    auto other = text(QStringLiteral("hello"));
    EXPECT_EQ(dragOnto(card, *other), Qt::CopyAction);
    settle();
    EXPECT_EQ(block->items().size(), 7u);
    EXPECT_EQ(dragOnto(card, *files, true, Qt::MoveAction), Qt::IgnoreAction);
    settle();
    EXPECT_EQ(block->items().size(), 7u);

    // The new-block zone: files make one new block at the end; a drop that
    // loads nothing makes none.
    EXPECT_EQ(dragOnto(col.newBlockDropZone(), *other), Qt::CopyAction);
    settle();
    EXPECT_EQ(engine->blocks().size(), 1u);
    EXPECT_EQ(dragOnto(col.newBlockDropZone(), *files), Qt::CopyAction);
    settle();
    ASSERT_EQ(engine->blocks().size(), 2u);
    EXPECT_EQ(engine->blocks()[1]->name(), QStringLiteral("Blocco 2"));
    EXPECT_EQ(names(*engine->blocks()[1]), (QStringList { "clip_30s", "still" }));
    EXPECT_NE(col.card(engine->blocks()[1]->id()), nullptr);
}

TEST_F(BlocksColumn, DragsReorderWhileHoveringAndEndWhereverTheyEnd)
{
    auto& col = makeColumn();
    auto blockA = addBlock(QStringLiteral("A"), { media("clip_5s.mov") });
    addBlock(QStringLiteral("B"), {});
    auto items = MediaBlock::Items { media("clip_5s.mov"), media("tone_half.wav"), media("video_only.mp4"), media("still.png") };
    auto blockC = addBlock(QStringLiteral("C"), items);
    const auto rowOf = [&](int i) { return col.card(blockC->id())->row(items[std::size_t(i)]->id()); };

    // Block A hovers over C (B, C, A) and on over C's rows (the same card:
    // nothing more moves), passes its own card, enters C again, now above
    // it (B, A, C), and the drag ends outside any card: the order stays and
    // the state is cleared.
    QString mimeText;
    col.dragState().run = [&](QDrag& drag) {
        mimeText = drag.mimeData()->text();
        EXPECT_EQ(col.dragState().draggingBlock, blockA);
        dragOnto(col.card(blockC->id()), *drag.mimeData(), false);
        EXPECT_EQ(blockNames(), (QStringList { "B", "C", "A" }));
        EXPECT_FALSE(col.card(blockC->id())->isTargeted()) << "the highlight goes with the pointer";
        for (int target : { 0, 1, 2 })
            dragOnto(rowOf(target), *drag.mimeData(), false);
        EXPECT_EQ(blockNames(), (QStringList { "B", "C", "A" }));
        dragOnto(col.card(blockA->id()), *drag.mimeData(), false);
        dragOnto(col.card(blockC->id()), *drag.mimeData(), false);
        return Qt::IgnoreAction;
    };
    col.card(blockA->id())->startBlockDrag();
    EXPECT_EQ(blockNames(), (QStringList { "B", "A", "C" }));
    EXPECT_EQ(mimeText, blockA->id().toString(QUuid::WithoutBraces).toUpper());
    EXPECT_EQ(col.dragState().draggingBlock, nullptr) << "a drag that ends outside still ends";
    QStringList order;
    for (auto* card : col.cardsInOrder())
        order << card->block()->name();
    EXPECT_EQ(order, (QStringList { "B", "A", "C" })) << "the cards follow the engine's order";

    // The same id text dropped from another program is no block drag: it
    // reorders nothing and adds nothing.
    auto stray = text(mimeText);
    EXPECT_EQ(dragOnto(col.card(blockC->id()), *stray), Qt::CopyAction);
    settle();
    EXPECT_EQ(blockNames(), (QStringList { "B", "A", "C" }));
    EXPECT_EQ(blockC->items().size(), 4u);

    // Item 0 hovers over rows 1, 2 and 3, then back over row 1, and drops
    // there: the order the hovering made is the result.
    col.dragState().run = [&](QDrag& drag) {
        for (int target : { 1, 2, 3 })
            dragOnto(rowOf(target), *drag.mimeData(), false);
        EXPECT_EQ(names(*blockC), (QStringList { "tone_half", "video_only", "still", "clip_5s" }));
        dragOnto(rowOf(0), *drag.mimeData(), false); // over itself: nothing moves
        dragOnto(rowOf(1), *drag.mimeData(), true);
        return Qt::MoveAction;
    };
    col.card(blockC->id())->startItemDrag(items[0]);
    EXPECT_EQ(names(*blockC), (QStringList { "clip_5s", "tone_half", "video_only", "still" }));
    EXPECT_EQ(col.card(blockC->id())->draggingItem(), nullptr);
    QList<MediaRowView*> expected { rowOf(0), rowOf(1), rowOf(2), rowOf(3) };
    EXPECT_EQ(col.card(blockC->id())->rowsInOrder(), expected) << "the same rows, re-ordered";

    // An item of one card hovering over another card's rows moves nothing there.
    col.dragState().run = [&](QDrag& drag) {
        EXPECT_EQ(dragOnto(rowOf(2), *drag.mimeData(), true), Qt::IgnoreAction);
        return Qt::IgnoreAction;
    };
    col.card(blockA->id())->startItemDrag(blockA->items()[0]);
    EXPECT_EQ(blockC->items().size(), 4u);
    EXPECT_EQ(blockA->items().size(), 1u);
}

TEST_F(BlocksColumn, ANameFieldPassesDropsToItsCard)
{
    auto& col = makeColumn();
    auto blockA = addBlock(QStringLiteral("A"), {});
    auto blockB = addBlock(QStringLiteral("Blocco 4"), { media("clip_5s.mov") });
    QCoreApplication::processEvents(); // the new cards are laid out and shown
    QLineEdit* nameB = col.card(blockB->id())->nameField();
    EXPECT_EQ(dropTargetUnder(nameB), col.card(blockB->id())) << "the field is no drop target";

    // Block A's handle dragged to B's name field and dropped there: the drop
    // is the card's, which reorders and ends the drag; the name stays.
    Qt::DropAction dropped = Qt::IgnoreAction;
    col.dragState().run = [&](QDrag& drag) {
        dragOver(nameB, *drag.mimeData(), false);
        dropped = dragOver(nameB, *drag.mimeData(), true);
        return dropped;
    };
    col.card(blockA->id())->startBlockDrag();
    EXPECT_EQ(dropped, Qt::MoveAction);
    EXPECT_EQ(blockB->name(), QStringLiteral("Blocco 4"));
    EXPECT_EQ(nameB->text(), QStringLiteral("Blocco 4"));
    EXPECT_EQ(blockNames(), (QStringList { "Blocco 4", "A" }));
    EXPECT_EQ(col.dragState().draggingBlock, nullptr);

    // An item row's drag, and a file manager's (a URL and its path as text),
    // dropped on the field: the item drag moves nothing, the file joins the
    // block at its end as a drop on the header does, and the name stays.
    col.dragState().run = [&](QDrag& drag) { return dragOver(nameB, *drag.mimeData(), true); };
    col.card(blockB->id())->startItemDrag(blockB->items()[0]);
    auto files = uriList({ QStringLiteral("still.png") });
    files->setText(mediaPath(QStringLiteral("still.png")));
    EXPECT_EQ(dragOver(nameB, *files), Qt::CopyAction);
    settle();
    EXPECT_EQ(blockB->name(), QStringLiteral("Blocco 4"));
    EXPECT_EQ(names(*blockB), (QStringList { "clip_5s", "still" }));
}

TEST_F(BlocksColumn, ADropLandsWhereTheBlockStandsWhenItsLoadArrives)
{
    auto& col = makeColumn();
    auto a = media("clip_5s.mov");
    auto b = media("tone_half.wav");
    auto c = media("video_only.mp4");
    auto block = addBlock(QStringLiteral("B"), { a, b, c });
    BlockCardView* card = col.card(block->id());

    // Dropped on the last row, whose item is removed before the load arrives:
    // the noted place (2) still exists, so the file goes there.
    auto files = uriList({ QStringLiteral("still.png") });
    dragOnto(card->row(c->id()), *files);
    block->setItems({ a, b });
    settle();
    EXPECT_EQ(names(*block), (QStringList { "clip_5s", "tone_half", "still" }));

    // Dropped on the second row while the block shrinks below that place:
    // appended at the end.
    auto more = uriList({ QStringLiteral("clip_30s.mp4"), QStringLiteral("tone_half.mp3") });
    dragOnto(card->row(b->id()), *more);
    block->setItems({ a });
    settle();
    EXPECT_EQ(names(*block), (QStringList { "clip_5s", "clip_30s", "tone_half" }));
    EXPECT_EQ(card->rowsInOrder().size(), 3);

    // A block deleted before its drop's load arrives does not come back.
    dragOnto(card, *files);
    engine->removeBlock(block);
    settle();
    EXPECT_TRUE(engine->blocks().empty());
    EXPECT_TRUE(col.cardsInOrder().isEmpty());
}

TEST_F(BlocksColumn, OnlyTheLiveItemOnAirShowsItsStatus)
{
    auto& col = makeColumn();
    LiveSource studio;
    studio.kind = LiveSourceKind::capture;
    studio.name = QStringLiteral("red");
    LiveSource field = studio;
    field.id = QUuid::createUuid();
    field.name = QStringLiteral("blue");
    auto onAirItem = MediaFile::create(studio);
    auto waiting = MediaFile::create(field);
    auto block = addBlock(QStringLiteral("Live"), { onAirItem, waiting });
    BlockCardView* card = col.card(block->id());

    QTest::mouseClick(card->row(onAirItem->id())->playButton(), Qt::LeftButton);
    ASSERT_TRUE(onAir(onAirItem));
    const auto look = card->row(onAirItem->id())->selectArea()->look();
    EXPECT_EQ(look.subtitle, QStringLiteral("LIVE · Input Live"));
    EXPECT_EQ(look.status, MediaRowView::statusText(engine->liveStatus()));
    EXPECT_FALSE(look.status.isEmpty()) << "a live input on air is connecting or live";
    EXPECT_TRUE(card->row(waiting->id())->selectArea()->look().status.isEmpty());
    EXPECT_FALSE(card->row(waiting->id())->marks().liveStatus.has_value());

    engine->stop();
    EXPECT_TRUE(card->row(onAirItem->id())->selectArea()->look().status.isEmpty());
}

} // namespace
// What happens inside a row stays inside its card: the item on air
// changing (a badge shown in one row, hidden in another) and rows made as
// they scroll into view ask the column for no new layout, which would go
// over every card and row of the show.
TEST_F(BlocksColumn, RowChangesAndRowsMadeInViewLayOutNothingAboveTheirCard)
{
    auto& col = makeColumn();
    MediaBlock::Items items;
    for (int i = 0; i < 120; ++i)
        items.push_back(media("clip_5s.mov"));
    auto block = addBlock(QStringLiteral("Lungo"), items);
    BlockCardView* card = col.card(block->id());
    ASSERT_NE(card, nullptr);
    const auto settle = [&] {
        for (int i = 0; i < 3; ++i) {
            col.repaint();
            QApplication::processEvents();
        }
    };
    engine->play(items[0], block);
    settle();

    struct LayoutRequests : QObject {
        int count = 0;
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() == QEvent::LayoutRequest)
                ++count;
            return false;
        }
    } requests;
    QWidget* list = col.scrollArea()->widget();
    list->installEventFilter(&requests);
    col.scrollArea()->viewport()->installEventFilter(&requests);
    card->installEventFilter(&requests);

    engine->play(items[1], block);
    settle();
    ASSERT_TRUE(card->row(items[1]->id())->marks().isOnAir);
    EXPECT_EQ(requests.count, 0) << "the on-air change laid out the column";

    MediaRowView* top = card->row(items[0]->id());
    const QPoint topAt = top->mapTo(list, QPoint());
    QScrollBar* bar = col.scrollArea()->verticalScrollBar();
    const int rowsBefore = int(card->rowsInOrder().size());
    for (int step = 0; step < 4; ++step) {
        bar->setValue(bar->value() + col.scrollArea()->viewport()->height());
        settle();
    }
    EXPECT_GT(int(card->rowsInOrder().size()), rowsBefore) << "rows were made as they came into view";
    EXPECT_EQ(requests.count, 0) << "rows made in view laid out the column";
    EXPECT_EQ(top->mapTo(list, QPoint()), topAt) << "rows made below moved the ones above";
    const auto shown = card->rowsInOrder();
    for (int i = 1; i < shown.size(); ++i)
        EXPECT_LE(shown[i - 1]->geometry().bottom() + 1, shown[i]->y());
}

} // namespace tessarin::test

namespace tessarin::test {

// The delete and remove buttons take the keyboard focus when clicked; when
// their card or row goes, the focus must not pass on to the next block's name
// field, where the operator's next key (a shortcut) would overwrite the name.
TEST_F(BlocksColumn, RemovingACardOrRowLeavesNoNameFieldFocused)
{
    auto& col = makeColumn();
    QApplication::setActiveWindow(&col);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&col));
    auto first = addBlock(QStringLiteral("Primo"), { media("clip_5s.mov") });
    auto second = addBlock(QStringLiteral("Secondo"), { media("clip_5s.mov") });
    auto third = addBlock(QStringLiteral("Terzo"), {});

    // The last row of the first block, removed with its button.
    IconButton* remove = col.card(first->id())->row(first->items().front()->id())->removeButton();
    remove->setFocus(Qt::MouseFocusReason);
    QTest::mouseClick(remove, Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_TRUE(first->items().empty());
    EXPECT_EQ(qobject_cast<QLineEdit*>(QApplication::focusWidget()), nullptr);

    // A whole card, removed with its delete button.
    IconButton* trash = col.card(second->id())->deleteButton();
    trash->setFocus(Qt::MouseFocusReason);
    QTest::mouseClick(trash, Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_EQ(blockNames(), (QStringList { QStringLiteral("Primo"), QStringLiteral("Terzo") }));
    EXPECT_EQ(qobject_cast<QLineEdit*>(QApplication::focusWidget()), nullptr);
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : static_cast<QWidget*>(&col), Qt::Key_P);
    EXPECT_EQ(third->name(), QStringLiteral("Terzo"));
    EXPECT_EQ(first->name(), QStringLiteral("Primo"));
}


TEST_F(BlocksColumn, ALongBlockMakesItsRowsAsTheyComeIntoView)
{
    auto& col = makeColumn();
    MediaBlock::Items items;
    // The last item is a clip, which can be cued at once (a still image only
    // once its clip has been made).
    for (int i = 0; i < 200; ++i)
        items.push_back(media(i % 5 == 3 ? "still.png" : "clip_5s.mov"));
    auto block = addBlock(QStringLiteral("Lungo"), items);
    engine->cue(items[199], block);
    ASSERT_EQ(engine->cuedItem(), items[199]);
    BlockCardView* card = col.card(block->id());
    ASSERT_NE(card, nullptr);
    const auto paint = [&] {
        for (int i = 0; i < 3; ++i) {
            col.repaint();
            QApplication::processEvents();
        }
    };
    paint();
    const int first = int(card->rowsInOrder().size());
    EXPECT_GE(first, BlockCardView::kRowsMadeAtOnce);
    EXPECT_LT(first, 100) << "the rows out of view are not made";
    EXPECT_EQ(card->row(items[199]->id()), nullptr);
    EXPECT_TRUE(card->countCapsule()->text().contains(QStringLiteral("200"))) << "the card still counts every item";

    // Scrolled to the end: the rows there are made, in their places, with
    // their marks; the ones made before stay.
    MediaRowView* top = card->row(items[0]->id());
    QScrollBar* bar = col.scrollArea()->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0) << "the card keeps the height of all its rows";
    bar->setValue(bar->maximum());
    paint();
    MediaRowView* last = card->row(items[199]->id());
    ASSERT_NE(last, nullptr);
    EXPECT_TRUE(last->isVisible());
    EXPECT_TRUE(last->marks().isCued);
    EXPECT_EQ(last->marks().index, 199);
    EXPECT_EQ(card->row(items[0]->id()), top);
    const auto shown = card->rowsInOrder();
    for (int i = 1; i < shown.size(); ++i)
        EXPECT_LT(shown[i - 1]->y(), shown[i]->y());
    EXPECT_LT(shown.size(), 200);

    // The block changes: made rows are kept, and the order follows.
    MediaBlock::Items reordered = items;
    std::swap(reordered[0], reordered[199]);
    block->setItems(reordered);
    paint();
    EXPECT_EQ(card->row(items[199]->id()), last);
    EXPECT_EQ(card->rowsInOrder().front(), last);
    EXPECT_EQ(last->marks().index, 0);
    EXPECT_EQ(card->row(items[0]->id()), top);
    EXPECT_EQ(top->marks().index, 199);
}


// A show longer than the rows the column keeps: scrolling takes back the rows
// farthest from the view, in any card, without moving anything, and makes
// them again with their marks when they come back; a row the operator is
// using (focused, trim editor open, on air, cued) stays.
TEST_F(BlocksColumn, RowsFarFromTheViewAreTakenBackAndMadeAgainWithTheirMarks)
{
    auto& col = makeColumn();
    QApplication::setActiveWindow(&col);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&col));
    std::vector<MediaBlock::Items> items(8);
    std::vector<std::shared_ptr<MediaBlock>> blocks;
    for (std::size_t b = 0; b < items.size(); ++b) {
        for (int i = 0; i < 40; ++i)
            items[b].push_back(media(i % 5 == 3 ? "still.png" : "clip_5s.mov"));
        blocks.push_back(addBlock(QStringLiteral("Blocco %1").arg(b), items[b]));
    }
    const auto& first = items[0];
    engine->play(first[6], blocks[0]);
    engine->cue(first[5], blocks[0]);
    engine->select(first[1], blocks[0]);
    // Rows taken back are deleted once the event is over, as the event loop
    // would.
    const auto paint = [&] {
        for (int i = 0; i < 3; ++i) {
            col.repaint();
            QApplication::processEvents();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    };
    paint();
    BlockCardView* card = col.card(blocks[0]->id());
    const auto rowsMade = [&] {
        int made = 0;
        for (BlockCardView* c : col.cardsInOrder())
            made += c->rowsMade();
        return made;
    };
    ASSERT_GT(rowsMade(), PlaylistColumnView::kRowsKept);
    // The rows of each card in the order of the rows area's children.
    const auto childrenInDisplayOrder = [&](BlockCardView* c) {
        const QList<MediaRowView*> shown = c->rowsInOrder();
        if (shown.isEmpty())
            return true;
        QList<MediaRowView*> children;
        for (QObject* child : shown.front()->parentWidget()->children()) {
            if (auto* row = qobject_cast<MediaRowView*>(child); row && shown.contains(row))
                children.append(row);
        }
        return children == shown;
    };

    QPointer<MediaRowView> top = card->row(first[0]->id());
    QPointer<MediaRowView> focused = card->row(first[2]->id());
    QPointer<MediaRowView> trimmed = card->row(first[4]->id());
    QPointer<MediaRowView> cued = card->row(first[5]->id());
    QPointer<MediaRowView> onAir = card->row(first[6]->id());
    ASSERT_TRUE(top && focused && trimmed && cued && onAir);
    const QRect topPlace = top->geometry();
    QTest::mouseClick(trimmed->trimButton(), Qt::LeftButton);
    ASSERT_NE(trimmed->trimEditor(), nullptr);
    focused->cueButton()->setFocus(Qt::TabFocusReason);
    ASSERT_EQ(col.focusWidget(), focused->cueButton());
    QList<int> heights;
    for (BlockCardView* c : col.cardsInOrder())
        heights << c->height();
    const int listHeight = col.scrollArea()->widget()->height();

    // To the end: the far rows go, in every card, and nothing moves.
    QScrollBar* bar = col.scrollArea()->verticalScrollBar();
    bar->setValue(bar->maximum());
    paint();
    EXPECT_EQ(card->row(first[0]->id()), nullptr) << "a row far from the view was kept";
    if (top && top->isVisible()) {
        // Given back, then given to an item coming into view, maybe in
        // another card: it shows that item alone, where that item stands.
        EXPECT_NE(top->item(), first[0]);
        const QList<BlockCardView*> cards = col.cardsInOrder();
        EXPECT_TRUE(std::any_of(cards.begin(), cards.end(),
                                [&](BlockCardView* c) { return c->row(top->item()->id()) == top; }))
            << "a row shown again is no card's row";
        EXPECT_EQ(top->selectArea()->look().name, MediaRowView::displayName(*top->item()));
    }
    EXPECT_EQ(card->row(first[1]->id()), nullptr);
    EXPECT_EQ(card->row(first[2]->id()), focused) << "the focused row was taken back";
    EXPECT_EQ(card->row(first[4]->id()), trimmed) << "the row whose trim editor is open was taken back";
    EXPECT_EQ(card->row(first[5]->id()), cued);
    EXPECT_EQ(card->row(first[6]->id()), onAir);
    EXPECT_EQ(card->rowsMade(), 4) << "the rows farthest from the view go first";
    // A jump gives back at most so many rows at each step.
    EXPECT_GE(rowsMade(), PlaylistColumnView::kRowsKept);
    EXPECT_LE(rowsMade(), PlaylistColumnView::kRowsKept + PlaylistColumnView::kRowsTakenAtOnce);
    BlockCardView* last = col.card(blocks.back()->id());
    ASSERT_NE(last->row(items.back().back()->id()), nullptr) << "the rows in view are made";
    EXPECT_TRUE(last->row(items.back().back()->id())->isVisible());
    QList<int> heightsNow;
    for (BlockCardView* c : col.cardsInOrder())
        heightsNow << c->height();
    EXPECT_EQ(heightsNow, heights) << "a card's height changed as its rows were taken back";
    EXPECT_EQ(col.scrollArea()->widget()->height(), listHeight);
    EXPECT_EQ(bar->value(), bar->maximum());

    // Back to the top: the rows are made again where they were, with their
    // marks, among the kept ones in display order.
    bar->setValue(0);
    paint();
    MediaRowView* again = card->row(first[0]->id());
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(again->isVisible());
    EXPECT_EQ(again->geometry(), topPlace);
    EXPECT_EQ(again->marks().index, 0);
    ASSERT_NE(card->row(first[1]->id()), nullptr);
    EXPECT_TRUE(card->row(first[1]->id())->marks().isSelected);
    EXPECT_EQ(card->row(first[3]->id())->marks().index, 3);
    EXPECT_TRUE(cued->marks().isCued);
    EXPECT_TRUE(onAir->marks().isOnAir);
    for (BlockCardView* c : col.cardsInOrder())
        EXPECT_TRUE(childrenInDisplayOrder(c)) << c->block()->name().toStdString();

    // Once let go of, the focused row and the trimmed one are taken back too.
    trimmed->trimEditor()->close();
    focused->cueButton()->clearFocus();
    QApplication::processEvents();
    // Page by page to the end, as the operator scrolls: rows are made on
    // the way until there are more than the column keeps.
    while (bar->value() < bar->maximum()) {
        bar->setValue(bar->value() + col.scrollArea()->viewport()->height());
        paint();
    }
    EXPECT_EQ(card->row(first[2]->id()), nullptr);
    EXPECT_EQ(card->row(first[4]->id()), nullptr);
    EXPECT_EQ(card->rowsMade(), 2) << "the cued and on-air rows stay";
}

} // namespace tessarin::test
