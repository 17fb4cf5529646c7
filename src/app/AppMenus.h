#pragma once
// The menu bar of the main window: the show commands with their key
// combinations and "Esci" first, then the settings, then About, each menu
// with its mnemonic (Alt+F) and F10 opening the bar; and the
// application-wide "open settings" notification that the settings command
// posts and the main window answers. Main thread.
#include <QObject>

class QAction;
class QMainWindow;
class QMenu;

namespace tessarin {

class ShowController;

class AppNotifications : public QObject {
    Q_OBJECT
public:
    static AppNotifications& shared();
    // Posts the open-settings notification; whoever listens opens the window.
    void postOpenSettings() { emit openSettings(); }

signals:
    void openSettings();
};

// The show's commands (new, open, then save and save as after a separator),
// with their mnemonics, added to a menu: the menu bar's File menu and the top
// bar's show menu both carry them.
struct ShowCommands {
    QAction* newShow;
    QAction* openShow;
    QAction* save;
    QAction* saveAs;
};
ShowCommands addShowCommands(QMenu& menu, ShowController& show);

class AppMenus : public QObject {
    Q_OBJECT
public:
    // Fills window's menu bar. "Esci" closes the window, which is the quit
    // request; About opens the About window.
    AppMenus(QMainWindow& window, ShowController& show);

    QAction* newShow() const { return newShow_; }
    QAction* openShow() const { return openShow_; }
    QAction* save() const { return save_; }
    QAction* saveAs() const { return saveAs_; }
    QAction* quit() const { return quit_; }
    QAction* settings() const { return settings_; }
    QAction* about() const { return about_; }

private:
    QAction* newShow_;
    QAction* openShow_;
    QAction* save_;
    QAction* saveAs_;
    QAction* quit_;
    QAction* settings_;
    QAction* about_;
};

} // namespace tessarin
