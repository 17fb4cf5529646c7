// The blocks column driven through the real engine and back: blocks made,
// renamed and deleted, items dropped where they land, and drags that
// reorder while they hover and leave no state behind when they end.
#include "BlocksFixture.h"

#include <QDrag>
#include <QLineEdit>
#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>

#include <algorithm>
#include <functional>

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
    EXPECT_EQ(card->itemModel()->rowCount(), 6);
    EXPECT_EQ(card->itemModel()->rowOf(first->id()), 2);

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
    EXPECT_EQ(card->itemModel()->rowCount(), 3);

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
// changing (a badge shown in one row, hidden in another) and rows drawn as
// they scroll into view ask the column for no new layout, which would go
// over every card and row of the show.
TEST_F(BlocksColumn, RowChangesAndRowsDrawnInViewLayOutNothingAboveTheirCard)
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
    EXPECT_EQ(int(card->rowsInOrder().size()), rowsBefore) << "rows drawn as they came into view are no widgets";
    EXPECT_EQ(requests.count, 0) << "rows drawn in view laid out the column";
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
TEST_F(BlocksColumn, RemovingACardOrRowHandsTheFocusOnInPlaceNeverToANameField)
{
    auto& col = makeColumn();
    QApplication::setActiveWindow(&col);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&col));
    auto a = media("clip_5s.mov");
    auto b = media("still.png");
    auto c = media("clip_5s.mov");
    auto first = addBlock(QStringLiteral("Primo"), { a, b, c });
    auto second = addBlock(QStringLiteral("Secondo"), { media("clip_5s.mov") });
    auto third = addBlock(QStringLiteral("Terzo"), {});
    const auto focusName = [] {
        QWidget* focus = QApplication::focusWidget();
        return focus ? focus->accessibleName() : QStringLiteral("<none>");
    };
    const auto removeBy = [](IconButton* button) {
        button->setFocus(Qt::TabFocusReason);
        button->click();
        QApplication::processEvents();
    };

    // Removed in turn with their buttons by the keyboard: the focus goes
    // to the row that takes the place (an image's, of another kind), then
    // to the one before the last, then to the block.
    removeBy(col.card(first->id())->row(a->id())->removeButton());
    EXPECT_EQ(focusName(), QStringLiteral("Rimuovi dal blocco, still"));
    removeBy(col.card(first->id())->row(c->id())->removeButton());
    EXPECT_EQ(first->items(), MediaBlock::Items { b });
    EXPECT_EQ(focusName(), QStringLiteral("Rimuovi dal blocco, still"));
    removeBy(col.card(first->id())->row(b->id())->removeButton());
    EXPECT_TRUE(first->items().empty());
    EXPECT_EQ(focusName(), QStringLiteral("Impostazioni blocco, Primo"));
    // Tab goes on from there, not from the top of the window.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(focusName(), QStringLiteral("Elimina blocco, Primo"));

    // A whole card, removed with its delete button: the next card's.
    removeBy(col.card(second->id())->deleteButton());
    EXPECT_EQ(blockNames(), (QStringList { QStringLiteral("Primo"), QStringLiteral("Terzo") }));
    EXPECT_EQ(focusName(), QStringLiteral("Elimina blocco, Terzo"));
    EXPECT_EQ(qobject_cast<QLineEdit*>(QApplication::focusWidget()), nullptr);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_P);
    EXPECT_EQ(third->name(), QStringLiteral("Terzo"));
    EXPECT_EQ(first->name(), QStringLiteral("Primo"));
}

