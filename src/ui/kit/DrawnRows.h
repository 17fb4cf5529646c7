#pragma once
// What screen readers see of an item view whose rows are drawn from a row
// widget laid out as the row to draw (a stamp), with real row widgets only
// where the pointer or the focus is. The view (a QAbstractItemView that is
// also a DrawnRows) is a list whose children are all its rows, each at its
// own index (nodes are made as asked for, and only a bounded number kept;
// the rows away from the view show no controls); a
// row with a real widget is that widget, any other a list item named by the
// model's Qt::AccessibleTextRole whose children are those of the stamp laid
// out as that row (roles, names, states, values as the real row would show
// them, placed where the row is drawn). An action or a value set on a drawn
// control makes the row's real widget and does it there, as the pointer
// would. Views tell listeners of their rows' changes by the model's signals
// (a row's name; rows that come or go, at their index, see RowEvents) and
// through the real rows' own widgets (the focus).
// The interfaces are installed with the others by installAccessibleInterfaces.
// Main thread.
#include <QRect>

#include <utility>

class QAbstractItemView;
class QAccessibleInterface;
class QWidget;

namespace tessarin {

class DrawnRows {
public:
    virtual ~DrawnRows() = default;
    virtual QAbstractItemView& drawnView() = 0;
    // The stamp laid out as row: a widget never shown, valid until the next call.
    virtual QWidget* stampFor(int row) = 0;
    // The row's real widget (a child of the viewport), or null.
    virtual QWidget* liveRowAt(int row) const = 0;
    // The row's real widget, made if there is none.
    virtual QWidget* openLiveRow(int row) = 0;
    // The row whose real widget row is; -1 for any other widget.
    virtual int rowOfLive(const QWidget* row) const = 0;
    // The rows near the view (last < first: none): screen readers are told
    // of their coming and going, and their accessible nodes are kept.
    virtual std::pair<int, int> exposedRows() const = 0;
};

// Keeps the changes of a stamp (and its children), moved from row to row at
// each paint, from the listeners of the accessibility bus: the drawn rows
// tell of their own changes. For as long as the stamp lives.
void silenceStamp(QWidget* stamp);

// The interface of a drawn view (made by the accessibility factory).
QAccessibleInterface* drawnRowsInterface(QWidget* view, DrawnRows* rows);
// The parent screen readers are given for a real row of a drawn view: the
// view; null for any other widget.
QAccessibleInterface* drawnRowParent(const QWidget* row);

} // namespace tessarin
