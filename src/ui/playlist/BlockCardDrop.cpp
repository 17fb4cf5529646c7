// Drag and drop of a block card and its rows.
#include "ui/playlist/BlockCardView.h"

#include "engine/PlaylistEngine.h"
#include "media/MediaDrop.h"
#include "ui/playlist/BlockCardParts.h"
#include "ui/playlist/BlockItemList.h"
#include "ui/playlist/BlockItemModel.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QMimeData>

#include <algorithm>

namespace tessarin {
namespace {

// Copies what a drop holds before the load that outlives the event.
std::vector<DropItem> dropItems(const QDropEvent& event)
{
    return event.mimeData() ? MediaDrop::items(*event.mimeData()) : std::vector<DropItem>();
}

} // namespace

void BlockCardView::startBlockDrag()
{
    // The state belongs to the column, which outlives a card removed while
    // its block is being dragged.
    BlockDragState* state = &dragState_;
    state->draggingBlock = block_;
    state->hoveredCard.reset();
    QPointer<QDrag> drag = new QDrag(window());
    drag->setMimeData(PlaylistDrag::makeMimeData(PlaylistDrag::Kind::block, block_->id()));
    drag->setPixmap(header_->grab());
    state->run(*drag);
    state->draggingBlock.reset();
    state->hoveredCard.reset();
    if (drag)
        drag->deleteLater();
}

void BlockCardView::startItemDrag(const std::shared_ptr<MediaFile>& item)
{
    if (!item)
        return;
    QPointer<BlockCardView> self(this);
    draggingItem_ = item;
    list_->setDragged(item->id());
    QPointer<QDrag> drag = new QDrag(window());
    drag->setMimeData(PlaylistDrag::makeMimeData(PlaylistDrag::Kind::item, item->id()));
    if (MediaRowView* source = list_->liveRow(item->id()))
        drag->setPixmap(source->grab());
    dragState_.run(*drag);
    if (self) {
        self->draggingItem_.reset();
        self->list_->setDragged({});
    }
    if (drag)
        drag->deleteLater();
}

bool BlockCardView::isBlockDrag(const QDropEvent& event) const
{
    const auto id = event.mimeData() ? PlaylistDrag::draggedID(*event.mimeData(), PlaylistDrag::Kind::block) : std::nullopt;
    return id && dragState_.draggingBlock && dragState_.draggingBlock->id() == *id;
}

bool BlockCardView::isOwnItemDrag(const QDropEvent& event) const
{
    const auto id = event.mimeData() ? PlaylistDrag::draggedID(*event.mimeData(), PlaylistDrag::Kind::item) : std::nullopt;
    return id && draggingItem_ && draggingItem_->id() == *id;
}

bool BlockCardView::cardDragOver(QDropEvent& event, bool entering)
{
    if (isBlockDrag(event)) {
        setTargeted(true);
        PlaylistDrag::acceptMove(event);
        if (!entering || dragState_.hoveredCard == block_->id())
            return true;
        dragState_.hoveredCard = block_->id();
        const auto dragged = dragState_.draggingBlock;
        const auto move = PlaylistDrag::reorderMove(engine_.blocks(), dragged->id(), block_->id());
        if (!move)
            return true;
        PlaylistEngine::Blocks blocks = engine_.blocks();
        auto moved = blocks[move->first];
        blocks.erase(blocks.begin() + std::ptrdiff_t(move->first));
        blocks.insert(blocks.begin() + std::ptrdiff_t(move->second), std::move(moved));
        engine_.setBlocks(std::move(blocks));
        return true;
    }
    if (PlaylistDrag::acceptExternal(event)) {
        setTargeted(true);
        return true;
    }
    return false;
}

void BlockCardView::cardDrop(QDropEvent& event)
{
    setTargeted(false);
    if (isBlockDrag(event)) {
        // The blocks were reordered while hovering.
        dragState_.draggingBlock.reset();
        PlaylistDrag::acceptMove(event);
        return;
    }
    if (!PlaylistDrag::acceptExternal(event))
        return;
    std::weak_ptr<MediaBlock> weak = block_;
    MediaDrop::loadItems(dropItems(event), [weak](std::vector<std::shared_ptr<MediaFile>> files) {
        auto block = weak.lock();
        if (block && !files.empty())
            block->appendItems(files);
    });
}

bool BlockCardView::rowDragOver(int row, QDropEvent& event, bool entering)
{
    if (isOwnItemDrag(event)) {
        PlaylistDrag::acceptMove(event);
        if (!entering)
            return true;
        const auto move = PlaylistDrag::reorderMove(block_->items(), draggingItem_->id(), model_->item(row)->id());
        if (move)
            block_->moveItem(move->first, move->second);
        return true;
    }
    if (isBlockDrag(event))
        return cardDragOver(event, entering);
    return PlaylistDrag::acceptExternal(event);
}

void BlockCardView::rowDrop(int row, QDropEvent& event)
{
    if (isOwnItemDrag(event)) {
        // The items were reordered while hovering.
        draggingItem_.reset();
        PlaylistDrag::acceptMove(event);
        return;
    }
    if (isBlockDrag(event))
        return cardDrop(event);
    if (!PlaylistDrag::acceptExternal(event))
        return;
    const auto& items = block_->items();
    const QUuid target = model_->item(row)->id();
    const auto at = std::find_if(items.begin(), items.end(), [&](const auto& i) { return i && i->id() == target; });
    const std::size_t index = std::size_t(at - items.begin());
    std::weak_ptr<MediaBlock> weak = block_;
    MediaDrop::loadItems(dropItems(event), [weak, index](std::vector<std::shared_ptr<MediaFile>> files) {
        auto block = weak.lock();
        if (!block || files.empty())
            return;
        // One change: the whole run before the row, or at the end when the
        // block has shrunk below the noted place meanwhile.
        MediaBlock::Items next = block->items();
        const auto where = next.begin() + std::ptrdiff_t(std::min(index, next.size()));
        next.insert(where, files.begin(), files.end());
        block->setItems(std::move(next));
    });
}

void BlockCardView::dragEnterEvent(QDragEnterEvent* event)
{
    if (!cardDragOver(*event, true))
        event->ignore();
}

void BlockCardView::dragMoveEvent(QDragMoveEvent* event)
{
    if (!cardDragOver(*event, false))
        event->ignore();
}

void BlockCardView::dragLeaveEvent(QDragLeaveEvent*) { setTargeted(false); }

void BlockCardView::dropEvent(QDropEvent* event) { cardDrop(*event); }

} // namespace tessarin