// A show of any shape, many small blocks or one long one, costs the cards
// near the view and the rows painted: the column keeps every other block's
// place as high as its card will be and makes cards as they come into view;
// rows are drawn, with their marks, and no row is a widget of its own but
// one the operator is using (focused, its trim editor open), which stays
// made however far the view goes.
TEST_F(BlocksColumn, AShowMakesOnlyTheCardsNearTheViewAndNoWidgetPerRow)
{
    struct Shape {
        int blocks;
        int items;
    };
    std::vector<int> widgets;
    for (const Shape shape : { Shape { 100, 5 }, Shape { 1, 400 }, Shape { 20, 5 } }) {
        SCOPED_TRACE(shape.blocks);
        auto& col = makeColumn();
        QApplication::setActiveWindow(&col);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&col));
        PlaylistEngine::Blocks blocks;
        for (int b = 0; b < shape.blocks; ++b) {
            auto block = std::make_shared<MediaBlock>(QStringLiteral("Blocco %1").arg(b), QUuid::createUuid());
            MediaBlock::Items items;
            for (int i = 0; i < shape.items; ++i)
                items.push_back(media(i % 5 == 3 ? "still.png" : "clip_5s.mov"));
            block->setItems(items);
            blocks.push_back(block);
        }
        const auto first = blocks.front();
        const auto last = blocks.back();
        engine->setBlocks(blocks);
        engine->play(first->items()[0], first);
        engine->cue(last->items().back(), last);
        engine->select(first->items()[1], first);
        const auto paint = [&] {
            for (int i = 0; i < 3; ++i) {
                col.repaint();
                QApplication::processEvents();
            }
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        };
        paint();
        // Opened: a few cards, no row widget, and only the rows in view
        // painted; the widgets do not grow with the show.
        EXPECT_LE(col.cardsInOrder().size(), 12);
        EXPECT_TRUE(col.findChildren<MediaRowView*>().isEmpty()) << "rows were made as widgets";
        widgets.push_back(int(col.findChildren<QWidget*>().size()));
        if (shape.blocks > 1) {
            EXPECT_EQ(col.card(last->id()), nullptr);
        }
        BlockCardView* top = col.card(first->id());
        ASSERT_NE(top, nullptr);
        EXPECT_EQ(top->countCapsule()->text(), QString::number(shape.items)) << "the card counts every item";
        EXPECT_TRUE(top->itemModel()->marks(1).isSelected);
        const QString spoken = top->itemModel()->data(top->itemModel()->index(0), Qt::AccessibleTextRole).toString();
        EXPECT_TRUE(spoken.startsWith(QStringLiteral("clip_5s, 00:00:0")) && spoken.endsWith(QStringLiteral(", ON AIR")))
            << spoken.toStdString();

        // The operator uses two rows of the first card: the focus on one,
        // the trim editor open on another.
        QPointer<MediaRowView> focused = top->row(first->items()[0]->id());
        QPointer<MediaRowView> trimmed = top->row(first->items()[2]->id());
        ASSERT_TRUE(focused && trimmed);
        QTest::mouseClick(trimmed->trimButton(), Qt::LeftButton);
        ASSERT_NE(trimmed->trimEditor(), nullptr);
        focused->cueButton()->setFocus(Qt::TabFocusReason);
        const QPoint topRowAt = focused->mapTo(col.scrollArea()->widget(), QPoint());

        // To the end: the list was as high as its cards all along, the last
        // cards are made there, their rows drawn with their marks, and the
        // rows in use stay.
        QScrollBar* bar = col.scrollArea()->verticalScrollBar();
        const int page = col.scrollArea()->viewport()->height();
        const int listHeight = col.scrollArea()->widget()->height();
        const int end = bar->maximum();
        ASSERT_GT(end, 4 * page);
        while (bar->value() < bar->maximum()) {
            bar->setValue(bar->value() + page);
            paint();
        }
        EXPECT_EQ(bar->maximum(), end) << "a block's place was not as high as its card";
        EXPECT_EQ(col.scrollArea()->widget()->height(), listHeight);
        BlockCardView* bottom = col.card(last->id());
        ASSERT_NE(bottom, nullptr);
        EXPECT_TRUE(bottom->itemModel()->marks(shape.items - 1).isCued);
        EXPECT_LE(col.cardsInOrder().size(), 12);
        EXPECT_EQ(col.findChildren<MediaRowView*>().size(), 2) << "only the rows in use are widgets";
        ASSERT_EQ(col.card(first->id()), top) << "the card in use was let go of";
        EXPECT_EQ(top->itemList()->liveRow(first->items()[0]->id()), focused);
        EXPECT_EQ(top->itemList()->liveRow(first->items()[2]->id()), trimmed);
        EXPECT_EQ(focused->mapTo(col.scrollArea()->widget(), QPoint()), topRowAt);

        // Once no longer in use, and back at the top: the rows are drawn
        // where they were, and the card made again draws the marks.
        trimmed->trimEditor()->close();
        focused->cueButton()->clearFocus();
        QApplication::processEvents();
        bar->setValue(bar->value() - page);
        paint();
        if (shape.blocks > 1) {
            EXPECT_EQ(col.card(first->id()), nullptr);
        }
        while (bar->value() > 0) {
            bar->setValue(bar->value() - page);
            paint();
        }
        top = col.card(first->id());
        ASSERT_NE(top, nullptr);
        EXPECT_EQ(top->itemList()->rowRect(0).topLeft() + top->itemList()->mapTo(col.scrollArea()->widget(), QPoint()),
                  topRowAt);
        EXPECT_TRUE(top->itemModel()->marks(0).isOnAir);

        engine->stop();
        engine->setBlocks({});
        column.reset();
        drainMainQueue();
    }
    ASSERT_EQ(widgets.size(), 3u);
    EXPECT_LE(widgets[0], widgets[2] + 40) << "a show of 100 blocks has more widgets than one of 20";
    EXPECT_LE(widgets[1], widgets[2]) << "a block of 400 items has more widgets than a few small ones";
}

} // namespace tessarin::test

