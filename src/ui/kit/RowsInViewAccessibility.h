#pragma once
// What screen readers see of a list view whose rows are painted by a
// delegate: a list whose children are all its rows, each at its own index
// (a reader says "row 151 of 300"), a list item named by its model's
// accessible text. As for the drawn rows of DrawnRows.h, a row's node is
// made as it is asked for and only a bounded number are kept (those of the
// rows in view and of the current row, and a few pages more), so a list of
// any length costs about the rows on screen to read, as it costs them to
// paint. The keyboard focus is on the current row, not on the list: the row
// is the focused object while the view has the focus, the list is not. Qt's
// own interface keeps a node for every row of the model and reports the list
// itself as focused. Main thread.
class QAbstractItemView;
class QModelIndex;

namespace tessarin {

// Gives view this interface (before screen readers first ask for it).
void useRowsInViewAccessibility(QAbstractItemView& view);

// Tells screen readers that the row took the focus: when the current row
// changes while the view has the focus, and when the view takes it.
void notifyAccessibleRowFocus(QAbstractItemView& view, const QModelIndex& row);

// Tells screen readers that the row's name changed, if they know the row.
void notifyAccessibleRowNameChanged(QAbstractItemView& view, const QModelIndex& row);

} // namespace tessarin
