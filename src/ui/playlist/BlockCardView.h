#pragma once
// The card of one block in the blocks column: a header (drag handle,
// editable name, item count, on-air badge, play / loop / settings / delete),
// a separator, and the hint of an empty block or the list of its items
// (BlockItemList over a BlockItemModel), drawn row by row, with real rows
// only where the pointer, the focus or a use is.
// The card and each row are drop targets: a block dragged by its handle
// reorders the blocks while it hovers, an item dragged by its row reorders
// the items, and files and live sources join the block at its end (on the
// card) or before a row (on the row). Main thread.
#include "media/MediaBlock.h"
#include "ui/kit/Popover.h"
#include "ui/playlist/MediaRowView.h"
#include "ui/playlist/PlaylistDrag.h"

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
class BlockItemList;
class BlockItemModel;
class ItemRowStamps;
class OnAirBadge;
class PlaylistEngine;

class BlockCardView : public QWidget {
    Q_OBJECT
public:
    // stamps: the column's, which draws the rows of all its cards.
    BlockCardView(std::shared_ptr<MediaBlock> block, PlaylistEngine& engine, BlockDragState& dragState,
                  ItemRowStamps& stamps, std::function<void()> onDelete, QWidget* parent = nullptr);
    ~BlockCardView() override;

    const std::shared_ptr<MediaBlock>& block() const { return block_; }
    bool isOnAir() const;
    bool isTargeted() const { return isTargeted_; }
    const std::shared_ptr<MediaFile>& draggingItem() const { return draggingItem_; }

    // The real row of an item by id, made when there is none (as the pointer
    // or the focus would make it); null when the block has no such item.
    MediaRowView* row(const QUuid& itemID);
    // The real rows, in the order they are shown.
    QList<MediaRowView*> rowsInOrder() const;
    int rowsMade() const;
    BlockItemList* itemList() const { return list_; }
    BlockItemModel* itemModel() const { return model_; }
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

private:
    QWidget* buildHeader();
    void syncRows();
    void refreshHeader();
    void setTargeted(bool targeted);
    void followMoveKeys();
    void moveBlock(int step);
    // control: the index of the focused control among the row's Tab stops.
    void moveItem(MediaRowView& row, int control, int step);
    void openSettings();
    MediaRowView::Actions actionsFor(const std::shared_ptr<MediaFile>& item);

    // The card's drop target (the header, separator, hint and the card's
    // edges); true when the drag is taken.
    bool cardDragOver(QDropEvent& event, bool entering);
    void cardDrop(QDropEvent& event);
    // A row's drop target.
    bool rowDragOver(int row, QDropEvent& event, bool entering);
    void rowDrop(int row, QDropEvent& event);
    bool isOwnItemDrag(const QDropEvent& event) const;
    bool isBlockDrag(const QDropEvent& event) const;

    std::shared_ptr<MediaBlock> block_;
    PlaylistEngine& engine_;
    BlockDragState& dragState_;
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
    BlockItemModel* model_ = nullptr;
    BlockItemList* list_ = nullptr;
    CardFrame* frame_ = nullptr;
    QPointer<Popover> settingsPopover_;
    // What the header was last drawn for, of the engine's state.
    struct HeaderShows {
        bool onAir = false;
        bool playing = false;
        bool operator==(const HeaderShows&) const = default;
    };
    HeaderShows headerShows_;
};

} // namespace tessarin
