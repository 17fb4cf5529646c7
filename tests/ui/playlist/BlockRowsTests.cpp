// The drawn rows of a block and the real rows laid over them: every event
// of the pointer reaches a row's widgets and goes on up without coming
// back; Tab walks every row's controls once and leaves the column, Shift+Tab
// walks back the same way; screen readers get each row's true place.
#include "BlocksFixture.h"
#include "ui/kit/RowEvents.h"

#include <QAccessible>
#include <QContextMenuEvent>
#include <QHash>
#include <QLayout>
#include <QScrollArea>
#include <QScrollBar>

#include <algorithm>

namespace tessarin::test {
namespace {

class BlockRows : public BlocksTest { };

// Counts, per widget, the events of the kinds the list could hand to its
// rows; past a few it swallows them, so a loop fails the test, not the stack.
class Deliveries final : public QObject {
public:
    // The most times one widget got one event sent, since reset().
    int most = 0;
    void reset() { most = 0; }
    // Sends event to receiver, counting afresh.
    void send(QWidget* receiver, QEvent* event)
    {
        counts_.clear();
        QApplication::sendEvent(receiver, event);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::DragLeave:
            break;
        default:
            return false;
        }
        const int n = ++counts_[{ watched, int(event->type()) }];
        most = std::max(most, n);
        return n > 8;
    }

private:
    QHash<QPair<QObject*, int>, int> counts_;
};

// Every event the pointer makes, at a point of a widget, as the window
// system delivers it there.
void sendEveryEvent(Deliveries& deliveries, QWidget* at, const QPoint& point, const QMimeData& data)
{
    const QPointF p(point);
    const QPointF global(at->mapToGlobal(point));
    const auto spontaneous = [&](QEvent* event) {
        QSpontaneKeyEvent::setSpontaneous(event);
        deliveries.send(at, event);
    };
    const auto mouse = [&](QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons buttons) {
        QMouseEvent event(type, p, p, global, button, buttons, Qt::NoModifier);
        spontaneous(&event);
    };
    mouse(QEvent::MouseMove, Qt::NoButton, Qt::NoButton);
    for (Qt::MouseButton button : { Qt::LeftButton, Qt::RightButton }) {
        mouse(QEvent::MouseButtonPress, button, button);
        mouse(QEvent::MouseButtonRelease, button, Qt::NoButton);
        mouse(QEvent::MouseButtonDblClick, button, button);
        mouse(QEvent::MouseButtonRelease, button, Qt::NoButton);
    }
    QContextMenuEvent menu(QContextMenuEvent::Mouse, point, global.toPoint());
    spontaneous(&menu);
    QWheelEvent wheel(p, global, {}, { 0, -120 }, Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    spontaneous(&wheel);
    QDragEnterEvent enter(point, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    deliveries.send(at, &enter);
    QDragMoveEvent move(point, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    deliveries.send(at, &move);
    QDragLeaveEvent leave;
    deliveries.send(at, &leave);
}

TEST_F(BlockRows, EveryEventAtEveryControlOfEveryKindOfRowGoesUpOnce)
{
    auto& col = makeColumn();
    LiveSource source;
    source.kind = LiveSourceKind::srt;
    source.name = QStringLiteral("Regia");
    const MediaBlock::Items items { media("clip_5s.mov"), media("still.png"), MediaFile::create(source),
                                    media("clip_5s.mov"), media("tone_half.wav"), media("clip_30s.mp4"),
                                    media("clip_5s.mov"), media("clip_5s.mov") };
    const auto block = addBlock(QStringLiteral("B"), items);
    items[3]->setPlaybackError(QStringLiteral("file danneggiato"));
    items[6]->setLoop(true);
    items[7]->setIsMuted(true);
    const auto reset = [&] {
        if (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
        if (block->items() != items)
            block->setItems(items);
        engine->play(items[4], block);
        engine->cue(items[5], block);
        QApplication::processEvents();
    };
    reset();
    BlockItemList* list = col.card(block->id())->itemList();
    QMimeData text;
    text.setText(QStringLiteral("testo"));
    Deliveries deliveries;
    qApp->installEventFilter(&deliveries);
    for (int row = 0; row < int(items.size()); ++row) {
        SCOPED_TRACE(row);
        MediaRowView* real = list->openRow(items[std::size_t(row)]->id());
        ASSERT_NE(real, nullptr);
        QList<QPoint> points; // in the viewport, at the centre of each of the row's widgets
        for (QWidget* w : real->findChildren<QWidget*>()) {
            if (w->isVisibleTo(real))
                points << w->mapTo(list->viewport(), w->rect().center());
        }
        for (const QPoint& point : points) {
            // Onto the viewport, as where a row is drawn, then onto the
            // widget of the real row the pointer made there.
            for (bool drawn : { true, false }) {
                reset();
                QWidget* target = list->viewport();
                QPoint at = point;
                if (!drawn) {
                    list->openRow(items[std::size_t(row)]->id());
                    target = list->viewport()->childAt(point);
                    ASSERT_NE(target, nullptr);
                    at = target->mapFrom(list->viewport(), point);
                }
                deliveries.reset();
                sendEveryEvent(deliveries, target, at, text);
                EXPECT_LE(deliveries.most, 2) << (drawn ? "on the drawn row at " : "on the real row at ") << point.x()
                                              << "," << point.y();
            }
        }
    }
    qApp->removeEventFilter(&deliveries);
    reset();
    engine->stop();
}

// Tab from the first row of a block walks every row's controls once, the
// next block's header and rows, and leaves the column; Shift+Tab from there
// walks back through the very same stops.
TEST_F(BlockRows, TabWalksEveryRowOnceAndLeavesTheColumnAndShiftTabWalksBack)
{
    auto& col = makeColumn();
    QApplication::setActiveWindow(&col);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&col));
    const auto a = addBlock(QStringLiteral("A"), { media("clip_5s.mov"), media("still.png"), media("tone_half.wav") });
    const auto b = addBlock(QStringLiteral("B"), { media("clip_5s.mov"), media("clip_30s.mp4") });
    QApplication::processEvents();
    QWidget* cards = col.scrollArea()->widget();
    // A stop by what it is: an item's control by the item and its place
    // among the row's stops, any other widget by its class and name.
    const auto place = [&](QWidget* w) {
        for (QWidget* up = w; up; up = up->parentWidget()) {
            if (auto* row = qobject_cast<MediaRowView*>(up))
                return row->item()->id().toString() + QLatin1Char('/')
                    + QString::number(BlockItemList::tabStops(*row).indexOf(w));
        }
        return w ? QString::fromLatin1(w->metaObject()->className()) + QLatin1Char(' ') + w->accessibleName()
                 : QStringLiteral("none");
    };
    const auto inColumn = [&] { return cards->isAncestorOf(QApplication::focusWidget()); };
    const auto press = [&](Qt::KeyboardModifiers modifiers) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, modifiers);
        QApplication::processEvents();
    };
    QWidget* start = col.card(a->id())->row(a->items()[0]->id())->trimButton();
    start->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(waitUntil([&] { return start->hasFocus(); }, 5.0));
    QStringList forward { place(start) };
    while (forward.size() < 200) {
        press(Qt::NoModifier);
        if (!inColumn())
            break;
        ASSERT_FALSE(forward.contains(place(QApplication::focusWidget())))
            << "Tab came back to " << place(QApplication::focusWidget()).toStdString() << " after "
            << forward.join(QLatin1String(" | ")).toStdString();
        forward << place(QApplication::focusWidget());
    }
    ASSERT_FALSE(inColumn()) << "Tab never left the column: " << forward.join(QLatin1String(" | ")).toStdString();
    int stops = 0;
    for (const auto& block : { a, b }) {
        for (const auto& item : block->items()) {
            MediaRowView* row = col.card(block->id())->row(item->id());
            ASSERT_NE(row, nullptr);
            for (QWidget* stop : BlockItemList::tabStops(*row)) {
                if (stop->isEnabled() && stop->isVisibleTo(row)) {
                    ++stops;
                    EXPECT_TRUE(forward.contains(place(stop))) << "Tab never reached " << place(stop).toStdString();
                }
            }
        }
    }
    EXPECT_GT(forward.size(), stops) << "the header of the second block";

    QStringList back;
    while (back.size() < forward.size()) {
        press(Qt::ShiftModifier);
        if (!inColumn())
            break;
        back.prepend(place(QApplication::focusWidget()));
    }
    EXPECT_EQ(back, forward) << "Shift+Tab walked back another way";
}

// Row 751 of 1,500 is the list's child 750 of 1,500, drawn or real; a
// reader going through every row keeps only a bounded number of entries.
TEST_F(BlockRows, ScreenReadersGetTheTruePlaceAndABoundedNumberOfEntries)
{
    auto& col = makeColumn();
    MediaBlock::Items items;
    for (int i = 0; i < 1500; ++i)
        items.push_back(media("clip_5s.mov"));
    const auto block = addBlock(QStringLiteral("Lungo"), items);
    QApplication::processEvents();
    BlockItemList* list = col.card(block->id())->itemList();
    QAccessibleInterface* view = QAccessible::queryAccessibleInterface(list);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->childCount(), 1500);
    QAccessibleInterface* drawn = view->child(750);
    ASSERT_NE(drawn, nullptr);
    EXPECT_EQ(drawn->object(), nullptr);
    EXPECT_EQ(view->indexOfChild(drawn), 750);
    EXPECT_EQ(drawn->parent(), view);
    ASSERT_NE(list->openRow(items[750]->id()), nullptr);
    QAccessibleInterface* real = view->child(750);
    EXPECT_NE(real->object(), nullptr);
    EXPECT_EQ(view->indexOfChild(real), 750);
    EXPECT_EQ(real->parent(), view);

