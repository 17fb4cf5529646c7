// Under the application's look Qt's own buttons follow the kit's keyboard
// rule: a click leaves the focus where it was, Tab reaches them, and Return
// activates them, except in a dialog, where Return is the default action.
#include "app/AppLook.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using namespace tessarin;

namespace {

bool activate(QWidget& window)
{
    window.show();
    window.activateWindow();
    return test::waitUntil([&] { return QApplication::activeWindow() == &window; });
}

} // namespace

TEST(KeyboardLook, QtButtonsTakeNoFocusFromAClickAndAnswerReturnOutsideDialogs)
{
    applyDarkLook(*qApp);

    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* field = new QLineEdit(&window);
    auto* normalize = new QCheckBox("Normalizza audio", &window);
    auto* more = new QToolButton(&window);
    auto* reset = new QPushButton("Ripristina", &window);
    for (QWidget* w : std::initializer_list<QWidget*> { field, normalize, more, reset })
        layout->addWidget(w);
    ASSERT_TRUE(activate(window));
    QSignalSpy moreClicked(more, &QToolButton::clicked);
    QSignalSpy resetClicked(reset, &QPushButton::clicked);

    field->setFocus();
    QTest::mouseClick(normalize, Qt::LeftButton, {}, QPoint(6, normalize->height() / 2));
    EXPECT_TRUE(normalize->isChecked());
    EXPECT_TRUE(field->hasFocus()) << "a click moved the focus";

    QTest::keyClick(&window, Qt::Key_Tab);
    ASSERT_TRUE(normalize->hasFocus());
    QTest::keyClick(window.windowHandle(), Qt::Key_Return);
    EXPECT_TRUE(test::waitUntil([&] { return !normalize->isChecked(); }));
    QTest::keyClick(&window, Qt::Key_Tab);
    ASSERT_TRUE(more->hasFocus());
    QTest::keyClick(window.windowHandle(), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_TRUE(test::waitUntil([&] { return moreClicked.count() == 1; }));
    QTest::keyClick(&window, Qt::Key_Tab);
    ASSERT_TRUE(reset->hasFocus());
    QTest::keyClick(window.windowHandle(), Qt::Key_Return);
    EXPECT_TRUE(test::waitUntil([&] { return resetClicked.count() == 1; }));

    // In a dialog Return on a check box is the dialog's default action.
    QDialog dialog(&window);
    auto* dialogLayout = new QVBoxLayout(&dialog);
    auto* limit = new QCheckBox("Limita la durata", &dialog);
    auto* save = new QPushButton("Salva", &dialog);
    save->setDefault(true);
    dialogLayout->addWidget(limit);
    dialogLayout->addWidget(save);
    QObject::connect(save, &QPushButton::clicked, &dialog, &QDialog::accept);
    QSignalSpy accepted(&dialog, &QDialog::accepted);
    ASSERT_TRUE(activate(dialog));
    save->setFocus();
    QTest::keyClick(&dialog, Qt::Key_Tab);
    ASSERT_TRUE(limit->hasFocus());
    QTest::keyClick(dialog.windowHandle(), Qt::Key_Return);
    EXPECT_EQ(accepted.count(), 1);
    EXPECT_FALSE(limit->isChecked());
}

TEST(KeyboardLook, MnemonicsAreUnderlinedOnlyWhileAltIsHeld)
{
    applyDarkLook(*qApp);
    QWidget window;
    auto* save = new QPushButton("&Salva", &window);
    ASSERT_TRUE(activate(window));
    const auto underlined = [&] { return QApplication::style()->styleHint(QStyle::SH_UnderlineShortcut, nullptr, save) != 0; };

    EXPECT_FALSE(underlined());
    QTest::keyPress(&window, Qt::Key_Alt);
    EXPECT_TRUE(underlined());
    QTest::keyRelease(&window, Qt::Key_Alt);
    EXPECT_FALSE(underlined());
}
