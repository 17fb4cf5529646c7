#pragma once
// Tells screen readers that rows of a list came or are about to go: one
// AT-SPI children-changed event per row, at the row's own index, the list
// asked for its row nodes (list->child(index)). Rows that came are told in
// ascending order once the model holds them; rows about to go in
// descending order while it still does, so that a reader applying the
// events one by one keeps every other row at its place. A change of more
// than kRowsTold rows tells its first kRowsTold (a folder of thousands of
// files is not read out row by row). Main thread.
#include <functional>

class QAccessibleInterface;

namespace tessarin {

constexpr int kRowsTold = 100;

void notifyRowsInserted(QAccessibleInterface* list, int first, int last);
void notifyRowsAboutToBeRemoved(QAccessibleInterface* list, int first, int last);

// Hands every such event to observer too (tests, where no screen reader is
// active); an empty function stops it.
using RowEventObserver = std::function<void(QAccessibleInterface* list, QAccessibleInterface* row, int index, bool added)>;
void observeRowEvents(RowEventObserver observer);

} // namespace tessarin
