#include "ui/playlist/BlockItemList.h"

#include "media/MediaFile.h"
#include "ui/kit/FocusInView.h"
#include "ui/kit/Theme.h"
#include "ui/playlist/BlockItemDelegate.h"
#include "ui/playlist/BlockItemModel.h"
#include "ui/playlist/RowThumbnails.h"

#include <QAccessible>
#include <QApplication>
#include <QDragEnterEvent>
#include <QLayout>
#include <QMouseEvent>
#include <QScrollArea>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>
#include <utility>
#include <limits>

namespace tessarin {
namespace {

// Real rows kept besides those in use: the pointer going back and forth over
// a few rows makes none of them again.
constexpr int kLiveRowsKept = 4;

bool canTakeTab(const QWidget& widget, const QWidget& row)
{
    return widget.isEnabled() && widget.isVisibleTo(&row);
}

} // namespace

BlockItemList::BlockItemList(BlockItemModel& model, ItemRowStamps& stamps, MakeActions actions, QWidget* parent)
    : QListView(parent)
    , model_(model)
    , stamps_(stamps)
    , actions_(std::move(actions))
{
    // A drawn row's picture comes after its first paint: its row is drawn again.
    connect(&stamps_.thumbnails(), &RowThumbnails::decoded, this,
            [this](const QUuid& itemID) { model_.announceItem(itemID); });
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAutoScroll(false);
    setUniformItemSizes(false);
    setMouseTracking(true);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Base, Theme::panel());
    palette.setColor(QPalette::Window, Theme::panel());
    setPalette(palette);
    // The real rows' widgets take their colours as in the card: text on a
    // window, not on an item view's base.
    viewport()->setBackgroundRole(QPalette::Window);
    setModel(&model_);
    delegate_ = new BlockItemDelegate(model_, stamps_, *this);
    delegate_->isCovered = [this](const QModelIndex& index) {
        return live_.contains(model_.item(index.row())->id());
    };
    setItemDelegate(delegate_);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setFixedHeight(0);

    const auto relist = [this] {
        QWidget* refocused = refocusAfterRemoval() ? QApplication::focusWidget() : nullptr;
        for (const QUuid& id : live_.keys()) {
            if (model_.rowOf(id) < 0)
                releaseRow(id);
        }
        layOutNow();
        if (refocused && refocused->hasFocus())
            showInScrollAreas(refocused);
    };
    connect(&model_, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex&, int first, int last) { noteFocusedRowLeaving(first, last); });
    connect(&model_, &QAbstractItemModel::modelAboutToBeReset, this,
            [this] { noteFocusedRowLeaving(0, model_.rowCount() - 1); });
    connect(&model_, &QAbstractItemModel::modelReset, this, relist);
    connect(&model_, &QAbstractItemModel::rowsInserted, this, relist);
    connect(&model_, &QAbstractItemModel::rowsRemoved, this, relist);
    connect(&model_, &QAbstractItemModel::rowsMoved, this, [this] { layOutNow(); });
    layOutNow();
}

BlockItemList::~BlockItemList() = default;

MediaRowView* BlockItemList::liveRow(const QUuid& itemID) const
{
    return live_.value(itemID).row;
}

MediaRowView* BlockItemList::openRow(const QUuid& itemID)
{
    const int row = model_.rowOf(itemID);
    if (row < 0)
        return nullptr;
    layOutNow();
    return openRowAt(row);
}

QList<MediaRowView*> BlockItemList::liveRows() const
{
    QList<MediaRowView*> rows;
    for (const Live& live : live_)
        rows.append(live.row);
    std::sort(rows.begin(), rows.end(), [this](MediaRowView* a, MediaRowView* b) {
        return model_.rowOf(a->item()->id()) < model_.rowOf(b->item()->id());
    });
    return rows;
}

MediaRowView* BlockItemList::rowHolding(const QWidget* widget) const
{
    while (widget && widget->parentWidget() != viewport())
        widget = widget->parentWidget();
    auto* row = qobject_cast<MediaRowView*>(const_cast<QWidget*>(widget));
    return row && live_.value(row->item()->id()).row == row ? row : nullptr;
}

QList<QWidget*> BlockItemList::tabStops(const MediaRowView& row)
{
    QList<QWidget*> stops;
    for (QWidget* child : row.findChildren<QWidget*>()) {
        if (child->focusPolicy() & Qt::TabFocus)
            stops.append(child);
    }
    return stops;
}

