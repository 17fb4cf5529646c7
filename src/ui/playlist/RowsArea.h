#pragma once
// The area of the blocks column that holds its cards in order. Main thread.
#include <QPointer>
#include <QWidget>

#include <functional>
#include <vector>

namespace tessarin {

// Widgets one under the other in the order given (the column's cards, with
// its hint and drop zone), each as high as it asks for at the area's width; a place
// without a widget keeps the height it was given until its widget comes, and
// a widget taken back leaves its place as high as it was. Widgets are placed
// by index, with no layout pass over the others: one made, or one whose size
// changes, moves only those below it, and the parent hears of it only when
// the area's own height changes. The widgets stay in display order among the
// area's children (the order a screen reader goes through them).
class RowsArea : public QWidget {
    Q_OBJECT
public:
    explicit RowsArea(QWidget* parent, int margin = 0, int spacing = 0);

    struct Place {
        QWidget* row = nullptr; // a child of the area, or null
        int height = 0;         // kept while there is no row
    };
    // The rows and places, in order; rows no longer named are left alone.
    void setPlaces(std::vector<Place> places);
    // Puts row (a child of the area) in place index, which has none yet.
    void setRow(int index, QWidget* row);
    // Empties place index, which keeps its height; the row is the caller's.
    void takeRow(int index);
    // The height place index keeps while it has no row.
    void setPlaceHeight(int index, int height);
    int count() const { return int(places_.size()); }
    QWidget* rowAt(int index) const { return places_[std::size_t(index)].row; }
    // Place index in the area's coordinates.
    QRect placeRect(int index) const;
    // Called once places have moved or changed their heights.
    std::function<void()> onPlaced;
    // Tab goes from tabStart to the first row's controls and on through the
    // rows (cards) in their order, whenever each was made.
    void setTabStart(QWidget* widget) { tabStart_ = widget; }

    QSize sizeHint() const override { return { 0, total_ }; }
    QSize minimumSizeHint() const override { return { 0, total_ }; }

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    int heightOf(const Place& place) const;
    // Heights and positions from place first on, rows moved where they changed.
    void placeFrom(int first);
    // Puts the rows back in display order among the children when a change
    // of the places mixed them up.
    void keepChildrenInOrder();
    // Puts the controls of the row at index after those of the nearest row
    // before it in Tab order.
    void keepTabOrder(int index);

    QPointer<QWidget> tabStart_;
    int margin_ = 0;
    int spacing_ = 0;
    std::vector<Place> places_;
    std::vector<int> tops_;    // per place
    std::vector<int> heights_; // per place
    int total_ = 0;
};

} // namespace tessarin
