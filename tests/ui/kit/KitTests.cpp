// The shared controls behave as the views built on them rely on.
#include "platform/Compositing.h"
#include "ui/kit/Accessibility.h"
#include "ui/kit/Buttons.h"
#include "ui/kit/Controls.h"
#include "ui/kit/Labels.h"
#include "ui/kit/OnAirBadge.h"
#include "ui/kit/Popover.h"
#include "ui/kit/Theme.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include "support/TestSupport.h"

using namespace tessarin;

TEST(Popover, ClosesOnEscapeReportsEachCloseAndIsShapedWhereNothingBlendsItsCorners)
{
    QWidget anchorWindow;
    anchorWindow.resize(400, 300);
    auto* anchor = new QWidget(&anchorWindow);
    anchor->setGeometry(100, 20, 40, 20);
    anchorWindow.show();

    Popover popover(new QLabel(QStringLiteral("content")));
    QSignalSpy closed(&popover, &Popover::closed);
    popover.showFor(anchor);
    ASSERT_TRUE(popover.isVisible());
    EXPECT_TRUE(popover.pointsUp()) << "room below the anchor: the popover opens below it";
    EXPECT_GE(popover.geometry().top(), anchor->mapToGlobal(QPoint(0, anchor->height())).y() - 1);

    QTest::keyClick(&popover, Qt::Key_Escape);
    EXPECT_FALSE(popover.isVisible());
    EXPECT_EQ(closed.count(), 1);

    popover.showFor(anchor);
    popover.hide();
    EXPECT_EQ(closed.count(), 2);

    // Without a compositing manager the window is the bubble's shape: its
    // rounded corners and the sides of the arrow are outside it.
    Compositing::assume(false);
    popover.showFor(anchor);
    const QRegion shape = popover.mask();
    const QRect body = popover.rect().adjusted(0, 8, 0, 0);
    EXPECT_FALSE(shape.contains(body.topLeft()));
    EXPECT_FALSE(shape.contains(body.bottomRight()));
    EXPECT_FALSE(shape.contains(QPoint(2, 2)));
    EXPECT_TRUE(shape.contains(body.center()));
    EXPECT_TRUE(shape.contains(QPoint(body.left() + 1, body.center().y())));
    const int tipX = popover.mapFromGlobal(anchor->mapToGlobal(QPoint(anchor->width() / 2, 0))).x();
    EXPECT_TRUE(shape.contains(QPoint(tipX, 4))) << "the arrow";
    EXPECT_FALSE(shape.contains(QPoint(tipX - 7, 2)));
    popover.hide();
    Compositing::assume(true);
    popover.showFor(anchor);
    EXPECT_TRUE(popover.mask().isEmpty());
    popover.hide();
    Compositing::assume(std::nullopt);
}

TEST(SegmentedControl, ReportsOnlyTheOperatorsChoice)
{
    SegmentedControl control;
    control.addSegment(QStringLiteral("Cut"));
    control.addSegment(QStringLiteral("Fade"));
    QSignalSpy activated(&control, &SegmentedControl::activated);

    control.setCurrentIndex(1);
    EXPECT_EQ(control.currentIndex(), 1);
    EXPECT_EQ(activated.count(), 0);

    control.show();
    QTest::mouseClick(control.segment(0), Qt::LeftButton);
    EXPECT_EQ(control.currentIndex(), 0);
    ASSERT_EQ(activated.count(), 1);
    EXPECT_EQ(activated.at(0).at(0).toInt(), 0);

    control.setCurrentIndex(-1);
    EXPECT_EQ(control.currentIndex(), -1);
}

