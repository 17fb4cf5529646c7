#include "automation/ShortcutEngine.h"
#include "automation/ShortcutManager.h"
#include "platform/KeyPolicy.h"
#include "platform/Settings.h"
#include "ui/kit/Buttons.h"
#include "ui/kit/Controls.h"
#include "ui/kit/Popover.h"
#include "ui/kit/Theme.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

#include <functional>
#include <vector>

using namespace tessarin;

namespace {

const QString bindingsKey = "Vellumcast.shortcuts.v1";
constexpr std::uint64_t shift = KeyCombo::shiftFlag;

struct FakeEngine final : ShortcutEngine {
    bool available = true;
    int blocks = 3;
    int toggles = 0, stops = 0, takes = 0, clears = 0, cues = 0;
    std::vector<int> layers, played;

    bool isAvailable() const override { return available; }
    void togglePlayPause() override { ++toggles; }
    void stop() override { ++stops; }
    void takeCued() override { ++takes; }
    void clearCue() override { ++clears; }
    void cueSelected() override { ++cues; }
    void toggleLayer(int index) override { layers.push_back(index); }
    int blockCount() const override { return blocks; }
    void playBlock(int index) override { played.push_back(index); }
    int total() const { return toggles + stops + takes + clears + cues + int(layers.size() + played.size()); }
};

class ShortcutStorageTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    Settings settings{dir.filePath("settings.ini")};
};

} // namespace

TEST_F(ShortcutStorageTest, NothingStoredGivesTheSpaceBarForPlayPause)
{
    ShortcutManager manager(settings);
    EXPECT_EQ(manager.bindings(), ShortcutManager::defaultBindings());
    EXPECT_EQ(manager.bindings().at("playPause"), KeyCombo({49, 0}));
    EXPECT_FALSE(settings.contains(bindingsKey)); // nothing written until a change
}

TEST_F(ShortcutStorageTest, BindingsSurviveARestart)
{
    {
        ShortcutManager manager(settings);
        QSignalSpy changed(&manager, &ShortcutManager::bindingsChanged);
        auto bindings = manager.bindings();
        bindings["stop"] = KeyCombo{1, shift};
        bindings["playBlock9"] = KeyCombo{25, KeyCombo::commandFlag};
        manager.setBindings(bindings);
        EXPECT_EQ(changed.count(), 1);
    }
    settings.sync();
    Settings reread(settings.fileName());
    ShortcutManager manager(reread);
    EXPECT_EQ(manager.bindings().size(), 3u);
    EXPECT_EQ(manager.bindings().at("stop"), KeyCombo({1, shift}));
    EXPECT_EQ(manager.bindings().at("playBlock9"), KeyCombo({25, KeyCombo::commandFlag}));
}

TEST_F(ShortcutStorageTest, RemovingEveryBindingStoresAnEmptyTableAndTheDefaultReturns)
{
    {
        ShortcutManager manager(settings);
        manager.setBindings({});
        EXPECT_TRUE(manager.bindings().empty());
        EXPECT_EQ(settings.stringValue(bindingsKey), "{}");
    }
    EXPECT_EQ(ShortcutManager(settings).bindings(), ShortcutManager::defaultBindings());
}

TEST_F(ShortcutStorageTest, UnreadableEntriesAreDroppedOneByOne)
{
    settings.setString(bindingsKey, R"({"stop":"{\"keyCode\":1,\"modifiers\":0}",)"
                                    R"("take":"{\"keyCode\":70000,\"modifiers\":0}",)"
                                    R"("notAnAction":"{\"keyCode\":2,\"modifiers\":0}",)"
                                    R"("clearCue":"garbage"})");
    const auto bindings = ShortcutManager::load(settings);
    EXPECT_EQ(bindings.size(), 2u);
    EXPECT_EQ(bindings.at("stop"), KeyCombo({1, 0}));
    EXPECT_EQ(bindings.at("notAnAction"), KeyCombo({2, 0})); // kept, never runs
}

