#include "app/AppMenus.h"

#include "app/AboutDialog.h"
#include "show/ShowController.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

namespace tessarin {

AppNotifications& AppNotifications::shared()
{
    static AppNotifications notifications;
    return notifications;
}

ShowCommands addShowCommands(QMenu& menu, ShowController& show)
{
    ShowCommands commands;
    commands.newShow = menu.addAction(AppMenus::tr("&Nuovo show"), &show, &ShowController::newShow);
    commands.openShow = menu.addAction(AppMenus::tr("&Apri show…"), &show, &ShowController::open);
    menu.addSeparator();
    commands.save = menu.addAction(AppMenus::tr("&Salva"), &show, &ShowController::save);
    commands.saveAs = menu.addAction(AppMenus::tr("Salva &con nome…"), &show, [&show] { show.saveAs(); });
    return commands;
}

AppMenus::AppMenus(QMainWindow& window, ShowController& show)
    : QObject(&window)
{
    QMenuBar* bar = window.menuBar();
    QMenu* file = bar->addMenu(tr("&File"));
    const ShowCommands commands = addShowCommands(*file, show);
    newShow_ = commands.newShow;
    newShow_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    openShow_ = commands.openShow;
    openShow_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    save_ = commands.save;
    save_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    saveAs_ = commands.saveAs;
    saveAs_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    file->addSeparator();
    quit_ = file->addAction(tr("&Esci"), &window, &QWidget::close);
    quit_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    QMenu* edit = bar->addMenu(tr("&Modifica"));
    settings_ = edit->addAction(tr("&Impostazioni…"), &AppNotifications::shared(), &AppNotifications::postOpenSettings);
    settings_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));

    QMenu* help = bar->addMenu(tr("&Aiuto"));
    about_ = help->addAction(tr("&Informazioni su Tessarin"), &window, [&window] { AboutDialog::present(&window); });

    // The commands answer their keys in every window of the application
    // (the settings window in front included); a modal dialog still keeps
    // them out.
    for (QAction* action : {newShow_, openShow_, save_, saveAs_, quit_, settings_})
        action->setShortcutContext(Qt::ApplicationShortcut);

    // Ctrl+W closes secondary windows only (the settings window, dialogs):
    // the main window carries the show on air, and one key held a little
    // long after closing the settings must not take it off. It closes by
    // Ctrl+Q, the menu and the title bar, through its quit rule.

    // F10 opens the menu bar at its first menu.
    auto* openBar = new QAction(&window);
    openBar->setShortcut(QKeySequence(Qt::Key_F10));
    window.addAction(openBar);
    connect(openBar, &QAction::triggered, bar, [bar, file] { bar->setActiveAction(file->menuAction()); });
}

} // namespace tessarin
