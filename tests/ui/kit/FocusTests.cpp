// Where the keyboard focus goes: into view in every scroll area around the
// control that takes it from the keyboard (not from a click), and back to
// the control that opened a dialog once the dialog closes, answered or not.
#include "ui/kit/DialogFocus.h"
#include "ui/kit/FocusInView.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QVBoxLayout>

using namespace tessarin;

namespace {

TEST(KeyboardFocus, IsScrolledIntoViewInEveryScrollAreaAroundItButNotForAClick)
{
    keepKeyboardFocusInView();
    keepKeyboardFocusInView(); // once per application
    // A page in an outer area, holding an inner area, each far taller than shown.
    QWidget window;
    auto* outer = new QScrollArea(&window);
    outer->setGeometry(0, 0, 300, 200);
    auto* page = new QWidget;
    auto* pageLayout = new QVBoxLayout(page);
    pageLayout->addSpacing(800);
    auto* inner = new QScrollArea;
    inner->setFixedHeight(150);
    auto* column = new QWidget;
    auto* columnLayout = new QVBoxLayout(column);
    std::vector<QPushButton*> buttons;
    for (int i = 0; i < 30; ++i) {
        buttons.push_back(new QPushButton(QStringLiteral("%1").arg(i)));
        columnLayout->addWidget(buttons.back());
    }
    inner->setWidget(column);
    pageLayout->addWidget(inner);
    outer->setWidget(page);
    window.resize(300, 200);
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    const auto shownIn = [](QScrollArea* area, QWidget* w) {
        const QRect box(w->mapTo(area->viewport(), QPoint(0, 0)), w->size());
        return area->viewport()->rect().contains(box);
    };
    QPushButton* far = buttons[25];
    far->setFocus(Qt::MouseFocusReason);
    EXPECT_FALSE(shownIn(inner, far)) << "a click never scrolls";
    EXPECT_EQ(outer->verticalScrollBar()->value(), 0);
    for (const Qt::FocusReason reason : { Qt::TabFocusReason, Qt::BacktabFocusReason, Qt::OtherFocusReason }) {
        SCOPED_TRACE(reason);
        buttons[0]->setFocus(Qt::MouseFocusReason);
        outer->verticalScrollBar()->setValue(0);
        inner->verticalScrollBar()->setValue(0);
        far->setFocus(reason);
        EXPECT_TRUE(shownIn(inner, far));
        EXPECT_TRUE(shownIn(outer, far));
    }
}

TEST(KeyboardFocus, ComesBackToTheControlThatOpenedADialogWhenItCloses)
{
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* field = new QLineEdit;
    auto* opener = new QPushButton(QStringLiteral("Apri"));
    layout->addWidget(field);
    layout->addWidget(opener);
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    for (const bool accepted : { true, false }) {
        SCOPED_TRACE(accepted);
        opener->setFocus(Qt::TabFocusReason);
        auto* dialog = new QDialog(&window);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        auto* inside = new QLineEdit(dialog);
        returnFocusWhenClosed(dialog);
        dialog->open();
        inside->setFocus();
        // Meanwhile the window's own focus went elsewhere, as a window
        // system may leave it.
        field->setFocus(Qt::OtherFocusReason);
        if (accepted)
            dialog->accept();
        else
            dialog->reject();
        EXPECT_EQ(window.focusWidget(), opener);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        EXPECT_EQ(QApplication::focusWidget(), opener);
    }
}

} // namespace
