#pragma once
// What the blocks column knows of heights before it makes a card or a row,
// and where its view is. Cards and rows are made only where the view is:
// the column lays out a block it has not made as high as its card will be,
// from the header's height and one row's height per kind of item (a file, a
// still image, a live source), measured once on a row made for the purpose.
// Main thread.
#include <QHash>
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
    // Measures a row of an item's kind at a width, off screen, once.
    using Measure = std::function<int(const std::shared_ptr<MediaFile>& item, int width)>;
    explicit RowHeights(Measure measure);

    // The width of the rows (a card's width); changing it forgets every height.
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
    static int kind(const MediaFile& item);

    Measure measure_;
    int width_ = 0;
    int header_ = 0;
    int hint_ = 0;
    int generation_ = 0;
    QHash<int, int> rows_; // by kind, at width_
};

// The column's view: a card makes the rows whose places lie in it.
struct ColumnView {
    // Cards and rows are made this many pages of the view above and below
    // it, and let go of beyond the second figure: a scroll of a page or so
    // back and forth makes and deletes nothing.
    static constexpr double kMadeAround = 0.5;
    static constexpr double kKeptAround = 1.5;

    QPointer<QWidget> viewport;
    // The view in the coordinates of widget (a descendant of the viewport),
    // widened by pages of its height above and below; empty without a view.
    QRect in(const QWidget& widget, double pages) const;
};

} // namespace tessarin
