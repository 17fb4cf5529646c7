#pragma once
// What the blocks column knows of heights before it makes a card, and where
// its view is. Cards are made only where the view is: the column lays out a
// block it has not made as high as its card will be, from the header's
// height and the height of each item's row (one figure per kind of item, a
// file, a still image, a live source, as the rows are drawn). Main thread.
#include <QPointer>
#include <QRect>
#include <QWidget>

#include <functional>
#include <memory>

namespace tessarin {

class MediaBlock;
class MediaFile;

class RowHeights {
public:
    // The height of an item's row at a width.
    using Measure = std::function<int(const std::shared_ptr<MediaFile>& item, int width)>;
    explicit RowHeights(Measure measure);

    // The width of the rows (a card's width); changing it moves generation():
    // every estimate is worked out again.
    void setWidth(int width);
    int width() const { return width_; }
    // The height of an item's row at the present width.
    int row(const std::shared_ptr<MediaFile>& item);
    // A card's header with its separator line, and an empty block's hint.
    void setCardParts(int header, int hint);
    // The height a block's card takes, with every row of it made or not.
    int card(const MediaBlock& block);
    // Bumped whenever a height known before changes: estimates made earlier are stale.
    int generation() const { return generation_; }

private:
    Measure measure_;
    int width_ = 0;
    int header_ = 0;
    int hint_ = 0;
    int generation_ = 0;
};

// The column's view, near which cards are made.
struct ColumnView {
    // Cards are made this many pages of the view above and below it, and
    // let go of beyond the second figure: a scroll of a page or so back and
    // forth makes and deletes nothing.
    static constexpr double kMadeAround = 0.5;
    static constexpr double kKeptAround = 1.5;

    QPointer<QWidget> viewport;
    // The view in the coordinates of widget (a descendant of the viewport),
    // widened by pages of its height above and below; empty without a view.
    QRect in(const QWidget& widget, double pages) const;
};

} // namespace tessarin