TEST_F(ShortcutStorageTest, AStoredValueOfTheWrongShapeIsDroppedWhole)
{
    for (const char* stored : {R"({"stop":"{\"keyCode\":1,\"modifiers\":0}","take":5})", "[1,2]", "not json", "42"}) {
        settings.setString(bindingsKey, stored);
        EXPECT_TRUE(ShortcutManager::load(settings).empty()) << stored;
        EXPECT_EQ(ShortcutManager(settings).bindings(), ShortcutManager::defaultBindings()) << stored;
    }
}

TEST(ShortcutActionTest, RawValuesAndBlockLabels)
{
    ASSERT_EQ(shortcut_action::allCases().size(), 16);
    EXPECT_EQ(shortcut_action::fromRawValue("playBlock9"), ShortcutActionID::playBlock9);
    EXPECT_FALSE(shortcut_action::fromRawValue("playBlock10"));
    EXPECT_FALSE(shortcut_action::fromRawValue("PlayPause"));
    EXPECT_EQ(shortcut_action::label(ShortcutActionID::playBlock5), "Avvia blocco 5");
}

TEST(ShortcutActionTest, PerformReachesTheEngine)
{
    FakeEngine engine;
    ShortcutManager::perform(ShortcutActionID::take, engine);
    ShortcutManager::perform(ShortcutActionID::cueSelected, engine);
    ShortcutManager::perform(ShortcutActionID::clearCue, engine);
    ShortcutManager::perform(ShortcutActionID::toggleLayer2, engine);
    ShortcutManager::perform(ShortcutActionID::toggleLayer1, engine);
    EXPECT_EQ(engine.takes, 1);
    EXPECT_EQ(engine.cues, 1);
    EXPECT_EQ(engine.clears, 1);
    EXPECT_EQ(engine.layers, (std::vector<int>{1, 0}));

    // The fifth block with three blocks: nothing; with five: the fifth.
    ShortcutManager::perform(ShortcutActionID::playBlock5, engine);
    EXPECT_TRUE(engine.played.empty());
    engine.blocks = 5;
    ShortcutManager::perform(ShortcutActionID::playBlock5, engine);
    EXPECT_EQ(engine.played, std::vector<int>{4});
}

namespace {

// A main window with the kinds of control the monitor must tell apart, and
// a menu-style shortcut on the space bar that the monitor must pre-empt.
class ShortcutMonitorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        key_policy::declare(window, KeyPolicy::shortcuts);
        auto* central = new QWidget(&window);
        window.setCentralWidget(central);
        auto* layout = new QVBoxLayout(central);
        button = new QPushButton("Pulsante", central);
        edit = new QLineEdit(central);
        spin = new QSpinBox(central);
        spin->setRange(0, 1000);
        combo = new QComboBox(central);
        combo->setEditable(true);
        label = new QLabel("Etichetta", central);
        flat = new QPushButton("Senza fuoco", central);
        flat->setFocusPolicy(Qt::NoFocus);
        for (QWidget* w : std::initializer_list<QWidget*>{button, edit, spin, combo, label, flat})
            layout->addWidget(w);
        menuAction = new QAction(&window);
        menuAction->setShortcut(QKeySequence(Qt::Key_Space));
        window.addAction(menuAction);

        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        button->setFocus();

        auto bindings = ShortcutManager::defaultBindings();
        bindings["stop"] = KeyCombo{40, 0};       // K
        bindings["playBlock1"] = KeyCombo{23, 0}; // 5
        manager.setBindings(bindings);
        manager.setEngine(engine);
        manager.startMonitoring();
        test::drainMainQueue();
    }

    void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(window.windowHandle(), key, modifiers);
    }

    void type(const char* text)
    {
        for (const char* c = text; *c; ++c)
            QTest::keyClick(window.windowHandle(), *c);
    }

    QTemporaryDir dir;
    Settings settings{dir.filePath("settings.ini")};
    ShortcutManager manager{settings};
    std::shared_ptr<FakeEngine> engine = std::make_shared<FakeEngine>();
    QMainWindow window;
    QPushButton* button = nullptr;
    QLineEdit* edit = nullptr;
    QSpinBox* spin = nullptr;
    QComboBox* combo = nullptr;
    QLabel* label = nullptr;
    QPushButton* flat = nullptr;
    QAction* menuAction = nullptr;
};

} // namespace