// A screen reader's actions on a segment or a switch do what a click does:
// the listeners of the operator's choice hear of it, not only the picture.
TEST(SegmentedControl, EveryAccessibleActionIsTheOperatorsChoice)
{
    SegmentedControl control;
    control.addSegment(QStringLiteral("Cut"));
    control.addSegment(QStringLiteral("Fade"));
    control.setCurrentIndex(0);
    control.show();
    QSignalSpy activated(&control, &SegmentedControl::activated);

    QAccessibleInterface* fade = QAccessible::queryAccessibleInterface(control.segment(1));
    ASSERT_NE(fade, nullptr);
    EXPECT_EQ(fade->role(), QAccessible::RadioButton);
    EXPECT_EQ(fade->text(QAccessible::Name), QStringLiteral("Fade"));
    EXPECT_FALSE(fade->state().checked);
    fade->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(control.currentIndex(), 1);
    ASSERT_EQ(activated.count(), 1);
    EXPECT_EQ(activated.at(0).at(0).toInt(), 1);
    EXPECT_TRUE(fade->state().checked);

    QAccessible::queryAccessibleInterface(control.segment(0))->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(control.currentIndex(), 0);
    ASSERT_EQ(activated.count(), 2);
    EXPECT_EQ(activated.at(1).at(0).toInt(), 0);
    // A segment checked in code by a view that follows its model is not a choice.
    control.setCurrentIndex(1);
    EXPECT_EQ(activated.count(), 2);

    SwitchButton toggle(QStringLiteral("Interlacciato"));
    int clicks = 0;
    QObject::connect(&toggle, &SwitchButton::clicked, [&] { ++clicks; });
    QAccessibleInterface* node = QAccessible::queryAccessibleInterface(&toggle);
    EXPECT_EQ(node->role(), QAccessible::CheckBox);
    node->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_TRUE(toggle.isChecked());
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(node->state().checked);
}

// Tab reaches a segmented control or a radio group at its checked option,
// where Space leaves the setting as it is, the arrows change it, and the next
// Tab leaves the group whichever option is checked.
TEST(SegmentedControl, TabEntersAtTheCheckedOptionAndSpaceKeepsTheSetting)
{
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* before = new QLineEdit(&window);
    layout->addWidget(before);
    auto* segments = new SegmentedControl(&window);
    auto* after = new QLineEdit(&window); // made before the segments: the order still holds
    for (const char* text : { "Uno", "Due", "Tre" })
        segments->addSegment(QString::fromLatin1(text));
    layout->addWidget(segments);
    layout->addWidget(after);
    useLayoutTabOrder(&window);
    segments->setCurrentIndex(1);
    QSignalSpy activated(segments, &SegmentedControl::activated);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(test::waitUntil([&] { return QApplication::activeWindow() == &window; }));

    before->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_TRUE(segments->segment(1)->hasFocus());
    QTest::keyClick(segments->segment(1), Qt::Key_Space);
    EXPECT_EQ(segments->currentIndex(), 1);
    EXPECT_EQ(activated.count(), 0);
    QTest::keyClick(segments->segment(1), Qt::Key_Right);
    EXPECT_EQ(segments->currentIndex(), 2);
    EXPECT_TRUE(segments->segment(2)->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), after);
    QTest::keyClick(after, Qt::Key_Backtab);
    EXPECT_TRUE(segments->segment(2)->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), before);
}

// A popover opens with the focus on its first control, not on its content's
// container; Return on a button with a menu opens the menu, in a dialog too.
TEST(Popover, OpensWithTheFocusOnItsFirstControl)
{
    QWidget anchorWindow;
    anchorWindow.resize(300, 200);
    anchorWindow.show();
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->addWidget(new QLabel(QStringLiteral("Titolo"), content));
    auto* field = new QLineEdit(content);
    layout->addWidget(field);
    layout->addWidget(new PillButton(QStringLiteral("Aggiungi"), { Theme::accent(), true }, content));
    Popover popover(content, &anchorWindow);
    popover.showFor(&anchorWindow);
    ASSERT_TRUE(test::waitUntil([&] { return popover.isVisible(); }));
    EXPECT_TRUE(test::waitUntil([&] { return QApplication::focusWidget() == field; }));
    popover.hide();
}