QWidget* BlockItemList::stampFor(int row)
{
    if (row < 0 || row >= model_.rowCount())
        return nullptr;
    return &delegate_->stamp(model_.index(row), rowRect(row).size());
}

QWidget* BlockItemList::liveRowAt(int row) const
{
    return row >= 0 && row < model_.rowCount() ? liveRow(model_.item(row)->id()) : nullptr;
}

QWidget* BlockItemList::openLiveRow(int row)
{
    if (row < 0 || row >= model_.rowCount())
        return nullptr;
    layOutNow();
    return openRowAt(row);
}

int BlockItemList::rowOfLive(const QWidget* row) const
{
    const auto* live = qobject_cast<const MediaRowView*>(row);
    return live && liveRow(live->item()->id()) == live ? model_.rowOf(live->item()->id()) : -1;
}

std::pair<int, int> BlockItemList::exposedRows() const
{
    const int rows = model_.rowCount();
    if (rows == 0 || !isVisible())
        return { 0, -1 };
    // The column's view and half a page around it, as cards are made.
    QRect near = viewport()->rect();
    for (QWidget* up = parentWidget(); up; up = up->parentWidget()) {
        if (auto* area = qobject_cast<QScrollArea*>(up)) {
            QWidget* port = area->viewport();
            const int extra = port->height() / 2;
            near = QRect(viewport()->mapFrom(port, QPoint(0, 0)), port->size()).adjusted(0, -extra, 0, extra);
            near &= viewport()->rect();
            break;
        }
    }
    if (near.isEmpty())
        return { 0, -1 };
    const QModelIndex top = indexAt(QPoint(0, near.top()));
    const QModelIndex bottom = indexAt(QPoint(0, near.bottom()));
    return { top.isValid() ? top.row() : 0, bottom.isValid() ? bottom.row() : rows - 1 };
}

QRect BlockItemList::rowRect(int row) const
{
    return visualRect(model_.index(row));
}

void BlockItemList::layOutNow()
{
    executeDelayedItemsLayout();
    updateGeometries();
}

MediaRowView* BlockItemList::openRowAt(int row)
{
    const auto& item = model_.item(row);
    auto it = live_.find(item->id());
    if (it != live_.end()) {
        it->used = ++clock_;
        return it->row;
    }
    auto* made = new MediaRowView(item, actions_ ? actions_(item) : MediaRowView::Actions {}, stamps_.thumbnails(),
                                  viewport());
    made->setMarks(model_.marks(row));
    made->setAcceptDrops(true);
    made->installEventFilter(this);
    made->setGeometry(rowRect(row));
    made->layout()->activate();
    // Its controls follow the list in the focus chain: the window's own Tab
    // walk meets the list (which hands the focus on to its first row) before
    // any of them, and Shift+Tab from after the list is caught at once.
    QWidget* after = this;
    for (QWidget* stop : tabStops(*made)) {
        QWidget::setTabOrder(after, stop);
        stop->installEventFilter(this);
        after = stop;
    }
    live_.insert(item->id(), { made, ++clock_ });
    made->show();
    releaseSpareRows();
    return made;
}

void BlockItemList::noteFocusedRowLeaving(int first, int last)
{
    leaving_ = {};
    QWidget* focus = QApplication::focusWidget();
    const MediaRowView* row = rowHolding(focus);
    const int at = row ? model_.rowOf(row->item()->id()) : -1;
    if (at >= first && at <= last)
        leaving_ = { first, focus->toolTip() };
}

bool BlockItemList::refocusAfterRemoval()
{
    const Leaving leaving = std::exchange(leaving_, {});
    const MediaRowView* holding = rowHolding(QApplication::focusWidget());
    if (leaving.row < 0 || !holding || model_.rowOf(holding->item()->id()) >= 0)
        return false; // the focus went elsewhere meanwhile, or its row stayed
    const int rows = model_.rowCount();
    if (rows == 0) {
        if (!onLastRowGone)
            return false;
        onLastRowGone();
        return true;
    }
    MediaRowView* row = openRowAt(std::min(leaving.row, rows - 1));
    QList<QWidget*> stops = tabStops(*row);
    stops.removeIf([row](QWidget* w) { return !canTakeTab(*w, *row); });
    if (stops.isEmpty())
        return false;
    const auto same = std::find_if(stops.begin(), stops.end(),
                                   [&](QWidget* w) { return w->toolTip() == leaving.control; });
    walking_ = true;
    (same != stops.end() ? *same : stops.front())->setFocus(Qt::OtherFocusReason);
    walking_ = false;
    return true;
}