    // Ids count up: every interface made from here on has a greater one.
    const QAccessible::Id firstId = QAccessible::uniqueId(view->child(0));
    QScrollBar* bar = col.scrollArea()->verticalScrollBar();
    const int page = col.scrollArea()->viewport()->height();
    for (bar->setValue(0);; bar->setValue(bar->value() + page)) {
        QApplication::processEvents();
        const auto [first, last] = list->exposedRows();
        for (int row = first; row <= last; ++row) {
            QAccessibleInterface* node = view->child(row);
            for (int c = 0; node && c < node->childCount(); ++c)
                node->child(c);
        }
        if (bar->value() >= bar->maximum())
            break;
    }
    int alive = 0;
    QAccessible::Id lastId = QAccessible::uniqueId(view->child(0));
    for (QAccessible::Id id = firstId; id <= lastId; ++id) {
        if (QAccessibleInterface* iface = QAccessible::accessibleInterface(id); iface && !iface->object())
            ++alive;
    }
    EXPECT_GT(lastId - firstId, 10000u) << "the scroll read every row and its controls";
    EXPECT_LT(alive, 1000) << "entries for drawn rows are kept without bound";
}

// Items added or removed in one run are rows inserted or removed: the other
// rows, their real widgets and a reader's place stay; other changes list
// the items again.
TEST_F(BlockRows, ARunOfItemsAddedOrRemovedInsertsOrRemovesRows)
{
    auto& col = makeColumn();
    const MediaBlock::Items items { media("clip_5s.mov"), media("tone_half.wav"), media("still.png") };
    const auto block = addBlock(QStringLiteral("B"), items);
    QApplication::processEvents();
    BlockItemModel* model = col.card(block->id())->itemModel();
    BlockItemList* list = col.card(block->id())->itemList();
    QPointer<MediaRowView> kept = list->openRow(items[2]->id());
    QStringList told;
    QObject::connect(model, &QAbstractItemModel::rowsInserted, [&](const QModelIndex&, int first, int last) {
        told << QStringLiteral("+%1-%2").arg(first).arg(last);
    });
    QObject::connect(model, &QAbstractItemModel::rowsRemoved, [&](const QModelIndex&, int first, int last) {
        told << QStringLiteral("-%1-%2").arg(first).arg(last);
    });
    QObject::connect(model, &QAbstractItemModel::modelReset, [&] { told << QStringLiteral("reset"); });
    // What screen readers are told: each row that came or goes at its
    // place, the row the list has there.
    QAccessibleInterface* view = QAccessible::queryAccessibleInterface(list);
    QStringList read;
    observeRowEvents([&](QAccessibleInterface* of, QAccessibleInterface* row, int index, bool added) {
        if (of != view)
            return;
        read << QStringLiteral("%1%2").arg(added ? '+' : '-').arg(index);
        EXPECT_EQ(view->indexOfChild(row), index);
        EXPECT_EQ(row->parent(), view);
    });
    const auto a = media("clip_30s.mp4");
    const auto b = media("clip_5s.mov");
    const struct {
        MediaBlock::Items items;
        const char* told;
        const char* read;
    } steps[] = {
        { { items[0], a, b, items[1], items[2] }, "+1-2", "+1 +2" },
        { { items[0], b, items[1], items[2] }, "-1-1", "-1" },
        { { items[0], items[1], items[2] }, "-1-1", "-1" },
        { { items[0], items[1], items[2], a, b }, "+3-4", "+3 +4" },
        { { items[0], items[1], items[2] }, "-3-4", "-4 -3" },
        { { items[2], items[1], items[0] }, "reset", "" },
    };
    for (const auto& step : steps) {
        told.clear();
        read.clear();
        block->setItems(step.items);
        QApplication::processEvents();
        EXPECT_EQ(told.join(QLatin1Char(' ')), QString::fromLatin1(step.told));
        EXPECT_EQ(read.join(QLatin1Char(' ')), QString::fromLatin1(step.read));
        ASSERT_EQ(model->rowCount(), int(step.items.size()));
        for (int row = 0; row < model->rowCount(); ++row) {
            EXPECT_EQ(model->item(row), step.items[std::size_t(row)]);
            EXPECT_EQ(model->rowOf(step.items[std::size_t(row)]->id()), row);
            EXPECT_EQ(model->marks(row).index, row);
        }
        EXPECT_EQ(list->liveRow(items[2]->id()), kept.data()) << "the real row was made again";
    }
    observeRowEvents({});
}