TEST(KitButtons, ReturnOpensTheMenuOfAButtonWithOneInADialogToo)
{
    QDialog dialog;
    auto* layout = new QVBoxLayout(&dialog);
    auto* other = new QLineEdit(&dialog);
    auto* button = new QToolButton(&dialog);
    button->setText(QStringLiteral("Dal Browser"));
    button->setPopupMode(QToolButton::InstantPopup);
    auto* menu = new QMenu(button);
    menu->addAction(QStringLiteral("Sigla"));
    button->setMenu(menu);
    useKeyboardFocus(button);
    layout->addWidget(other);
    layout->addWidget(button);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(test::waitUntil([&] { return QApplication::activeWindow() == &dialog; }));
    other->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(other, Qt::Key_Tab);
    ASSERT_TRUE(button->hasFocus());
    // The menu runs its own loop: a timer sees it open, and closes it.
    bool opened = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (menu->isVisible()) {
            opened = true;
            menu->close();
        }
    });
    watch.start(10);
    QTest::keyClick(button, Qt::Key_Return);
    EXPECT_TRUE(test::waitUntil([&] { return opened; }));
    EXPECT_TRUE(dialog.isVisible()) << "Return was the menu's, not the dialog's";
}

TEST(Popover, FollowsItsContentBackToItsSizeWhenALineGoes)
{
    QWidget anchor;
    anchor.resize(80, 24);
    anchor.show();
    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    column->addWidget(new QLabel(QStringLiteral("stream")));
    auto* error = new QLabel(QStringLiteral("a line\nof two"));
    error->hide();
    column->addWidget(error);
    Popover popover(content);
    popover.showFor(&anchor);
    const QSize before = popover.size();
    error->show();
    ASSERT_TRUE(test::waitUntil([&] { return popover.height() > before.height(); }));
    error->hide();
    ASSERT_TRUE(test::waitUntil([&] { return popover.size() == before; })) << popover.height() << " " << before.height();
}

// Popovers are popups, which Qt leaves out of the application's children:
// they are listed there while they show, as dialogs named by their anchor.
TEST(Popover, IsAnApplicationChildWhileItShows)
{
    QWidget anchorWindow;
    anchorWindow.resize(400, 300);
    auto* anchor = new QWidget(&anchorWindow);
    anchor->setAccessibleName(QStringLiteral("Punti IN/OUT"));
    anchor->setGeometry(100, 20, 40, 20);
    anchorWindow.show();
    QAccessibleInterface* app = QAccessible::queryAccessibleInterface(qApp);
    const int windows = app->childCount();

    Popover popover(new QLabel(QStringLiteral("content")), &anchorWindow);
    popover.showFor(anchor);
    QAccessibleInterface* node = QAccessible::queryAccessibleInterface(&popover);
    ASSERT_EQ(app->childCount(), windows + 1);
    EXPECT_EQ(app->child(windows), node);
    EXPECT_EQ(app->indexOfChild(node), windows);
    EXPECT_EQ(node->parent(), app);
    EXPECT_EQ(node->role(), QAccessible::Dialog);
    EXPECT_EQ(node->text(QAccessible::Name), QStringLiteral("Punti IN/OUT"));

    popover.hide();
    EXPECT_EQ(app->childCount(), windows);
    EXPECT_EQ(app->indexOfChild(node), -1);
}

TEST(Stepper, LeavesTheValueToItsOwner)
{
    Stepper stepper;
    int value = 3;
    QObject::connect(&stepper, &Stepper::incremented, [&] { ++value; });
    QObject::connect(&stepper, &Stepper::decremented, [&] { --value; });
    stepper.show();
    QTest::mouseClick(stepper.upButton(), Qt::LeftButton);
    QTest::mouseClick(stepper.upButton(), Qt::LeftButton);
    QTest::mouseClick(stepper.downButton(), Qt::LeftButton);
    EXPECT_EQ(value, 4);
    stepper.setDownEnabled(false);
    QTest::mouseClick(stepper.downButton(), Qt::LeftButton);
    EXPECT_EQ(value, 4);
}