bool BlockItemList::isRowInUse(const MediaRowView& row) const
{
    const QWidget* focus = QApplication::focusWidget();
    return (focus && (focus == &row || row.isAncestorOf(focus))) || row.trimEditor()
        || (!dragged_.isNull() && dragged_ == row.item()->id())
        || (pressTarget_ && (pressTarget_ == &row || row.isAncestorOf(pressTarget_)));
}

bool BlockItemList::isInUse() const
{
    return std::any_of(live_.begin(), live_.end(), [this](const Live& live) { return isRowInUse(*live.row); });
}

void BlockItemList::releaseSpareRows()
{
    while (live_.size() > kLiveRowsKept) {
        auto oldest = live_.end();
        quint64 used = std::numeric_limits<quint64>::max();
        for (auto it = live_.begin(); it != live_.end(); ++it) {
            if (it->used < used && it.key() != hovered_ && !isRowInUse(*it->row)) {
                used = it->used;
                oldest = it;
            }
        }
        if (oldest == live_.end())
            return;
        releaseRow(oldest.key());
    }
}

void BlockItemList::releaseRow(const QUuid& itemID)
{
    const Live live = live_.take(itemID);
    if (!live.row)
        return;
    // Hiding a row that holds the focus hands it on, possibly to the next
    // block's name field; nothing keeps it instead.
    if (QWidget* focus = QApplication::focusWidget(); focus && live.row->isAncestorOf(focus))
        focus->clearFocus();
    // Deleted later: a click or a drag may still be running in it.
    viewport()->update(live.row->geometry());
    live.row->hide();
    live.row->removeEventFilter(this);
    live.row->deleteLater();
}

void BlockItemList::placeLiveRows()
{
    for (const QUuid& id : live_.keys()) {
        const int row = model_.rowOf(id);
        if (row < 0) {
            releaseRow(id);
            continue;
        }
        MediaRowView* live = live_.value(id).row;
        const QRect rect = rowRect(row);
        if (live->geometry() != rect)
            live->setGeometry(rect);
    }
}

void BlockItemList::updateGeometries()
{
    QListView::updateGeometries();
    // Not laid out yet, the list has no size of its contents (-1).
    const int height = model_.rowCount() > 0 ? std::max(0, contentsSize().height()) : 0;
    if (height != this->height() || minimumHeight() != height)
        setFixedHeight(height);
    if (verticalScrollBar()->value() != 0)
        verticalScrollBar()->setValue(0);
    placeLiveRows();
}

void BlockItemList::resizeEvent(QResizeEvent* event)
{
    const bool widthChanged = event->size().width() != event->oldSize().width();
    QListView::resizeEvent(event);
    if (widthChanged)
        scheduleDelayedItemsLayout(); // heights follow the width
}

void BlockItemList::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>&)
{
    // Only the rows told of are drawn again; QListView would lay out every
    // row (its rows may change their heights) and draw the whole list.
    QRect changed;
    bool resized = false;
    for (int row = topLeft.row(); row <= bottomRight.row() && row < model_.rowCount(); ++row) {
        const auto& item = model_.item(row);
        if (MediaRowView* live = liveRow(item->id()))
            live->setMarks(model_.marks(row));
        changed |= rowRect(row);
        resized = resized || item->isLive();
    }
    // A live row's status may go under its line at this width, or back.
    if (resized)
        layOutNow();
    viewport()->update(changed);
}

// ---- The pointer

void BlockItemList::hover(const QPoint& at)
{
    const QModelIndex index = indexAt(at);
    if (!index.isValid()) {
        hovered_ = {};
        return;
    }
    const QUuid id = model_.item(index.row())->id();
    if (id == hovered_ && live_.contains(id))
        return;
    hovered_ = id;
    // Made under the pointer, the row hears the pointer enter and shows
    // its tooltips and its buttons' hover.
    openRowAt(index.row());
}