// A row removed by its own button moves none of those above it, at once
// and after the column places the card again: a double click on the remove
// button would otherwise remove the row that came up under the pointer.
TEST_F(BlockRows, ARowRemovedMovesNoRowAboveIt)
{
    auto& col = makeColumn();
    for (const int removed : { 3, 1 }) {
        SCOPED_TRACE(removed);
        const MediaBlock::Items items { media("clip_5s.mov"), media("tone_half.wav"), media("still.png"),
                                        media("clip_5s.mov") };
        const auto block = addBlock(QStringLiteral("B"), items);
        QApplication::processEvents();
        BlockCardView* card = col.card(block->id());
        ASSERT_NE(card, nullptr);
        BlockItemList* list = card->itemList();
        const auto topOf = [list](int row) { return list->viewport()->mapToGlobal(list->rowRect(row).topLeft()); };
        QList<QPoint> above;
        for (int row = 0; row < removed; ++row)
            above << topOf(row);
        const int height = card->height();
        QTest::mouseClick(list->openRow(items[std::size_t(removed)]->id())->removeButton(), Qt::LeftButton);
        ASSERT_EQ(block->items().size(), items.size() - 1);
        // Whatever lays the card out before the column places it again.
        card->layout()->activate();
        for (int row = 0; row < removed; ++row)
            EXPECT_EQ(topOf(row), above[row]) << "row " << row << ", before the column placed the card";
        QApplication::processEvents();
        EXPECT_LT(card->height(), height);
        for (int row = 0; row < removed; ++row)
            EXPECT_EQ(topOf(row), above[row]) << "row " << row;
        engine->removeBlock(block);
        QApplication::processEvents();
    }
}

} // namespace
} // namespace tessarin::test
