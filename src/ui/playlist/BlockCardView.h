#pragma once
// The card of one block in the blocks column: a header (drag handle,
// editable name, item count, on-air badge, play / loop / settings / delete),
// a separator, and the hint of an empty block or one row per item. It keeps
// its rows by item id and, when the block's items change, reuses, creates,
// removes and re-orders them; engine changes only update the rows' marks.
// Rows are made only near the column's view (fillView): an item without a
// row holds a row's height of empty card, and a row far from the view is let
// go of, unless the operator is using it, and made again, with its marks,
// when its place comes back near the view.
// The card and each row are drop targets: a block dragged by its handle
// reorders the blocks while it hovers, an item dragged by its row reorders
// the items, and files and live sources join the block at its end (on the
// card) or before a row (on the row). Main thread.
#include "media/MediaBlock.h"
#include "ui/kit/Popover.h"
#include "ui/playlist/MediaRowView.h"
#include "ui/playlist/PlaylistDrag.h"
#include "ui/playlist/RowHeights.h"

#include <QHash>
#include <QPointer>
#include <QUuid>
#include <QWidget>

#include <functional>
#include <memory>

class QLineEdit;
class QVBoxLayout;
class QDropEvent;

namespace tessarin {

class CardFrame;
class CardHeader;
class ColorLine;
class CountCapsule;
class DragHandle;
class EmptyBlockHint;
class IconButton;
class OnAirBadge;
class RowsArea;
class PlaylistEngine;

class BlockCardView : public QWidget {
    Q_OBJECT
public:
    // Rows are as high as heights says until they are made, near view.
    BlockCardView(std::shared_ptr<MediaBlock> block, PlaylistEngine& engine, BlockDragState& dragState,
                  RowHeights& heights, const ColumnView& view, std::function<void()> onDelete,
                  QWidget* parent = nullptr);
    ~BlockCardView() override;

    const std::shared_ptr<MediaBlock>& block() const { return block_; }
    bool isOnAir() const;
    bool isTargeted() const { return isTargeted_; }
    const std::shared_ptr<MediaFile>& draggingItem() const { return draggingItem_; }

    // The row of an item by id; null when the block has no such item or its
    // row has not been made yet.
    MediaRowView* row(const QUuid& itemID) const { return rows_.value(itemID); }
    // The rows made, in the order they are shown.
    QList<MediaRowView*> rowsInOrder() const;
    int rowsMade() const { return int(rows_.size()); }
    // Makes the rows whose places lie near the view and lets go of those far
    // from it, but of none in use: a row holding the focus or a focused
    // child, with its trim editor open, or being dragged.
    void fillView();
    // Whether the operator is using the card: the focus in it, its settings
    // or a row's trim editor open, a drag from or over it.
    bool isInUse() const;
    // The header with the separator line under it.
    int headerHeight() const;
    QLineEdit* nameField() const { return name_; }
    CountCapsule* countCapsule() const { return count_; }
    OnAirBadge* onAirBadge() const { return badge_; }
    DragHandle* dragHandle() const { return handle_; }
    IconButton* playButton() const { return play_; }
    IconButton* loopButton() const { return loop_; }
    IconButton* settingsButton() const { return settings_; }
    IconButton* deleteButton() const { return delete_; }
    EmptyBlockHint* emptyHint() const { return hint_; }
    Popover* settingsPopover() const { return settingsPopover_; }

    // Starts a drag of the block (its handle) or of one of its items (a row)
    // and returns when the drag has ended, with the drag state cleared.
    void startBlockDrag();
    void startItemDrag(const std::shared_ptr<MediaFile>& item);
    // Moves the item whose row holds the focus, or else the block, one place
    // up (step -1) or down (+1), as Alt+Up / Alt+Down do: an item at the
    // block's end goes to the near end of the next block, and the focus
    // follows it.
    void moveFocused(int step);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildHeader();
    void syncRows();
    void refreshHeader();
    void refreshMarks();
    // Every row's marks, from the engine and the rows' places.
    void applyRowMarks();
    MediaRowView::Marks marksFor(const MediaFile& item, int position) const;
    void setTargeted(bool targeted);
    void followMoveKeys();
    void moveBlock(int step);
    // control: the index of the focused control among the row's Tab stops.
    void moveItem(MediaRowView& row, int control, int step);
    void openSettings();
    MediaRowView* makeRow(const std::shared_ptr<MediaFile>& item);
    MediaRowView::Actions actionsFor(const std::shared_ptr<MediaFile>& item);
    bool isRowInUse(const MediaRowView& row) const;
    void releaseRow(MediaRowView* row);

    // The card's drop target (the header, separator, hint and the card's
    // edges); true when the drag is taken.
    bool cardDragOver(QDropEvent& event, bool entering);
    void cardDrop(QDropEvent& event);
    // A row's drop target.
    bool rowDragOver(MediaRowView& row, QDropEvent& event, bool entering);
    void rowDrop(MediaRowView& row, QDropEvent& event);
    bool isOwnItemDrag(const QDropEvent& event) const;
    bool isBlockDrag(const QDropEvent& event) const;

    std::shared_ptr<MediaBlock> block_;
    PlaylistEngine& engine_;
    BlockDragState& dragState_;
    RowHeights& heights_;
    const ColumnView& view_;
    std::function<void()> onDelete_;
    std::shared_ptr<MediaFile> draggingItem_;
    bool isTargeted_ = false;
    bool shadowOnAir_ = false;

    CardHeader* header_ = nullptr;
    DragHandle* handle_ = nullptr;
    QLineEdit* name_ = nullptr;
    CountCapsule* count_ = nullptr;
    OnAirBadge* badge_ = nullptr;
    IconButton* play_ = nullptr;
    IconButton* loop_ = nullptr;
    IconButton* settings_ = nullptr;
    IconButton* delete_ = nullptr;
    ColorLine* separator_ = nullptr;
    EmptyBlockHint* hint_ = nullptr;
    RowsArea* rowsArea_ = nullptr;
    CardFrame* frame_ = nullptr;
    QHash<QUuid, MediaRowView*> rows_;
    // The items shown, in order: item i is rowsArea_'s place i, its row or
    // the space it keeps until it is made.
    std::vector<std::shared_ptr<MediaFile>> listed_;
    QPointer<Popover> settingsPopover_;
    // What the rows' marks were last made from; rows are visited again only
    // when one of the items named here, before or now, is in this card.
    struct MarksSource {
        std::optional<QUuid> current;
        std::optional<QUuid> cued;
        std::optional<QUuid> selected;
        bool playing = false;
        LiveStatus liveStatus;
        bool operator==(const MarksSource&) const = default;
    };
    MarksSource marksSource_;
    // What the header was last drawn for, of the engine's state.
    struct HeaderShows {
        bool onAir = false;
        bool playing = false;
        bool operator==(const HeaderShows&) const = default;
    };
    HeaderShows headerShows_;
    MarksSource marksSourceNow() const;
};

} // namespace tessarin
