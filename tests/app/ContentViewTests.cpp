// The main window driven through its menus, its close button, keys and the
// ATEM hook, and followed as the show changes underneath it.
#include "ShellFixture.h"

#include "app/AppLook.h"
#include "app/AppMenus.h"
#include "app/CloseRequests.h"
#include "app/SidePanelView.h"
#include "app/TopBarView.h"
#include "automation/AtemTallyMonitor.h"
#include "automation/ShortcutManager.h"
#include "engine/PlaylistEngine.h"
#include "media/MediaBlock.h"
#include "media/MediaFile.h"
#include "ui/kit/TextFieldDrops.h"
#include "ui/playlist/PlaylistView.h"

#include <QAction>
#include <QDialog>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>

#include <thread>

#include <xcb/xproto.h>

using namespace tessarin;
using Answer = ShowDialogs::SaveAnswer;

namespace {

class ContentViewTest : public test::ShellFixture {
protected:
    // An edit the change watcher has seen.
    void edit()
    {
        show->engine().addBlock();
        clock.advance(1.6);
        ASSERT_TRUE(show->isDirty());
    }

    std::shared_ptr<MediaFile> addClip(const std::shared_ptr<MediaBlock>& block, const QString& name)
    {
        auto item = MediaFile::create(QUrl::fromLocalFile(test::mediaPath(name)));
        block->appendItems({item});
        return item;
    }
};

} // namespace

TEST_F(ContentViewTest, OpensDarkAtItsDefaultSizeAndKeepsItsMinimum)
{
    ContentView& w = make();
    w.show();
    EXPECT_EQ(w.size(), QSize(1440, 860));
    // 1120 x 700 the whole window, menu bar included: with a title bar it
    // fits a screen of 720 logical pixels.
    w.resize(300, 300);
    EXPECT_EQ(w.size(), QSize(1120, 700));
    EXPECT_EQ(w.centralWidget()->height(), 700 - w.menuBar()->height());
    EXPECT_GE(w.playlistView()->centreColumn()->width(), PlaylistView::kCentreMinimumWidth);
    const int side = w.playlistView()->sidePanel()->width();
    EXPECT_GE(side, SidePanelView::kMinimumWidth);
    EXPECT_LE(side, SidePanelView::kMaximumWidth);
}

TEST_F(ContentViewTest, MenuCommandsRunTheShowCommandsAndTheTitleFollows)
{
    ContentView& w = make();
    w.show();
    EXPECT_EQ(w.windowTitle(), "Show senza titolo");
    AppMenus& menus = *w.menus();
    EXPECT_EQ(menus.newShow()->shortcut(), QKeySequence("Ctrl+N"));
    EXPECT_EQ(menus.openShow()->shortcut(), QKeySequence("Ctrl+O"));
    EXPECT_EQ(menus.save()->shortcut(), QKeySequence("Ctrl+S"));
    EXPECT_EQ(menus.saveAs()->shortcut(), QKeySequence("Ctrl+Shift+S"));
    EXPECT_EQ(menus.settings()->shortcut(), QKeySequence("Ctrl+,"));
    EXPECT_EQ(menus.quit()->shortcut(), QKeySequence("Ctrl+Q"));

    edit();
    EXPECT_EQ(w.windowTitle(), QString::fromUtf8("Show senza titolo — modificato"));

    // "Salva" without a file asks where, like "Salva con nome…".
    const QString path = dir.filePath(QStringLiteral("Serata.vellumcast"));
    dialogs.saveAnswers.push_back(path);
    menus.save()->trigger();
    EXPECT_TRUE(QFileInfo::exists(path));
    EXPECT_EQ(dialogs.savePanels.size(), 1u);
    EXPECT_EQ(w.windowTitle(), "Serata");

    // "Nuovo show" answered with "Annulla" keeps everything.
    edit();
    dialogs.questionAnswers.push_back(Answer::cancel);
    menus.newShow()->trigger();
    EXPECT_EQ(show->engine().blocks().size(), 2u);
    EXPECT_TRUE(settings.contains(QStringLiteral("Vellumcast.lastShowPath")));
    // "Non salvare": an empty show without a file, and no last show.
    dialogs.questionAnswers.push_back(Answer::dontSave);
    menus.newShow()->trigger();
    EXPECT_TRUE(show->engine().blocks().empty());
    EXPECT_EQ(w.windowTitle(), "Show senza titolo");
    EXPECT_FALSE(settings.contains(QStringLiteral("Vellumcast.lastShowPath")));

    // "Apri show…" shows the open panel.
    menus.openShow()->trigger();
    EXPECT_EQ(dialogs.openPanels, 1);
    EXPECT_EQ(dialogs.openMessage, "Apri uno show di Tessarin");
}

