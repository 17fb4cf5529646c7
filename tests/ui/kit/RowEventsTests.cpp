// Rows that come to or go from a painted list are told to screen readers,
// each at its own place, as the list's row there.
#include "ui/kit/Controls.h"
#include "ui/kit/RowEvents.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QStringListModel>

using namespace tessarin;

TEST(RowEventsTest, RowsInsertedOrRemovedAreToldAtTheirPlace)
{
    QStringListModel model({ "a", "b", "c", "d", "e", "f" });
    PaintedRowList list;
    list.setModel(&model);
    list.resize(300, 60); // a few rows in view: rows away from it are told too
    list.show();
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&list);
    ASSERT_NE(iface, nullptr);
    QStringList read;
    observeRowEvents([&](QAccessibleInterface* of, QAccessibleInterface* row, int index, bool added) {
        EXPECT_EQ(of, iface);
        EXPECT_EQ(iface->indexOfChild(row), index);
        read << QStringLiteral("%1%2 %3").arg(added ? '+' : '-').arg(index).arg(row->text(QAccessible::Name));
    });
    const struct {
        std::function<void()> change;
        QStringList read;
    } steps[] = {
        { [&] { model.insertRows(6, 1); model.setData(model.index(6), "g"); }, { "+6 " } },
        { [&] { model.insertRows(2, 2); }, { "+2 ", "+3 " } },
        { [&] { model.removeRows(1, 3); }, { "-3 ", "-2 ", "-1 b" } },
        { [&] { model.removeRows(5, 1); }, { "-5 g" } },
        { [&] { model.setStringList({ "x" }); }, {} }, // a reset: the list is read anew
    };
    for (const auto& step : steps) {
        read.clear();
        step.change();
        EXPECT_EQ(read, step.read);
    }
    observeRowEvents({});
}
