#pragma once
// How the blocks column draws item rows without a widget per row.
// ItemRowStamps keeps one never-shown row widget per kind of item (a clip, a
// still image, a live source), moved to the item and marks of the row to
// draw and laid out at its size: the row is drawn, measured and read by
// screen readers from it, exactly as a real row of that item would look.
// The column shares one with all its cards, with the decoded thumbnails.
// BlockItemDelegate draws a card's rows with it, skipping those that have a
// real row over them. Main thread.
#include "ui/playlist/MediaRowView.h"
#include "ui/playlist/RowThumbnails.h"

#include <QAbstractItemDelegate>
#include <QHash>
#include <QPixmap>

#include <array>
#include <memory>

class QAbstractItemView;

namespace tessarin {

class BlockItemModel;

class ItemRowStamps {
public:
    ItemRowStamps();
    ~ItemRowStamps();

    // The row widget of the item's kind showing the item with the marks, laid
    // out at size (its height for the width when size has none).
    MediaRowView& stamp(const std::shared_ptr<MediaFile>& item, const MediaRowView::Marks& marks, QSize size);
    // Draws the row of the item with the marks into rect.
    void draw(QPainter& painter, const QRect& rect, const std::shared_ptr<MediaFile>& item,
              const MediaRowView::Marks& marks);
    // The row's height at a width: one figure per kind and width, but for a
    // live row with a status (its status may go under its line).
    int height(const std::shared_ptr<MediaFile>& item, const MediaRowView::Marks& marks, int width);
    RowThumbnails& thumbnails() { return thumbnails_; }

private:
    RowThumbnails thumbnails_;
    QPixmap buffer_;
    std::array<std::unique_ptr<MediaRowView>, 4> stamps_;
    QHash<int, int> heights_; // by kind, at heightsWidth_
    int heightsWidth_ = -1;
};

class BlockItemDelegate : public QAbstractItemDelegate {
    Q_OBJECT
public:
    BlockItemDelegate(BlockItemModel& model, ItemRowStamps& stamps, QAbstractItemView& view);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    // The row at index as drawn at size.
    MediaRowView& stamp(const QModelIndex& index, const QSize& size) const;
    // Whether a real row lies over the row at index (it is not drawn then).
    std::function<bool(const QModelIndex&)> isCovered;

private:
    BlockItemModel& model_;
    ItemRowStamps& stamps_;
    QAbstractItemView& view_;
};

} // namespace tessarin