TEST_F(ContentViewTest, ClosingTheWindowIsAQuitRequestThatAsksAboutUnsavedChanges)
{
    ContentView& w = make();
    w.show();
    // Nothing unsaved: it closes without a question.
    EXPECT_TRUE(w.close());
    EXPECT_TRUE(dialogs.questions.empty());
    w.show();

    edit();
    dialogs.questionAnswers.push_back(Answer::cancel);
    EXPECT_FALSE(w.close());
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(show->isDirty());

    // "Salva" on a show without a file: cancelling the panel cancels the quit.
    dialogs.questionAnswers.push_back(Answer::save);
    w.menus()->quit()->trigger();
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(dialogs.savePanels.size(), 1u);

    // "Non salvare" quits without writing.
    dialogs.questionAnswers.push_back(Answer::dontSave);
    EXPECT_TRUE(w.close());
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(dialogs.questions.size(), 3u);
    EXPECT_FALSE(show->fileURL().has_value());
}

TEST_F(ContentViewTest, BoundKeysActOnTheEngineOnlyWhileTheWindowIsShown)
{
    ContentView& w = make();
    auto block = show->engine().addBlock();
    addClip(block, QStringLiteral("clip_5s.mov"));
    ASSERT_TRUE(test::waitUntil([&] { return block->items().front()->duration() > 0; }));
    EXPECT_FALSE(w.shortcuts().isMonitoring());
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    EXPECT_TRUE(w.shortcuts().isMonitoring());
    QTest::keyClick(&w, Qt::Key_Space);
    EXPECT_TRUE(show->engine().isPlaying());

    w.hide();
    EXPECT_FALSE(w.shortcuts().isMonitoring());
    QTest::keyClick(&w, Qt::Key_Space);
    EXPECT_TRUE(show->engine().isPlaying());
}

// Every stop Tab reaches in the main window shows that it has the focus:
// the pixels around it change as the focus arrives.
TEST_F(ContentViewTest, EveryTabStopShowsItsFocus)
{
    applyDarkLook(*qApp);
    ContentView& w = make();
    auto block = show->engine().addBlock();
    addClip(block, QStringLiteral("clip_5s.mov"));
    addClip(block, QStringLiteral("tone_half.wav"));
    ASSERT_TRUE(test::waitUntil([&] { return block->items().front()->duration() > 0; }));
    // With a cue and the fade's length showing, their controls are stops too.
    show->engine().setTransitionStyle(TransitionStyle::fade);
    show->engine().cue(block->items().back(), block);
    w.show();
    w.activateWindow();
    ASSERT_TRUE(test::waitUntil([&] { return QApplication::activeWindow() == &w; }));

    std::vector<QWidget*> seen;
    QStringList unmarked;
    for (int i = 0; i < 300; ++i) {
        const QImage before = w.grab().toImage();
        QTest::keyClick(w.windowHandle(), Qt::Key_Tab);
        QWidget* focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        if (std::find(seen.begin(), seen.end(), focus) != seen.end())
            break; // round the whole window
        seen.push_back(focus);
        const QRect area = QRect(focus->mapTo(&w, QPoint()), focus->size()).adjusted(-3, -3, 3, 3) & w.rect();
        const QImage after = w.grab().toImage();
        if (before.copy(area) == after.copy(area))
            unmarked << QStringLiteral("%1 “%2”").arg(focus->metaObject()->className(), focus->accessibleName());
    }
    EXPECT_GT(seen.size(), 20u);
    EXPECT_TRUE(unmarked.isEmpty()) << unmarked.size() << " of " << seen.size() << " stops show no focus: "
                                    << unmarked.join(", ").toStdString();
}

