#include "ui/playlist/RowHeights.h"

#include "media/MediaBlock.h"
#include "media/MediaFile.h"

#include <cmath>

namespace tessarin {

RowHeights::RowHeights(Measure measure)
    : measure_(std::move(measure))
{
}

void RowHeights::setWidth(int width)
{
    if (width == width_)
        return;
    width_ = width;
    ++generation_;
}

int RowHeights::row(const std::shared_ptr<MediaFile>& item)
{
    return measure_(item, width_);
}

void RowHeights::setCardParts(int header, int hint)
{
    if (header == header_ && hint == hint_)
        return;
    header_ = header;
    hint_ = hint;
    ++generation_;
}

int RowHeights::card(const MediaBlock& block)
{
    const auto& items = block.items();
    if (items.empty())
        return header_ + hint_;
    int height = header_;
    for (const auto& item : items) {
        if (item)
            height += row(item);
    }
    return height;
}

QRect ColumnView::in(const QWidget& widget, double pages) const
{
    if (!viewport)
        return {};
    const int page = viewport->height();
    const int extra = int(std::lround(page * pages));
    const QPoint origin = widget.mapFrom(viewport.data(), QPoint(0, 0));
    return QRect(origin, viewport->size()).adjusted(0, -extra, 0, extra);
}

} // namespace tessarin