namespace tessarin::test {

// Alt+Up / Alt+Down move the focused item, or the block whose header holds
// the focus, one place, as a drag does; an item at its block's end goes to
// the near end of the next block. The focus stays on what moved.
TEST_F(BlocksColumn, AltArrowsMoveTheFocusedItemOrBlockOnePlace)
{
    auto& col = makeColumn();
    QApplication::setActiveWindow(&col);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&col));
    const auto a = addBlock(QStringLiteral("A"), { media("clip_5s.mov"), media("tone_half.wav"), media("still.png") });
    const auto b = addBlock(QStringLiteral("B"), { media("clip_30s.mp4") });
    const auto tone = a->items()[1];
    drainMainQueue();
    const auto cueOf = [&](const std::shared_ptr<MediaFile>& item) -> QWidget* {
        for (BlockCardView* card : col.cardsInOrder()) {
            if (MediaRowView* row = card->row(item->id()))
                return row->cueButton();
        }
        return nullptr;
    };
    const auto nameOf = [&](const std::shared_ptr<MediaBlock>& block) -> QWidget* {
        BlockCardView* card = col.card(block->id());
        return card ? card->nameField() : nullptr;
    };
    const struct {
        std::function<QWidget*()> focus;
        Qt::Key key;
        QStringList a;
        QStringList b;
        QStringList blocks;
    } steps[] = {
        { [&] { return cueOf(tone); }, Qt::Key_Down, { "clip_5s", "still", "tone_half" }, { "clip_30s" }, { "A", "B" } },
        { [&] { return cueOf(tone); }, Qt::Key_Down, { "clip_5s", "still" }, { "tone_half", "clip_30s" }, { "A", "B" } },
        { [&] { return cueOf(tone); }, Qt::Key_Up, { "clip_5s", "still", "tone_half" }, { "clip_30s" }, { "A", "B" } },
        { [&] { return cueOf(a->items()[0]); }, Qt::Key_Up, { "clip_5s", "still", "tone_half" }, { "clip_30s" },
          { "A", "B" } },
        { [&] { return nameOf(a); }, Qt::Key_Down, { "clip_5s", "still", "tone_half" }, { "clip_30s" }, { "B", "A" } },
        { [&] { return nameOf(a); }, Qt::Key_Down, { "clip_5s", "still", "tone_half" }, { "clip_30s" }, { "B", "A" } },
    };
    int n = 0;
    for (const auto& step : steps) {
        SCOPED_TRACE(n++);
        QWidget* focus = step.focus();
        ASSERT_NE(focus, nullptr);
        focus->setFocus(Qt::TabFocusReason);
        ASSERT_TRUE(waitUntil([&] { return focus->hasFocus(); }, 5.0));
        QTest::keyClick(focus, step.key, Qt::AltModifier);
        QApplication::processEvents();
        EXPECT_EQ(names(*a), step.a);
        EXPECT_EQ(names(*b), step.b);
        EXPECT_EQ(blockNames(), step.blocks);
        EXPECT_EQ(QApplication::focusWidget(), step.focus()) << "the focus stays on what moved";
    }
}

} // namespace tessarin::test

namespace tessarin::test {

// Held Tab in a long block: rows made as they scroll into view take the
// focus in turn, one row after the other, however fast the presses come
// (none of them waits for the events the scrolling posts).
TEST_F(BlocksColumn, TabWalksALongBlockRowByRow)
{
    auto& col = makeColumn();
    QApplication::setActiveWindow(&col);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&col));
    MediaBlock::Items items;
    for (int i = 0; i < 200; ++i)
        items.push_back(media("clip_5s.mov"));
    const auto block = addBlock(QStringLiteral("Lungo"), items);
    QApplication::processEvents();
    BlockCardView* card = col.card(block->id());
    ASSERT_NE(card, nullptr);
    ASSERT_EQ(card->rowsMade(), 0) << "the rows are drawn, not made";
    const auto rowIndex = [&](QWidget* w) {
        while (w && !qobject_cast<MediaRowView*>(w))
            w = w->parentWidget();
        if (!w)
            return -1;
        const auto& all = block->items();
        const auto at = std::find(all.begin(), all.end(), static_cast<MediaRowView*>(w)->item());
        return at == all.end() ? -1 : int(at - all.begin());
    };
    for (bool processEvents : { false, true }) {
        SCOPED_TRACE(processEvents);
        QWidget* start = card->row(items[0]->id())->trimButton();
        start->setFocus(Qt::TabFocusReason);
        ASSERT_TRUE(waitUntil([&] { return start->hasFocus(); }, 5.0));
        int last = 0;
        int presses = 0;
        while (last < 120 && presses < 120 * 10) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            ++presses;
            if (processEvents)
                QApplication::processEvents();
            const int now = rowIndex(QApplication::focusWidget());
            ASSERT_TRUE(now == last || now == last + 1)
                << "from row " << last << " to " << now << " ("
                << (QApplication::focusWidget() ? QApplication::focusWidget()->metaObject()->className() : "none")
                << ") at press " << presses;
            last = now;
        }
        EXPECT_EQ(last, 120);
        // No detour: each row's stops once, and the next row's first.
        int stops = 0;
        MediaRowView* now = card->row(items[120]->id());
        ASSERT_NE(now, nullptr);
        for (QWidget* w : now->findChildren<QWidget*>())
            stops += (w->focusPolicy() & Qt::TabFocus) ? 1 : 0;
        EXPECT_EQ(presses, 120 * stops);
        QApplication::processEvents();
        col.scrollArea()->verticalScrollBar()->setValue(0);
        QApplication::processEvents();
    }
}

} // namespace tessarin::test