TEST_F(ContentViewTest, AtemLinkConnectsOnShowTakesOnTheMainThreadAndDisconnectsOnHide)
{
    {
        AtemTallyMonitor stored(settings);
        stored.setHost(QStringLiteral("10.0.0.9"));
        stored.setEnabled(true);
    }
    ContentView& w = make();
    EXPECT_FALSE(w.atem().statusMessage().has_value());
    w.show();
    EXPECT_TRUE(w.atem().statusMessage().has_value());

    auto block = show->engine().addBlock();
    auto first = addClip(block, QStringLiteral("clip_5s.mov"));
    auto second = addClip(block, QStringLiteral("tone_half.wav"));
    show->engine().cue(second, block);
    ASSERT_TRUE(show->engine().cuedItem());
    // The mixer calls from its own thread; the take lands on the main thread.
    std::thread mixer([&w] { w.atem().onProgramCut(); });
    mixer.join();
    EXPECT_FALSE(show->engine().currentItemID().has_value());
    ASSERT_TRUE(test::waitUntil([&] { return show->engine().currentItemID() == second->id(); }));

    w.hide();
    EXPECT_FALSE(w.atem().isConnected());
    EXPECT_FALSE(w.atem().statusMessage().has_value());
}

TEST_F(ContentViewTest, TheAtemTakeDoesNothingOnceTheShowControllerIsGone)
{
    ContentView& w = make();
    w.show();
    auto cut = w.atem().onProgramCut;
    window.reset();
    show.reset();
    cut();
    test::drainMainQueue();
    SUCCEED();
}

TEST_F(ContentViewTest, EverySettingsRequestReachesTheOneSettingsWindow)
{
    ContentView& w = make();
    w.show();
    emit w.topBar()->settingsRequested();
    QWidget* first = SettingsWindowController::shared().window();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->isVisible());
    w.menus()->settings()->trigger();
    emit w.topBar()->settingsRequested();
    EXPECT_EQ(SettingsWindowController::shared().window(), first);
    // Closing the main window takes the settings window with it.
    EXPECT_TRUE(w.close());
    EXPECT_EQ(SettingsWindowController::shared().window(), nullptr);
}

