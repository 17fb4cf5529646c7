#include "ui/playlist/BlockItemDelegate.h"

#include "media/MediaFile.h"
#include "ui/kit/DrawnRows.h"
#include "ui/playlist/BlockItemModel.h"

#include <QAbstractItemView>
#include <QLayout>
#include <QPainter>
#include <QtMath>

namespace tessarin {

ItemRowStamps::ItemRowStamps() = default;
ItemRowStamps::~ItemRowStamps() = default;

MediaRowView& ItemRowStamps::stamp(const std::shared_ptr<MediaFile>& item, const MediaRowView::Marks& marks, QSize size)
{
    auto& stamp = stamps_[std::size_t(MediaRowView::kindOf(*item))];
    if (!stamp) {
        stamp = std::make_unique<MediaRowView>(item, MediaRowView::Actions {}, thumbnails_);
        silenceStamp(stamp.get());
        stamp->ensurePolished();
    }
    stamp->showItem(item);
    stamp->setMarks(marks);
    if (!size.isValid() || size.height() <= 0) {
        const int width = size.width() > 0 ? size.width() : stamp->sizeHint().width();
        size = { width, stamp->hasHeightForWidth() ? stamp->heightForWidth(width) : stamp->sizeHint().height() };
    }
    if (stamp->size() != size) {
        // A widget never shown hears of its size only from its layout.
        stamp->resize(size);
        stamp->layout()->invalidate();
    }
    stamp->layout()->activate();
    return *stamp;
}

void ItemRowStamps::draw(QPainter& painter, const QRect& rect, const std::shared_ptr<MediaFile>& item,
                         const MediaRowView::Marks& marks)
{
    MediaRowView& row = stamp(item, marks, rect.size());
    // Drawn into a picture kept for the purpose, then copied: a widget drawn
    // straight into another's painter draws nothing while a window is
    // grabbed.
    const qreal dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QSize pixels(qCeil(rect.width() * dpr), qCeil(rect.height() * dpr));
    if (buffer_.width() < pixels.width() || buffer_.height() < pixels.height() || buffer_.devicePixelRatio() != dpr) {
        buffer_ = QPixmap(pixels.expandedTo(buffer_.size()));
        buffer_.setDevicePixelRatio(dpr);
    }
    row.render(&buffer_, QPoint(), QRegion(), QWidget::DrawChildren);
    painter.drawPixmap(rect.topLeft(), buffer_, QRectF(0, 0, pixels.width(), pixels.height()));
}

int ItemRowStamps::height(const std::shared_ptr<MediaFile>& item, const MediaRowView::Marks& marks, int width)
{
    if (item->isLive() && marks.liveStatus)
        return stamp(item, marks, { width, 0 }).height();
    if (width != heightsWidth_) {
        heights_.clear();
        heightsWidth_ = width;
    }
    const int kind = MediaRowView::kindOf(*item);
    const auto it = heights_.constFind(kind);
    if (it != heights_.constEnd())
        return *it;
    MediaRowView::Marks plain;
    const int height = stamp(item, plain, { width, 0 }).height();
    heights_.insert(kind, height);
    return height;
}

BlockItemDelegate::BlockItemDelegate(BlockItemModel& model, ItemRowStamps& stamps, QAbstractItemView& view)
    : QAbstractItemDelegate(&view)
    , model_(model)
    , stamps_(stamps)
    , view_(view)
{
}

MediaRowView& BlockItemDelegate::stamp(const QModelIndex& index, const QSize& size) const
{
    return stamps_.stamp(model_.item(index.row()), model_.marks(index.row()), size);
}

void BlockItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (isCovered && isCovered(index))
        return;
    stamps_.draw(*painter, option.rect, model_.item(index.row()), model_.marks(index.row()));
}

QSize BlockItemDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex& index) const
{
    // As wide as one point: the list widens its rows to its own width, which
    // it may not have yet.
    const int width = view_.viewport()->width();
    return { 1, stamps_.height(model_.item(index.row()), model_.marks(index.row()), width) };
}

} // namespace tessarin