TEST_F(ShortcutMonitorTest, BoundKeyRunsOnceBeforeWidgetsAndMenuShortcuts)
{
    QSignalSpy clicked(button, &QPushButton::clicked);
    QSignalSpy triggered(menuAction, &QAction::triggered);
    press(Qt::Key_Space);
    EXPECT_EQ(engine->toggles, 1);
    EXPECT_EQ(clicked.count(), 0);
    EXPECT_EQ(triggered.count(), 0);

    press(Qt::Key_K);
    EXPECT_EQ(engine->stops, 1);
    EXPECT_EQ(engine->total(), 2);

    // Sent straight to a widget, as QTest does for widgets.
    QTest::keyClick(button, Qt::Key_Space);
    EXPECT_EQ(engine->toggles, 2);
    EXPECT_EQ(clicked.count(), 0);
}

TEST_F(ShortcutMonitorTest, ModifiersMustMatchExactly)
{
    QSignalSpy triggered(menuAction, &QAction::triggered);
    press(Qt::Key_Space, Qt::ShiftModifier);
    press(Qt::Key_K, Qt::ControlModifier);
    EXPECT_EQ(engine->total(), 0);
    press(Qt::Key_Space, Qt::KeypadModifier); // flags outside the four do not count
    EXPECT_EQ(engine->toggles, 1);
}

TEST_F(ShortcutMonitorTest, UnboundKeysPassOn)
{
    QSignalSpy triggered(menuAction, &QAction::triggered);
    manager.setBindings({{"stop", KeyCombo{40, 0}}});
    press(Qt::Key_Space);
    EXPECT_EQ(engine->total(), 0);
    EXPECT_EQ(triggered.count(), 1); // the menu shortcut has it now
}

TEST_F(ShortcutMonitorTest, TypingGoesToTextFields)
{
    edit->setFocus();
    type("a 5k");
    EXPECT_EQ(edit->text(), "a 5k");

    spin->setFocus();
    spin->findChild<QLineEdit*>()->selectAll();
    press(Qt::Key_5);
    EXPECT_EQ(spin->text(), "5");

    combo->setFocus();
    combo->lineEdit()->clear();
    type("k k");
    EXPECT_EQ(combo->currentText(), "k k");

    EXPECT_EQ(engine->total(), 0);
}

TEST_F(ShortcutMonitorTest, ReturnEnterAndEscapeEndTheEditingAndNothingElse)
{
    QSignalSpy returned(edit, &QLineEdit::returnPressed);
    for (const auto& [key, modifiers] : {std::pair{Qt::Key_Return, Qt::NoModifier},
                                         std::pair{Qt::Key_Enter, Qt::KeypadModifier},
                                         std::pair{Qt::Key_Escape, Qt::NoModifier}}) {
        edit->setFocus();
        ASSERT_TRUE(edit->hasFocus());
        // QTest has no text for keypad Enter: the events are made by hand.
        const QString text = key == Qt::Key_Escape ? QString(QChar(0x1B)) : QString("\r");
        QTest::simulateEvent(window.windowHandle(), true, key, modifiers, text, false);
        QTest::simulateEvent(window.windowHandle(), false, key, modifiers, text, false);
        EXPECT_FALSE(edit->hasFocus()) << key;
    }
    EXPECT_EQ(returned.count(), 0);
    EXPECT_EQ(engine->total(), 0);
    // With the editing ended, the space bar drives the engine again.
    press(Qt::Key_Space);
    EXPECT_EQ(engine->toggles, 1);
}