// Squeezed by a tight row, the stepper keeps its arrows and the value at the
// end of its text in view, and asks for its whole text again when there is
// room.
TEST(Stepper, ASqueezedTextKeepsItsValueInView)
{
    Stepper stepper;
    stepper.setText(QStringLiteral("Immagine · 15 s"));
    stepper.show();
    const QSize whole = stepper.sizeHint();
    ASSERT_LT(stepper.minimumSizeHint().width(), whole.width());
    stepper.resize(stepper.minimumSizeHint().width(), whole.height());
    QApplication::processEvents();
    const QString shown = stepper.label()->text();
    EXPECT_NE(shown, QStringLiteral("Immagine · 15 s"));
    EXPECT_TRUE(shown.endsWith(QStringLiteral("15 s"))) << shown.toStdString();
    EXPECT_EQ(stepper.text(), QStringLiteral("Immagine · 15 s"));
    EXPECT_LE(stepper.upButton()->geometry().right(), stepper.width());
    EXPECT_EQ(stepper.sizeHint(), whole);
    stepper.resize(whole);
    QApplication::processEvents();
    EXPECT_EQ(stepper.label()->text(), QStringLiteral("Immagine · 15 s"));
}

TEST(OnAirBadge, ReadsOnAirWhilePlayingAndPausedOtherwise)
{
    OnAirBadge badge(true);
    EXPECT_EQ(badge.text(), QStringLiteral("ON AIR"));
    const int playingWidth = badge.sizeHint().width();
    badge.setIsPlaying(false);
    EXPECT_EQ(badge.text(), QStringLiteral("PAUSA"));
    EXPECT_EQ(badge.accessibleName(), QStringLiteral("PAUSA"));
    EXPECT_EQ(badge.sizeHint().height(), OnAirBadge(true).sizeHint().height());
    EXPECT_NE(badge.sizeHint().width(), playingWidth);
}

TEST(IconButton, CarriesItsHelpAsNameAndTooltip)
{
    IconButton button(QStringLiteral("play.fill"), QStringLiteral("Play / Pausa"));
    EXPECT_EQ(button.toolTip(), QStringLiteral("Play / Pausa"));
    EXPECT_EQ(button.accessibleName(), QStringLiteral("Play / Pausa"));
    EXPECT_EQ(button.size(), QSize(24, 24));
}

namespace {

// Pixels of the accent colour (antialiased edges included) in widget's picture.
int accentPixels(QWidget* widget)
{
    const QImage image = widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QColor accent = Theme::accent();
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - accent.red()) < 40 && std::abs(c.green() - accent.green()) < 40
                && std::abs(c.blue() - accent.blue()) < 40)
                ++count;
        }
    }
    return count;
}

} // namespace

TEST(KitButtons, TabReachesThemWithAnAccentRingAClickDoesNotAndReturnActivates)
{
    QWidget window;
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, Theme::background());
    window.setPalette(palette);
    window.setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(&window);
    auto* field = new QLineEdit(&window);
    layout->addWidget(field);
    std::vector<QAbstractButton*> buttons {
        new PillButton(QStringLiteral("Riproduci da qui"), { Theme::textPrimary(), false }, &window),
        new IconButton(QStringLiteral("play.fill"), QStringLiteral("Riproduci"), {}, &window),
        new TransportButton(QStringLiteral("play.fill"), 16, { 44, Theme::white(0.1), Theme::textPrimary() }, &window),
        new SwitchButton(QStringLiteral("Interlacciato"), &window),
    };
    SegmentedControl segments;
    segments.addSegment(QStringLiteral("Cut"));
    segments.addSegment(QStringLiteral("Fade"));
    segments.setParent(&window);
    layout->addWidget(&segments);
    buttons.push_back(segments.segment(1));
    for (QAbstractButton* b : buttons)
        if (b->parentWidget() == &window)
            layout->addWidget(b);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(test::waitUntil([&] { return QApplication::activeWindow() == &window; }));

    for (QAbstractButton* b : buttons) {
        SCOPED_TRACE(b->accessibleName().toStdString() + " " + b->metaObject()->className());
        // A mouse click runs the button and leaves the focus in the field.
        field->setFocus(Qt::MouseFocusReason);
        QSignalSpy clicked(b, &QAbstractButton::clicked);
        QTest::mouseClick(b, Qt::LeftButton);
        EXPECT_EQ(clicked.count(), 1);
        EXPECT_TRUE(field->hasFocus());
        const int plain = accentPixels(b);

        // Tab reaches it, and its ring shows.
        b->setFocus(Qt::OtherFocusReason);
        field->setFocus(Qt::OtherFocusReason);
        // (Tab enters a segmented control at its chosen segment.)
        auto entersAt = [&](QWidget* next) { return next == b || (b->parentWidget() == &segments && next->parentWidget() == &segments); };
        QWidget* before = field;
        while (!entersAt(before->nextInFocusChain())) {
            before = before->nextInFocusChain();
            ASSERT_NE(before, field) << "not in the focus chain";
        }
        before->setFocus(Qt::OtherFocusReason);
        QTest::keyClick(&window, Qt::Key_Tab);
        ASSERT_TRUE(b->hasFocus());
        EXPECT_GT(accentPixels(b), plain + 30) << "no ring in the accent colour";

        // Return and keypad Enter activate it.
        QTest::keyClick(b, Qt::Key_Return);
        EXPECT_TRUE(test::waitUntil([&] { return clicked.count() == 2; }));
        QTest::keyClick(b, Qt::Key_Enter, Qt::KeypadModifier);
        EXPECT_TRUE(test::waitUntil([&] { return clicked.count() == 3; }));
        EXPECT_TRUE(b->hasFocus());
    }
}

