#include "ui/settings/SettingsWindowController.h"

#include "automation/ShortcutManager.h"
#include "platform/KeyPolicy.h"
#include "platform/Settings.h"
#include "ui/kit/SecondaryWindow.h"
#include "ui/kit/Theme.h"
#include "ui/settings/SettingsView.h"

#include <QAction>
#include <QEvent>
#include <QKeyEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

namespace tessarin {

SettingsWindowController& SettingsWindowController::shared()
{
    static SettingsWindowController controller;
    return controller;
}

SettingsWindowController::SettingsWindowController() = default;
SettingsWindowController::~SettingsWindowController() = default;

void SettingsWindowController::setSettings(Settings* settings) { settings_ = settings; }

Settings& SettingsWindowController::settings()
{
    if (settings_)
        return *settings_;
    if (!ownSettings_)
        ownSettings_ = std::make_unique<Settings>();
    return *ownSettings_;
}

SettingsView* SettingsWindowController::view() const
{
    return window_ ? window_->findChild<SettingsView*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

void SettingsWindowController::show(const SettingsContext& context, std::optional<SettingsSection> section)
{
    if (section)
        settings().setString(QString::fromLatin1(SettingsView::kSectionKey), settings_section::rawValue(*section));
    if (window_ && window_->isVisible() && context_ && &context_->engine == &context.engine) {
        window_->raise();
        window_->activateWindow();
        return;
    }
    context_.reset();
    context_.emplace(context);

    const bool created = !window_;
    if (created) {
        window_ = new QWidget(nullptr, Qt::Window);
        key_policy::declare(*window_, KeyPolicy::controlsFirst);
        auto* layout = new QVBoxLayout(window_);
        layout->setContentsMargins(0, 0, 0, 0);
        window_->installEventFilter(this);
        // Ctrl+W closes it, as Escape does (see eventFilter).
        secondary_window::closeWithCtrlW(*window_);
        QPalette p = window_->palette();
        p.setColor(QPalette::Window, Theme::background());
        p.setColor(QPalette::Highlight, Theme::accent());
        window_->setPalette(p);
    }
    if (SettingsView* old = view()) {
        old->hide();
        delete old;
    }
    window_->layout()->addWidget(new SettingsView(*context_, settings(), window_));
    window_->setWindowTitle(tr("Impostazioni"));
    window_->setMinimumSize(kMinimumWidth, kMinimumHeight);
    window_->resize(kWidth, kHeight);
    if (created) {
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect frame(QPoint(0, 0), window_->size());
            frame.moveCenter(screen->availableGeometry().center());
            window_->move(frame.topLeft());
        }
    }
    window_->show();
    window_->raise();
    window_->activateWindow();
}

bool SettingsWindowController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == window_ && event->type() == QEvent::Close && context_)
        context_->shortcuts.startMonitoring();
    // An Escape that no control of the window took (a field, a list, a key
    // being recorded) closes the window.
    if (watched == window_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
            window_->close();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void SettingsWindowController::close()
{
    if (window_) {
        window_->hide();
        delete window_.data();
    }
    context_.reset();
}

} // namespace tessarin
