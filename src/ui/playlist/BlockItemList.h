#pragma once
// The item rows of a block card: an item view over the block's model, as
// high as its rows (the column scrolls, not the list), drawn by the item
// delegate, so that a block costs only the rows painted. The row under the
// pointer, the row holding the focus and a row in use (its trim editor
// open, dragged) are real rows (MediaRowView) laid over their drawn places,
// whose controls work as any widget's; a few more recently used stay made,
// the others are let go of. Tab walks the controls of one row after the
// other (making each row as it comes) and leaves the list where the focus
// chain goes after it; the list itself, reached by Tab, hands the focus to
// its first row (its last for Shift+Tab). Drags over the rows are handed to
// the card with the row under the pointer. Screen readers read the drawn
// rows as list items with the real row's controls (DrawnRows). The list
// hands a mouse event down to a row only when the window system gave it to
// the viewport itself: whatever comes back up goes on to the card.
// Main thread.
#include "ui/kit/DrawnRows.h"
#include "ui/playlist/MediaRowView.h"

#include <QHash>
#include <QListView>
#include <QPointer>
#include <QUuid>

#include <functional>
#include <memory>

class QDropEvent;

namespace tessarin {

class BlockItemDelegate;
class BlockItemModel;
class ItemRowStamps;

class BlockItemList : public QListView, public DrawnRows {
    Q_OBJECT
public:
    using MakeActions = std::function<MediaRowView::Actions(const std::shared_ptr<MediaFile>&)>;
    BlockItemList(BlockItemModel& model, ItemRowStamps& stamps, MakeActions actions, QWidget* parent = nullptr);
    ~BlockItemList() override;

    BlockItemModel& itemModel() const { return model_; }
    // The real row of an item when there is one.
    MediaRowView* liveRow(const QUuid& itemID) const;
    // The real row of an item, made when there is none (null when the block
    // has no such item), as the pointer or the focus would make it.
    MediaRowView* openRow(const QUuid& itemID);
    // The real rows, in the block's order.
    QList<MediaRowView*> liveRows() const;
    // The real row holding widget, or null.
    MediaRowView* rowHolding(const QWidget* widget) const;
    // The controls of a row Tab reaches, in the row's order.
    static QList<QWidget*> tabStops(const MediaRowView& row);
    // Whether a row is in use: the focus in it, its trim editor open, it is
    // being dragged.
    bool isInUse() const;
    // The item dragged from this list (its row stays made).
    void setDragged(const QUuid& itemID) { dragged_ = itemID; }
    // Lays the rows out now (not at the next turn of the event loop) and
    // takes their height.
    void layOutNow();
    // Where the row of model row is, in the viewport's coordinates.
    QRect rowRect(int row) const;

    // DrawnRows
    QAbstractItemView& drawnView() override { return *this; }
    QWidget* stampFor(int row) override;
    QWidget* liveRowAt(int row) const override;
    QWidget* openLiveRow(int row) override;
    int rowOfLive(const QWidget* row) const override;
    std::pair<int, int> exposedRows() const override;

    // A drag over row (entering: it just came onto that row); true when taken.
    std::function<bool(int row, QDropEvent& event, bool entering)> onRowDragOver;
    std::function<void(int row, QDropEvent& event)> onRowDrop;
    std::function<void()> onDragLeave;
    // The focus was in the last row, which went: the card takes it.
    std::function<void()> onLastRowGone;

protected:
    void updateGeometries() override;
    void resizeEvent(QResizeEvent* event) override;
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    MediaRowView* openRowAt(int row);
    void placeLiveRows();
    // Lets go of the real rows beyond the few kept, never of one in use or
    // under the pointer.
    void releaseSpareRows();
    void releaseRow(const QUuid& itemID);
    bool isRowInUse(const MediaRowView& row) const;
    // Focuses a control (or leaves the list) and shows it in the column.
    void focusControl(QWidget* control, Qt::FocusReason reason);
    void leave(bool next);
    // Takes the focus in at the first row's first control (the last row's
    // last for back).
    void enter(bool back, Qt::FocusReason reason);
    // Forwards a mouse event the window system gave the viewport to the
    // real row under it; false when it is not the list's to forward.
    bool forwardMouse(QMouseEvent* event);
    // Sends an event to a row's widget; whatever comes back up to the
    // viewport meanwhile is passed on ignored, never handed down again.
    void deliver(QWidget* target, QEvent& event);
    void hover(const QPoint& at);
    // Before rows go: notes the row holding the focus when it is among them.
    void noteFocusedRowLeaving(int first, int last);
    // Once they went: the focus goes to the same control of the row that
    // took the place of the one it was in (of the one before it when that
    // was the last; to the card, by onLastRowGone, when none is left), not
    // out of the window.
    // True when it was moved.
    bool refocusAfterRemoval();

    BlockItemModel& model_;
    ItemRowStamps& stamps_;
    MakeActions actions_;
    BlockItemDelegate* delegate_ = nullptr;
    struct Live {
        MediaRowView* row = nullptr;
        quint64 used = 0;
    };
    QHash<QUuid, Live> live_;
    quint64 clock_ = 0;
    QUuid hovered_;
    QUuid dragged_;
    QPointer<QWidget> pressTarget_;
    int dragRow_ = -1;
    bool walking_ = false;
    // The row that held the focus and is going, and the control's name.
    struct Leaving {
        int row = -1;
        QString control;
    };
    Leaving leaving_;
    bool delivering_ = false;
};

} // namespace tessarin
