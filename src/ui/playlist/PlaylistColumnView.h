#pragma once
// The blocks tab of the side panel: a header with "Nuovo blocco", and a
// scrolling list of one card per block of the engine, in playlist order,
// followed by a drop zone that makes a new block of the files and live
// sources dropped on it. The list keeps a place per block, as high as its
// card, but makes a card only when its place comes near the view, and the
// cards draw their rows (one drawing widget per kind of item, shared by all
// cards): a show costs the cards on screen and the rows painted, whatever
// its shape. Cards far from the view are let go of unless the operator is
// using them (focus, an open popover or editor, a drag). Made cards are kept by block id; when the engine's blocks change
// they are reused, created, removed and re-ordered. The column owns the
// block drag state its cards share. Main thread.
#include "ui/playlist/RowsArea.h"
#include "ui/playlist/BlockItemDelegate.h"
#include "ui/playlist/PlaylistDrag.h"
#include "ui/playlist/RowHeights.h"

#include <QHash>
#include <QUuid>
#include <QWidget>

#include <memory>
#include <vector>

class QLabel;
class QScrollArea;

namespace tessarin {

class BlockCardView;
class CardList;
class DropZone;
class MediaBlock;
class PlaylistEngine;
class PillButton;

class PlaylistColumnView : public QWidget {
    Q_OBJECT
public:
    explicit PlaylistColumnView(PlaylistEngine& engine, QWidget* parent = nullptr);
    ~PlaylistColumnView() override;
    // Its narrowest width, whatever it holds: the window's columns stay put
    // when blocks and items change.
    QSize sizeHint() const override;

    // The card of a block; null when the block has none made (far from the view).
    BlockCardView* card(const QUuid& blockID) const { return cards_.value(blockID); }
    // The cards made, in playlist order.
    QList<BlockCardView*> cardsInOrder() const;
    PillButton* newBlockButton() const { return newBlock_; }
    QLabel* emptyHint() const { return hint_; }
    DropZone* newBlockDropZone() const { return dropZone_; }
    QScrollArea* scrollArea() const { return scroll_; }
    BlockDragState& dragState() { return dragState_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // A card that went with the focus in it: its place and the control's name.
    struct Leaving {
        int index = 0;
        QString control;
    };
    void syncCards();
    void refocus(const Leaving& leaving);
    // Shift+Tab from outside the column comes in at the last block's last
    // control, the card made first when it is far from the view (cards are
    // made near the view only, and the focus chain knows only those made).
    void enterFromBehind(QWidget* focus);
    // Makes the cards near the view, and lets go of those far from it.
    void fillView();
    BlockCardView* makeCard(const std::shared_ptr<MediaBlock>& block);
    void releaseCard(int index);
    // A block's items changed: the place of a card not made follows.
    void blockItemsChanged(const QUuid& blockID);
    int placeHeight(const MediaBlock& block);
    // The list's places for the blocks listed.
    std::vector<RowsArea::Place> places();
    void learnCardParts();
    void handleNewBlockDrop(const QMimeData& data);

    PlaylistEngine& engine_;
    BlockDragState dragState_;
    ItemRowStamps stamps_;
    RowHeights heights_;
    ColumnView view_;
    PillButton* newBlock_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    CardList* list_ = nullptr;
    QLabel* hint_ = nullptr;
    DropZone* dropZone_ = nullptr;
    // The blocks listed, in order: block i is the list's place i.
    std::vector<std::shared_ptr<MediaBlock>> listed_;
    QHash<QUuid, BlockCardView*> cards_;
    // The blocks whose item changes are followed.
    QHash<QUuid, QMetaObject::Connection> followed_;
    // A place's height for a block with no card, by id, with the heights'
    // generation it was worked out for.
    struct Estimate {
        int height = 0;
        int generation = -1;
    };
    QHash<QUuid, Estimate> estimates_;
    bool filling_ = false;
    // Whether the focus was inside the column before its last move.
    bool focusWasInside_ = false;
    bool fillAgain_ = false;
};

} // namespace tessarin
