#include "ui/kit/RowEvents.h"

#include "platform/AccessibleChildrenBus.h"

#include <QAccessible>

#include <algorithm>

namespace tessarin {
namespace {

RowEventObserver& observer()
{
    static RowEventObserver kept;
    return kept;
}

void tell(QAccessibleInterface* list, int index, bool added)
{
    QAccessibleInterface* row = list->child(index);
    if (!row)
        return;
    if (QAccessible::isActive())
        sendChildrenChanged(list, row, index, added);
    if (observer())
        observer()(list, row, index, added);
}

bool listening(QAccessibleInterface* list, int first, int last)
{
    return list && first >= 0 && first <= last && (QAccessible::isActive() || observer());
}

} // namespace

void notifyRowsInserted(QAccessibleInterface* list, int first, int last)
{
    if (!listening(list, first, last))
        return;
    last = std::min(last, first + kRowsTold - 1);
    for (int index = first; index <= last; ++index)
        tell(list, index, true);
}

void notifyRowsAboutToBeRemoved(QAccessibleInterface* list, int first, int last)
{
    if (!listening(list, first, last))
        return;
    const int told = std::min(last, first + kRowsTold - 1);
    for (int index = told; index >= first; --index)
        tell(list, index, false);
}

void observeRowEvents(RowEventObserver observer)
{
    tessarin::observer() = std::move(observer);
}

} // namespace tessarin