bool BlockItemList::forwardMouse(QMouseEvent* event)
{
    // Only what the window system handed to the viewport itself is handed
    // down: an event that comes up from a row's widget (Qt propagates it
    // to the parents as not spontaneous), or that the list is delivering
    // itself, has been offered to the widgets under the pointer already.
    if (delivering_)
        return false;
    if (event->type() == QEvent::MouseButtonPress && event->buttons() == event->button())
        pressTarget_ = nullptr; // a press never finished (a popup took the release)
    QWidget* target = pressTarget_;
    if (!target && event->type() == QEvent::MouseButtonPress) {
        const QModelIndex index = indexAt(event->position().toPoint());
        if (!index.isValid() || !event->spontaneous())
            return false;
        MediaRowView* row = openRowAt(index.row());
        const QPoint inRow = row->mapFrom(viewport(), event->position().toPoint());
        target = row->childAt(inRow);
        if (!target)
            target = row;
        pressTarget_ = target;
        if (target->focusPolicy() & Qt::ClickFocus)
            target->setFocus(Qt::MouseFocusReason);
    }
    if (!target || !event->spontaneous())
        return false;
    const QPointF local = target->mapFrom(viewport(), event->position());
    QMouseEvent copy(event->type(), local, event->scenePosition(), event->globalPosition(), event->button(),
                     event->buttons(), event->modifiers(), event->pointingDevice());
    deliver(target, copy);
    if (event->type() == QEvent::MouseButtonRelease && event->buttons() == Qt::NoButton)
        pressTarget_ = nullptr;
    return true;
}

void BlockItemList::deliver(QWidget* target, QEvent& event)
{
    // Ignored by the target and its row, the event comes up to the viewport
    // again: there it goes on up to the card as any ignored event would.
    const QScopedValueRollback<bool> delivering(delivering_, true);
    QCoreApplication::sendEvent(target, &event);
}

bool BlockItemList::viewportEvent(QEvent* event)
{
    if (delivering_) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::HoverEnter:
        case QEvent::HoverMove:
        case QEvent::HoverLeave:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::DragLeave:
        case QEvent::Drop:
            event->ignore();
            return false;
        default:
            break;
        }
    }
    return QListView::viewportEvent(event);
}

void BlockItemList::mousePressEvent(QMouseEvent* event)
{
    if (!forwardMouse(event))
        event->ignore();
}

void BlockItemList::mouseMoveEvent(QMouseEvent* event)
{
    if (pressTarget_)
        forwardMouse(event);
    else
        hover(event->position().toPoint());
}

void BlockItemList::mouseReleaseEvent(QMouseEvent* event)
{
    if (!forwardMouse(event))
        event->ignore();
}

void BlockItemList::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (!forwardMouse(event))
        event->ignore();
}

void BlockItemList::leaveEvent(QEvent* event)
{
    hovered_ = {};
    QListView::leaveEvent(event);
}

void BlockItemList::wheelEvent(QWheelEvent* event)
{
    event->ignore(); // the column scrolls
}

// ---- The keyboard

void BlockItemList::keyPressEvent(QKeyEvent* event)
{
    // The rows' keys are their controls'; the rest goes to the card and
    // the column, as it would from a row of widgets.
    event->ignore();
}

void BlockItemList::focusInEvent(QFocusEvent* event)
{
    if (!walking_)
        enter(event->reason() == Qt::BacktabFocusReason, event->reason());
}

void BlockItemList::enter(bool back, Qt::FocusReason reason)
{
    const int rows = model_.rowCount();
    if (rows == 0)
        return leave(!back);
    MediaRowView* row = openRowAt(back ? rows - 1 : 0);
    QList<QWidget*> stops = tabStops(*row);
    stops.removeIf([row](QWidget* w) { return !canTakeTab(*w, *row); });
    if (stops.isEmpty())
        return leave(!back);
    QWidget* control = back ? stops.back() : stops.front();
    if (control == QApplication::focusWidget())
        return;
    focusControl(control, reason);
    // Called while the focus comes to another widget (the list, a row's
    // control met by the focus chain), whose focus screen readers hear of
    // once this returns: they hear of the control's after it.
    if (QAccessible::isActive()) {
        QTimer::singleShot(0, control, [control] {
            if (control->hasFocus()) {
                QAccessibleEvent focused(control, QAccessible::Focus);
                QAccessible::updateAccessibility(&focused);
            }
        });
    }
}