TEST(ElidedLabel, ANewTextOfTheSameWidthRepaintsWithoutANewLayout)
{
    // A running timecode changes every tick; its width does not.
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* label = new FitLabel(QStringLiteral("00:00:01"));
    label->setFont(Theme::monoFont(16));
    layout->addWidget(label);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QCoreApplication::processEvents();

    struct Counter : QObject {
        int layouts = 0;
        bool eventFilter(QObject*, QEvent* e) override
        {
            layouts += e->type() == QEvent::LayoutRequest;
            return false;
        }
    } counter;
    window.installEventFilter(&counter);
    const QSize hint = label->sizeHint();
    label->setText(QStringLiteral("00:00:02"));
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(counter.layouts, 0);
    EXPECT_EQ(label->sizeHint(), hint);
    EXPECT_EQ(label->accessibleName(), QStringLiteral("00:00:02"));

    label->setText(QStringLiteral("01:00:00:02"));
    QCoreApplication::sendPostedEvents();
    EXPECT_GE(counter.layouts, 1);
    EXPECT_GT(label->sizeHint().width(), hint.width());
}

TEST(ElidedLabel, AsksTheTextsAdvanceHoweverItWasLastDrawn)
{
    // A one-line label measures by the shaping it draws: the width asked
    // must stay what the font's metrics give, or layouts move by a pixel.
    QWidget window;
    auto* layout = new QHBoxLayout(&window);
    auto* label = new ElidedLabel;
    layout->addWidget(label);
    window.resize(120, 40);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const QStringList texts = { QStringLiteral("Sigla d\u2019apertura.mp4"), QStringLiteral("clip-00017.mov"),
                                QStringLiteral("Intervista \u00E0 l\u2019\u00E9quipe \u2014 parte 2 (versione lunga).mxf"),
                                QStringLiteral("iiiiiiil"), QStringLiteral("WWWWMMMM 01:59:59:29"), QStringLiteral("Coro  ") };
    for (const QFont& font : { Theme::font(13, QFont::Medium), Theme::font(11), Theme::monoFont(16) }) {
        label->setFont(font);
        for (const QString& text : texts) {
            label->setText(text);
            EXPECT_EQ(label->sizeHint().width(), QFontMetrics(font).horizontalAdvance(text) + 1) << qPrintable(text);
            // Drawn cut to the window's width, then asked again.
            label->repaint();
            label->setText(QStringLiteral("x"));
            label->setText(text);
            EXPECT_EQ(label->sizeHint().width(), QFontMetrics(font).horizontalAdvance(text) + 1) << qPrintable(text);
            EXPECT_TRUE(label->shownText() == text || label->shownText().endsWith(QStringLiteral("\u2026")));
        }
    }
}
