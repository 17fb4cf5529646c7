#pragma once
// The blocks tab of the side panel: a header with "Nuovo blocco", and a
// scrolling list of one card per block of the engine, in playlist order,
// followed by a drop zone that makes a new block of the files and live
// sources dropped on it. Cards are kept by block id; when the engine's
// blocks change they are reused, created, removed and re-ordered. The column
// owns the block drag state its cards share. Scrolling, and rows made as
// they come into view, take back the rows the cards hold beyond kRowsKept,
// the farthest from the view first and none within two pages of it: a long
// show holds a few pages of rows however far it has been scrolled, and rows
// taken back show the items coming into view. Main thread.
#include "ui/playlist/PlaylistDrag.h"
#include "ui/playlist/SpareRows.h"

#include <QHash>
#include <QUuid>
#include <QWidget>

class QLabel;
class QScrollArea;
class QVBoxLayout;

namespace tessarin {

class BlockCardView;
class DropZone;
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

    // How many rows the cards keep before rows far from the view are taken back.
    static constexpr int kRowsKept = 200;
    // The most rows taken back at once: as many as are kept spare, so a
    // show opened with more rows than kept gives back its excess over a few
    // scroll steps instead of deleting it all in the first.
    static constexpr int kRowsTakenAtOnce = int(SpareRows::kKept);

    BlockCardView* card(const QUuid& blockID) const { return cards_.value(blockID); }
    QList<BlockCardView*> cardsInOrder() const;
    PillButton* newBlockButton() const { return newBlock_; }
    QLabel* emptyHint() const { return hint_; }
    DropZone* newBlockDropZone() const { return dropZone_; }
    QScrollArea* scrollArea() const { return scroll_; }
    BlockDragState& dragState() { return dragState_; }

private:
    void syncCards();
    void handleNewBlockDrop(const QMimeData& data);
    void giveBackFarRows();

    PlaylistEngine& engine_;
    BlockDragState dragState_;
    SpareRows spareRows_; // rows the cards gave back, for any card to show an item in
    PillButton* newBlock_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    QWidget* list_ = nullptr;
    QVBoxLayout* listLayout_ = nullptr;
    QLabel* hint_ = nullptr;
    DropZone* dropZone_ = nullptr;
    QHash<QUuid, BlockCardView*> cards_;
};

} // namespace tessarin