TEST_F(ShortcutMonitorTest, ReturnAndEscapeInADialogFieldAreTheDialogsDefaultActionAndCancel)
{
    QDialog dialog(&window);
    auto* layout = new QVBoxLayout(&dialog);
    auto* time = new QLineEdit(&dialog);
    auto* cancel = new QPushButton("Annulla", &dialog);
    auto* save = new QPushButton("Salva", &dialog);
    save->setDefault(true);
    auto* note = new QLabel("Ora", &dialog);
    layout->addWidget(note);
    layout->addWidget(time);
    layout->addWidget(cancel);
    layout->addWidget(save);
    QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
    QString saved;
    QObject::connect(save, &QPushButton::clicked, &dialog, [&] {
        saved = time->text();
        dialog.accept();
    });
    QSignalSpy accepted(&dialog, &QDialog::accepted);
    QSignalSpy rejected(&dialog, &QDialog::rejected);
    auto open = [&] {
        dialog.show();
        dialog.activateWindow();
        ASSERT_TRUE(test::waitUntil([&] { return QApplication::activeWindow() == &dialog; }));
        time->setFocus();
        ASSERT_TRUE(time->hasFocus());
    };

    // Typed and confirmed at the first Return, space included, with the
    // field keeping the focus up to the save.
    open();
    time->clear();
    for (const char* c = "12 30"; *c; ++c)
        QTest::keyClick(dialog.windowHandle(), *c);
    QTest::keyClick(dialog.windowHandle(), Qt::Key_Return);
    EXPECT_EQ(accepted.count(), 1);
    EXPECT_EQ(saved, "12 30");
    EXPECT_FALSE(dialog.isVisible());

    // Keypad Enter too (QTest has no text for it: the events are made by hand).
    open();
    QTest::simulateEvent(dialog.windowHandle(), true, Qt::Key_Enter, Qt::KeypadModifier, "\r", false);
    QTest::simulateEvent(dialog.windowHandle(), false, Qt::Key_Enter, Qt::KeypadModifier, "\r", false);
    EXPECT_EQ(accepted.count(), 2);

    // The first Escape cancels.
    open();
    QTest::keyClick(dialog.windowHandle(), Qt::Key_Escape);
    EXPECT_EQ(rejected.count(), 1);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(engine->total(), 0);

    // A click on the dialog's label keeps the field's focus as well.
    open();
    QTest::mouseClick(note, Qt::LeftButton);
    EXPECT_TRUE(time->hasFocus());
    dialog.reject();

    // Back in the main window the rule of its own fields holds.
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    edit->setFocus();
    QTest::keyClick(window.windowHandle(), Qt::Key_Return);
    EXPECT_FALSE(edit->hasFocus());
    EXPECT_EQ(accepted.count(), 2);
}

TEST_F(ShortcutMonitorTest, TheSpaceBarPlaysWhateverButtonHasTheFocusAndReturnActivatesIt)
{
    QWidget* central = window.centralWidget();
    auto* playHere = new PillButton("Riproduci da qui", { Theme::accent(), true }, central);
    auto* interlaced = new SwitchButton("Interlacciato", central);
    central->layout()->addWidget(playHere);
    central->layout()->addWidget(interlaced);
    playHere->show();
    interlaced->show();
    QSignalSpy played(playHere, &QAbstractButton::clicked);

    // A click runs the button and leaves the space bar to play/pause.
    QTest::mouseClick(playHere, Qt::LeftButton);
    EXPECT_EQ(played.count(), 1);
    press(Qt::Key_Space);
    EXPECT_EQ(engine->toggles, 1);
    EXPECT_EQ(played.count(), 1);

    // Reached with Tab: Space is still play/pause, Return is the button's.
    combo->setFocus();
    QTest::keyClick(window.windowHandle(), Qt::Key_Tab);
    ASSERT_TRUE(playHere->hasFocus());
    press(Qt::Key_Space);
    EXPECT_EQ(engine->toggles, 2);
    EXPECT_EQ(played.count(), 1);
    QTest::keyClick(window.windowHandle(), Qt::Key_Return);
    EXPECT_TRUE(test::waitUntil([&] { return played.count() == 2; }));

    QTest::keyClick(window.windowHandle(), Qt::Key_Tab);
    ASSERT_TRUE(interlaced->hasFocus());
    press(Qt::Key_Space);
    EXPECT_FALSE(interlaced->isChecked());
    EXPECT_EQ(engine->toggles, 3);
    QTest::keyClick(window.windowHandle(), Qt::Key_Return);
    EXPECT_TRUE(test::waitUntil([&] { return interlaced->isChecked(); }));
    EXPECT_EQ(engine->total(), 3);
}