TEST_F(ContentViewTest, KeysOpenTheMenusAndReachTheCommandsAndCloseTheSettingsWindow)
{
    ContentView& w = make();
    w.show();
    w.activateWindow();
    ASSERT_TRUE(test::waitUntil([&] { return QApplication::activeWindow() == &w; }));

    // Alt+F and F10 open the File menu; each menu has its mnemonic.
    const QList<QAction*> menus = w.menuBar()->actions();
    ASSERT_EQ(menus.size(), 3);
    EXPECT_EQ(menus[0]->text(), "&File");
    EXPECT_EQ(menus[1]->text(), "&Modifica");
    EXPECT_EQ(menus[2]->text(), "&Aiuto");
    QMenu* file = menus[0]->menu();
    for (const auto& [key, modifiers] : { std::pair { Qt::Key_F, Qt::AltModifier }, std::pair { Qt::Key_F10, Qt::NoModifier } }) {
        QTest::keyClick(w.windowHandle(), key, modifiers);
        EXPECT_TRUE(test::waitUntil([&] { return file->isVisible(); })) << key;
        file->close();
        ASSERT_TRUE(test::waitUntil([&] { return !file->isVisible() && QApplication::activeWindow() == &w; }));
    }

    // The settings window in front: the show commands answer their keys,
    // and Escape and Ctrl+W close it.
    auto openSettings = [&]() -> QWidget* {
        emit w.topBar()->settingsRequested();
        QWidget* settingsWindow = SettingsWindowController::shared().window();
        if (!settingsWindow || !test::waitUntil([&] { return QApplication::activeWindow() == settingsWindow; }))
            return nullptr;
        return settingsWindow;
    };
    QWidget* settingsWindow = openSettings();
    ASSERT_NE(settingsWindow, nullptr);
    QTest::keyClick(settingsWindow->windowHandle(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(dialogs.openPanels, 1);
    QTest::keyClick(settingsWindow->windowHandle(), Qt::Key_Escape);
    EXPECT_FALSE(settingsWindow->isVisible());

    settingsWindow = openSettings();
    ASSERT_NE(settingsWindow, nullptr);
    QTest::keyClick(settingsWindow->windowHandle(), Qt::Key_W, Qt::ControlModifier);
    EXPECT_FALSE(settingsWindow->isVisible());
    EXPECT_TRUE(w.isVisible());

    settingsWindow = openSettings();
    ASSERT_NE(settingsWindow, nullptr);
    QTest::keyClick(settingsWindow->windowHandle(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(w.isVisible()) << "Ctrl+Q quits from the settings window too";

    // Ctrl+W closes secondary windows only: after the settings window went
    // with it, a second Ctrl+W (a key held a little long) leaves the main
    // window, which carries the show, as it is, with no question either.
    edit();
    w.show();
    settingsWindow = openSettings();
    ASSERT_NE(settingsWindow, nullptr);
    const std::size_t asked = dialogs.questions.size();
    QTest::keyClick(settingsWindow->windowHandle(), Qt::Key_W, Qt::ControlModifier);
    EXPECT_FALSE(settingsWindow->isVisible());
    w.activateWindow();
    ASSERT_TRUE(test::waitUntil([&] { return QApplication::activeWindow() == &w; }));
    QTest::keyClick(w.windowHandle(), Qt::Key_W, Qt::ControlModifier);
    QTest::keyClick(w.windowHandle(), Qt::Key_W, Qt::ControlModifier);
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(dialogs.questions.size(), asked);
    // Ctrl+Q is the main window's quit request, with its question.
    dialogs.questionAnswers.push_back(Answer::cancel);
    QTest::keyClick(w.windowHandle(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(dialogs.questions.size(), asked + 1);
    EXPECT_TRUE(w.isVisible());
    dialogs.questionAnswers.push_back(Answer::dontSave);
    QTest::keyClick(w.windowHandle(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(w.isVisible());
}

TEST_F(ContentViewTest, WithoutAMainWindowTheSettingsNotificationOpensNothing)
{
    AppNotifications::shared().postOpenSettings();
    EXPECT_EQ(SettingsWindowController::shared().window(), nullptr);
}

// Whatever field a window shows (a block's name, the address fields of the
// settings), none is a drop target: a drop over it goes to the view behind.
TEST_F(ContentViewTest, NoTextFieldOfTheWindowsTakesDrops)
{
    ContentView& w = make();
    show->engine().addBlock();
    w.show();
    emit w.topBar()->settingsRequested();
    test::drainMainQueue();
    int fields = 0;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (!window->isVisible())
            continue;
        for (QWidget* widget : window->findChildren<QWidget*>()) {
            if (!widget->isVisible() || !isTextField(*widget))
                continue;
            ++fields;
            EXPECT_FALSE(widget->acceptDrops()) << widget->metaObject()->className() << " "
                                                << widget->accessibleName().toStdString();
        }
    }
    EXPECT_GE(fields, 3) << "the block's name and the two stream addresses at least";
}

TEST_F(ContentViewTest, TheWindowSystemsCloseRequestReachesTheCloseRuleUnlessAModalWindowIsShown)
{
    ContentView& w = make();
    w.show();
    constexpr std::uint32_t protocols = 301;
    constexpr std::uint32_t deleteWindow = 302;
    CloseRequests requests(w, protocols, deleteWindow);
    auto request = [&](std::uint32_t window, std::uint32_t type, std::uint32_t what) {
        xcb_client_message_event_t event {};
        event.response_type = XCB_CLIENT_MESSAGE | 0x80; // sent by another client
        event.format = 32;
        event.window = window;
        event.type = type;
        event.data.data32[0] = what;
        return requests.nativeEventFilter("xcb_generic_event_t", &event, nullptr);
    };
    const auto id = static_cast<std::uint32_t>(w.windowHandle()->winId());
    QSignalSpy confirmed(&w, &ContentView::quitConfirmed);

    // Another window's request, another protocol: left to Qt.
    EXPECT_FALSE(request(id + 1, protocols, deleteWindow));
    EXPECT_FALSE(request(id, protocols, deleteWindow + 1));

    // A modal window on screen keeps the request from the window it blocks.
    QDialog modal(&w);
    modal.setWindowModality(Qt::WindowModal);
    modal.show();
    EXPECT_FALSE(request(id, protocols, deleteWindow));
    test::drainMainQueue();
    EXPECT_TRUE(w.isVisible());
    modal.hide();

    // Otherwise the window's own close rule answers it: unsaved changes are
    // asked about, and an accepted close ends the program.
    edit();
    dialogs.questionAnswers.push_back(Answer::cancel);
    EXPECT_TRUE(request(id, protocols, deleteWindow));
    ASSERT_TRUE(test::waitUntil([&] { return dialogs.questions.size() == 1; }));
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(confirmed.count(), 0);
    dialogs.questionAnswers.push_back(Answer::dontSave);
    EXPECT_TRUE(request(id, protocols, deleteWindow));
    ASSERT_TRUE(test::waitUntil([&] { return !w.isVisible(); }));
    EXPECT_EQ(confirmed.count(), 1);
}
