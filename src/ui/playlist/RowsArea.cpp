#include "ui/playlist/RowsArea.h"

#include <QEvent>

#include <algorithm>

namespace tessarin {

RowsArea::RowsArea(QWidget* parent, int margin, int spacing)
    : QWidget(parent)
    , margin_(margin)
    , spacing_(spacing)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

int RowsArea::heightOf(const Place& place) const
{
    if (!place.row)
        return place.height;
    const int w = width() - 2 * margin_;
    if (w > 0 && place.row->hasHeightForWidth())
        return place.row->heightForWidth(w);
    return place.row->sizeHint().height();
}

void RowsArea::setPlaces(std::vector<Place> places)
{
    places_ = std::move(places);
    for (const Place& place : places_) {
        if (place.row && place.row->isHidden())
            place.row->show();
    }
    keepChildrenInOrder();
    placeFrom(0);
}

void RowsArea::setRow(int index, QWidget* row)
{
    places_[std::size_t(index)].row = row;
    // Among the children, just before the next row shown, or last.
    QWidget* next = nullptr;
    for (std::size_t i = std::size_t(index) + 1; i < places_.size() && !next; ++i)
        next = places_[i].row;
    if (next)
        row->stackUnder(next);
    else
        row->raise();
    row->show();
    placeFrom(index);
    keepTabOrder(index);
}

namespace {

// The controls Tab reaches in a compound just made, in their Tab order: they
// follow it in the focus chain, as made.
QList<QWidget*> tabStops(QWidget* compound)
{
    QList<QWidget*> stops;
    for (QWidget* w = compound->nextInFocusChain(); w != compound && compound->isAncestorOf(w); w = w->nextInFocusChain()) {
        if (w->focusPolicy() & Qt::TabFocus)
            stops.append(w);
    }
    return stops;
}

// The last control Tab reaches in a compound placed before (its controls
// stand together in the focus chain), or null when it has none.
QWidget* lastTabStop(QWidget* compound)
{
    QWidget* last = nullptr;
    for (QWidget* child : compound->findChildren<QWidget*>()) {
        if (child->focusPolicy() & Qt::TabFocus) {
            last = child;
            break;
        }
    }
    if (!last)
        return nullptr;
    for (QWidget* w = last->nextInFocusChain(); w != last && compound->isAncestorOf(w); w = w->nextInFocusChain()) {
        if (w->focusPolicy() & Qt::TabFocus)
            last = w;
    }
    return last;
}

} // namespace

void RowsArea::keepTabOrder(int index)
{
    QWidget* after = tabStart_;
    for (int i = index - 1; i >= 0; --i) {
        QWidget* before = places_[std::size_t(i)].row;
        if (QWidget* last = before ? lastTabStop(before) : nullptr) {
            after = last;
            break;
        }
    }
    if (!after)
        return;
    for (QWidget* stop : tabStops(places_[std::size_t(index)].row)) {
        QWidget::setTabOrder(after, stop);
        after = stop;
    }
}

void RowsArea::takeRow(int index)
{
    Place& place = places_[std::size_t(index)];
    if (!place.row)
        return;
    place.row = nullptr;
    if (std::size_t(index) < heights_.size())
        place.height = heights_[std::size_t(index)];
}

void RowsArea::setPlaceHeight(int index, int height)
{
    Place& place = places_[std::size_t(index)];
    if (place.height == height)
        return;
    place.height = height;
    if (!place.row)
        placeFrom(index);
}

void RowsArea::keepChildrenInOrder()
{
    QHash<const QObject*, int> at;
    for (int i = 0; i < int(places_.size()); ++i) {
        if (places_[std::size_t(i)].row)
            at.insert(places_[std::size_t(i)].row, i);
    }
    int previous = -1;
    for (const QObject* child : children()) {
        const auto it = at.constFind(child);
        if (it == at.constEnd())
            continue;
        if (*it < previous) {
            for (const Place& place : places_) {
                if (place.row)
                    place.row->raise();
            }
            return;
        }
        previous = *it;
    }
}

QRect RowsArea::placeRect(int index) const
{
    if (index < 0 || index >= int(tops_.size()))
        return {};
    return { margin_, tops_[std::size_t(index)], width() - 2 * margin_, heights_[std::size_t(index)] };
}

void RowsArea::placeFrom(int first)
{
    const std::size_t n = places_.size();
    tops_.resize(n);
    heights_.resize(n, 0);
    int y = first > 0 ? tops_[std::size_t(first - 1)] + heights_[std::size_t(first - 1)] + spacing_ : margin_;
    const int w = width() - 2 * margin_;
    bool moved = false;
    for (std::size_t i = std::size_t(std::max(first, 0)); i < n; ++i) {
        const Place& place = places_[i];
        const int height = heightOf(place);
        moved = moved || height != heights_[i] || y != tops_[i];
        heights_[i] = height;
        tops_[i] = y;
        // Before the area has its width, rows wait for it to be placed once.
        if (place.row && w > 0) {
            const QRect r(margin_, y, w, heights_[i]);
            if (place.row->geometry() != r)
                place.row->setGeometry(r);
        }
        y += heights_[i] + spacing_;
    }
    y += margin_ - (n > 0 ? spacing_ : 0);
    if (y != total_) {
        total_ = y;
        moved = true;
        updateGeometry(); // the card grows or shrinks
    }
    if (moved && onPlaced)
        onPlaced();
}

bool RowsArea::event(QEvent* event)
{
    // A row's size hint changed: the rows below it move, nothing more.
    if (event->type() == QEvent::LayoutRequest) {
        placeFrom(0);
        return true;
    }
    return QWidget::event(event);
}

void RowsArea::resizeEvent(QResizeEvent*)
{
    placeFrom(0);
}

} // namespace tessarin