bool BlockItemList::focusNextPrevChild(bool next)
{
    QWidget* focus = QApplication::focusWidget();
    MediaRowView* row = rowHolding(focus);
    if (!row) {
        if (focus == this)
            leave(next);
        else
            return QListView::focusNextPrevChild(next);
        return true;
    }
    int at = model_.rowOf(row->item()->id());
    QList<QWidget*> stops = tabStops(*row);
    qsizetype k = stops.indexOf(focus);
    if (k < 0)
        k = next ? -1 : stops.size();
    k += next ? 1 : -1;
    for (;;) {
        for (; k >= 0 && k < stops.size(); k += next ? 1 : -1) {
            if (canTakeTab(*stops[k], *row)) {
                focusControl(stops[k], next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
                return true;
            }
        }
        at += next ? 1 : -1;
        if (at < 0 || at >= model_.rowCount()) {
            leave(next);
            return true;
        }
        row = openRowAt(at);
        stops = tabStops(*row);
        k = next ? 0 : stops.size() - 1;
    }
}

void BlockItemList::focusControl(QWidget* control, Qt::FocusReason reason)
{
    walking_ = true;
    control->setFocus(reason);
    walking_ = false;
    showInScrollAreas(control);
    releaseSpareRows();
}

void BlockItemList::leave(bool next)
{
    QWidget* w = this;
    for (;;) {
        w = next ? w->nextInFocusChain() : w->previousInFocusChain();
        if (!w || w == this)
            return;
        if (isAncestorOf(w) || w->window() != window())
            continue;
        if ((w->focusPolicy() & Qt::TabFocus) && w->isVisible() && w->isEnabled() && !w->focusProxy()) {
            w->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            showInScrollAreas(w);
            releaseSpareRows();
            return;
        }
    }
}

// ---- Drags over the rows

void BlockItemList::dragEnterEvent(QDragEnterEvent* event)
{
    dragRow_ = -1;
    dragMoveEvent(event);
}

void BlockItemList::dragMoveEvent(QDragMoveEvent* event)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    if (!index.isValid() || !onRowDragOver) {
        event->ignore();
        return;
    }
    const bool entering = index.row() != dragRow_;
    dragRow_ = index.row();
    if (!onRowDragOver(index.row(), *event, entering))
        event->ignore();
}

void BlockItemList::dragLeaveEvent(QDragLeaveEvent*)
{
    dragRow_ = -1;
    if (onDragLeave)
        onDragLeave();
}

void BlockItemList::dropEvent(QDropEvent* event)
{
    dragRow_ = -1;
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid() && onRowDrop)
        onRowDrop(index.row(), *event);
    else
        event->ignore();
}

} // namespace tessarin

namespace tessarin {

bool BlockItemList::eventFilter(QObject* watched, QEvent* event)
{
    // Shift+Tab from after the list reaches a row's control by the focus
    // chain (not by the list's own walk): it comes in at the last row.
    if (event->type() == QEvent::FocusIn && !walking_
        && static_cast<QFocusEvent*>(event)->reason() == Qt::BacktabFocusReason) {
        if (auto* control = qobject_cast<QWidget*>(watched); control && rowHolding(control))
            enter(true, Qt::BacktabFocusReason);
        return false;
    }
    // A drag over a real row is the row's, as over its drawn place.
    auto* row = qobject_cast<MediaRowView*>(watched);
    if (!row || live_.value(row->item()->id()).row != row)
        return QListView::eventFilter(watched, event);
    const int at = model_.rowOf(row->item()->id());
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* e = static_cast<QDragMoveEvent*>(event);
        dragRow_ = at;
        if (!onRowDragOver || !onRowDragOver(at, *e, event->type() == QEvent::DragEnter))
            e->ignore();
        return true;
    }
    case QEvent::DragLeave:
        dragRow_ = -1;
        if (onDragLeave)
            onDragLeave();
        return true;
    case QEvent::Drop:
        dragRow_ = -1;
        if (onRowDrop)
            onRowDrop(at, *static_cast<QDropEvent*>(event));
        return true;
    default:
        return QListView::eventFilter(watched, event);
    }
}

} // namespace tessarin