TEST_F(ShortcutMonitorTest, AFileDialogTakesATypedNameAtTheFirstReturn)
{
    QTemporaryDir folder;
    QFile file(folder.filePath("Serata.vellumcast"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    QFileDialog dialog(&window, "Apri show", folder.path());
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    QSignalSpy chosen(&dialog, &QFileDialog::fileSelected);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(test::waitUntil([&] { return QApplication::activeWindow() == &dialog; }));
    auto* name = dialog.findChild<QLineEdit*>("fileNameEdit");
    ASSERT_NE(name, nullptr);
    name->setFocus();
    name->setText("Serata.vellumcast");
    QTest::keyClick(dialog.windowHandle(), Qt::Key_Return);
    ASSERT_EQ(chosen.count(), 1);
    EXPECT_EQ(chosen[0][0].toString(), file.fileName());
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(ShortcutMonitorTest, InAPopoverTheKeysFollowTheRuleOfADialog)
{
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    auto* title = new QLineEdit(content);
    auto* fade = new SwitchButton("Dissolvenza", content);
    layout->addWidget(title);
    layout->addWidget(fade);
    Popover popover(content, &window);
    QSignalSpy closed(&popover, &Popover::closed);
    popover.showFor(button);
    ASSERT_TRUE(test::waitUntil([&] { return QApplication::activePopupWidget() == &popover; }));

    title->setFocus();
    QTest::keyClick(popover.windowHandle(), Qt::Key_A);
    QTest::keyClick(popover.windowHandle(), Qt::Key_Space);
    EXPECT_EQ(title->text(), "a ");
    QTest::keyClick(popover.windowHandle(), Qt::Key_Tab);
    ASSERT_TRUE(fade->hasFocus());
    QTest::keyClick(popover.windowHandle(), Qt::Key_Return);
    EXPECT_TRUE(test::waitUntil([&] { return fade->isChecked(); }));
    // A bound key that works no control still runs its action.
    QTest::keyClick(popover.windowHandle(), Qt::Key_K);
    EXPECT_EQ(engine->stops, 1);

    // Escape in its field closes it at the first press.
    title->setFocus();
    QTest::keyClick(popover.windowHandle(), Qt::Key_Escape);
    EXPECT_EQ(closed.count(), 1);
    EXPECT_EQ(engine->total(), 1);
}

TEST_F(ShortcutMonitorTest, SpaceWorksTheFocusedControlWhereControlsComeFirstAndPlaysInTheMainWindow)
{
    // Each kind of control in each kind of window, reached with Tab. The
    // space bar stays bound to play/pause throughout.
    using MakeControl = std::function<QAbstractButton*(QWidget*)>;
    const std::pair<const char*, MakeControl> controls[] = {
        { "check box", [](QWidget* parent) { return new QCheckBox("Casella", parent); } },
        { "radio button", [](QWidget* parent) { return new QRadioButton("Opzione", parent); } },
        { "switch", [](QWidget* parent) { return new SwitchButton("Interruttore", parent); } },
        { "segment",
          [](QWidget* parent) {
              auto* segments = new SegmentedControl(parent);
              segments->addSegment("Primo");
              segments->addSegment("Secondo");
              return segments->segment(1);
          } },
        { "button", [](QWidget* parent) { return new PillButton("Pulsante", { Theme::accent(), true }, parent); } },
    };
    enum class Kind { dialog, settings, popover, main };
    const std::pair<const char*, Kind> windows[] = {
        { "dialog", Kind::dialog }, { "settings window", Kind::settings },
        { "popover", Kind::popover }, { "main window", Kind::main } };

    for (const auto& [windowName, kind] : windows) {
        for (const auto& [controlName, make] : controls) {
            SCOPED_TRACE(std::string(windowName) + ", " + controlName);
            std::unique_ptr<QWidget> holder;
            QWidget* panel = nullptr;
            Popover* popover = nullptr;
            if (kind == Kind::main) {
                panel = new QWidget(window.centralWidget());
                window.centralWidget()->layout()->addWidget(panel);
                holder.reset(panel);
            } else if (kind == Kind::popover) {
                panel = new QWidget;
                holder = std::make_unique<Popover>(panel, &window);
                popover = static_cast<Popover*>(holder.get());
            } else {
                holder = kind == Kind::dialog ? std::make_unique<QDialog>(&window)
                                              : std::make_unique<QWidget>(nullptr, Qt::Window);
                if (kind == Kind::settings)
                    key_policy::declare(*holder, KeyPolicy::controlsFirst);
                panel = holder.get();
            }
            auto* layout = new QVBoxLayout(panel);
            auto* first = new QPushButton("Prima", panel);
            layout->addWidget(first);
            QAbstractButton* control = make(panel);
            layout->addWidget(control->parentWidget() == panel ? control : control->parentWidget());
            QSignalSpy clicked(control, &QAbstractButton::clicked);

            if (popover) {
                popover->showFor(button);
                ASSERT_TRUE(test::waitUntil([&] { return QApplication::activePopupWidget() == popover; }));
            } else if (kind != Kind::main) {
                holder->show();
                holder->activateWindow();
                ASSERT_TRUE(test::waitUntil([&] { return QApplication::activeWindow() == holder.get(); }));
            } else {
                panel->show();
            }
            control->setFocus(Qt::TabFocusReason);
            ASSERT_TRUE(control->hasFocus());
            const int toggles = engine->toggles;
            QTest::keyClick(control->window()->windowHandle(), Qt::Key_Space);
            if (kind == Kind::main) {
                EXPECT_EQ(engine->toggles, toggles + 1);
                EXPECT_EQ(clicked.count(), 0);
            } else {
                EXPECT_EQ(engine->toggles, toggles);
                EXPECT_EQ(clicked.count(), 1);
                if (control->isCheckable())
                    EXPECT_TRUE(control->isChecked());
            }
            holder.reset();
            if (kind != Kind::main) {
                window.activateWindow();
                ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
            }
        }
    }
    EXPECT_EQ(engine->total(), 5);
}

TEST_F(ShortcutMonitorTest, AClickOutsideTheFieldEndsTheEditing)
{
    edit->setFocus();
    QTest::mouseClick(edit, Qt::LeftButton);
    EXPECT_TRUE(edit->hasFocus());
    QTest::mouseClick(label, Qt::LeftButton);
    EXPECT_FALSE(edit->hasFocus());

    spin->setFocus();
    QTest::mouseClick(spin, Qt::LeftButton);
    QTest::mouseClick(spin->findChild<QLineEdit*>(), Qt::LeftButton);
    EXPECT_TRUE(spin->hasFocus());
    QSignalSpy clicked(flat, &QPushButton::clicked);
    QTest::mouseClick(flat, Qt::LeftButton);
    EXPECT_FALSE(spin->hasFocus());
    EXPECT_EQ(clicked.count(), 1); // the click itself still arrives

    edit->setFocus();
    QTest::mouseClick(label, Qt::RightButton);
    EXPECT_TRUE(edit->hasFocus());
}

TEST_F(ShortcutMonitorTest, StartingClearsAFocusedFieldOnce)
{
    manager.stopMonitoring();
    edit->setFocus();
    manager.startMonitoring();
    manager.startMonitoring();
    test::drainMainQueue();
    EXPECT_FALSE(edit->hasFocus());
    press(Qt::Key_Space);
    EXPECT_EQ(engine->toggles, 1); // one filter, not two
}

TEST_F(ShortcutMonitorTest, StoppedMonitorOrVanishedEngineLetsKeysThrough)
{
    QSignalSpy triggered(menuAction, &QAction::triggered);
    manager.stopMonitoring();
    manager.stopMonitoring();
    press(Qt::Key_Space);
    EXPECT_EQ(triggered.count(), 1);

    manager.startMonitoring();
    engine->available = false;
    press(Qt::Key_Space);
    EXPECT_EQ(triggered.count(), 2);

    engine->available = true;
    std::weak_ptr<FakeEngine> gone = engine;
    engine.reset();
    ASSERT_TRUE(gone.expired());
    press(Qt::Key_Space);
    EXPECT_EQ(triggered.count(), 3);
}

TEST_F(ShortcutMonitorTest, SharedComboRunsExactlyOneAction)
{
    auto bindings = manager.bindings();
    bindings["stop"] = KeyCombo{49, 0};
    manager.setBindings(bindings);
    press(Qt::Key_Space);
    EXPECT_EQ(engine->total(), 1);
}

TEST_F(ShortcutMonitorTest, HeldKeyRepeatsItsAction)
{
    QTest::keyPress(window.windowHandle(), Qt::Key_K);
    QTest::simulateEvent(window.windowHandle(), true, Qt::Key_K, Qt::NoModifier, "k", true);
    QTest::keyRelease(window.windowHandle(), Qt::Key_K);
    EXPECT_EQ(engine->stops, 2);
}

TEST_F(ShortcutMonitorTest, OtherWindowsOfTheApplicationAreWatchedToo)
{
    QWidget other;
    auto* otherEdit = new QLineEdit(&other);
    auto* otherButton = new QPushButton("Altro", &other);
    auto* layout = new QVBoxLayout(&other);
    layout->addWidget(otherEdit);
    layout->addWidget(otherButton);
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));

    otherButton->setFocus();
    QTest::keyClick(other.windowHandle(), Qt::Key_5);
    EXPECT_EQ(engine->played, std::vector<int>{0});

    otherEdit->setFocus();
    QTest::keyClick(other.windowHandle(), Qt::Key_5);
    EXPECT_EQ(otherEdit->text(), "5");
    EXPECT_EQ(engine->played, std::vector<int>{0});
}

TEST_F(ShortcutMonitorTest, ManagerGoneLeavesNoFilterBehind)
{
    QSignalSpy triggered(menuAction, &QAction::triggered);
    {
        ShortcutManager second(settings);
        second.setEngine(engine);
        second.startMonitoring();
    }
    manager.stopMonitoring();
    press(Qt::Key_Space);
    EXPECT_EQ(engine->total(), 0);
    EXPECT_EQ(triggered.count(), 1);
}

TEST_F(ShortcutMonitorTest, AnOpenMenuKeepsItsKeys)
{
    QMenu menu;
    QAction* item = menu.addAction("Voce");
    menu.setActiveAction(item);
    QSignalSpy chosen(item, &QAction::triggered);
    menu.popup(window.mapToGlobal(QPoint(10, 10)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&menu));
    QTest::keyClick(&menu, Qt::Key_Space);
    press(Qt::Key_Space);
    EXPECT_EQ(engine->total(), 0);
    QTest::keyClick(&menu, Qt::Key_Return);
    EXPECT_EQ(chosen.count(), 1);
    EXPECT_FALSE(menu.isVisible());
    press(Qt::Key_Space);
    EXPECT_EQ(engine->toggles, 1);
}
