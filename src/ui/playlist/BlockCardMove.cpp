// Moving the focused item or block one place by keyboard (Alt+Up /
// Alt+Down), through the same model operations a drag's hover makes.
#include "ui/playlist/BlockCardView.h"

#include "engine/PlaylistEngine.h"
#include "ui/playlist/BlockCardParts.h"
#include "ui/playlist/BlockItemList.h"

#include <QApplication>
#include <QShortcut>

#include <algorithm>

namespace tessarin {

void BlockCardView::followMoveKeys()
{
    for (const auto& [key, step] : { std::pair { Qt::Key_Up, -1 }, std::pair { Qt::Key_Down, 1 } }) {
        auto* shortcut = new QShortcut(QKeySequence(Qt::ALT | key), this);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        shortcut->setAutoRepeat(true);
        connect(shortcut, &QShortcut::activated, this, [this, step] { moveFocused(step); });
    }
}

void BlockCardView::moveFocused(int step)
{
    QWidget* focus = QApplication::focusWidget();
    if (!focus || !isAncestorOf(focus) || draggingItem_ || dragState_.draggingBlock)
        return;
    if (MediaRowView* row = list_->rowHolding(focus))
        return moveItem(*row, int(BlockItemList::tabStops(*row).indexOf(focus)), step);
    moveBlock(step);
}

void BlockCardView::moveBlock(int step)
{
    PlaylistEngine::Blocks blocks = engine_.blocks();
    const auto at = std::find(blocks.begin(), blocks.end(), block_);
    if (at == blocks.end())
        return;
    const auto from = std::ptrdiff_t(at - blocks.begin());
    const auto to = from + step;
    if (to < 0 || to >= std::ptrdiff_t(blocks.size()))
        return;
    std::swap(blocks[std::size_t(from)], blocks[std::size_t(to)]);
    engine_.setBlocks(std::move(blocks));
}

void BlockCardView::moveItem(MediaRowView& row, int control, int step)
{
    const auto item = row.item();
    const MediaBlock::Items& items = block_->items();
    const auto at = std::find(items.begin(), items.end(), item);
    if (at == items.end())
        return;
    const auto from = std::ptrdiff_t(at - items.begin());
    const auto to = from + step;
    if (to >= 0 && to < std::ptrdiff_t(items.size())) {
        block_->moveItem(std::size_t(from), std::size_t(to));
        return; // the row is kept, and the focus in it
    }
    // Past the block's end: into the neighbouring block, at its near end.
    const PlaylistEngine::Blocks& blocks = engine_.blocks();
    const auto self = std::find(blocks.begin(), blocks.end(), block_);
    if (self == blocks.end())
        return;
    const auto neighbour = self - blocks.begin() + step;
    if (neighbour < 0 || neighbour >= std::ptrdiff_t(blocks.size()))
        return;
    const std::shared_ptr<MediaBlock> target = blocks[std::size_t(neighbour)];
    MediaBlock::Items into = target->items();
    if (std::find(into.begin(), into.end(), item) != into.end())
        return;
    into.insert(step > 0 ? into.begin() : into.end(), item);
    MediaBlock::Items left = items;
    left.erase(left.begin() + from);
    // The card that shows the item next, when made: the focus goes to the
    // same control of its new row.
    QPointer<QWidget> list = parentWidget();
    block_->setItems(std::move(left));
    target->setItems(std::move(into));
    if (!list)
        return;
    for (auto* card : list->findChildren<BlockCardView*>(Qt::FindDirectChildrenOnly)) {
        if (card->block() != target)
            continue;
        if (MediaRowView* moved = card->row(item->id())) {
            const QList<QWidget*> controls = BlockItemList::tabStops(*moved);
            if (!controls.isEmpty())
                controls.value(control, controls.front())->setFocus(Qt::OtherFocusReason);
        }
    }
}

} // namespace tessarin
