#pragma once
// Owns the one settings window of the process: made by the first show(),
// hidden (not destroyed) when the operator closes it, brought to the front
// when asked again for the same engine, and filled afresh otherwise. The
// section a show() names is stored first, so an open window switches to it.
// Escape and Ctrl+W close it.
// Closing the window switches the shortcut monitor on again (the shortcuts
// page switches it off while shown). Main thread.
#include "ui/settings/SettingsContext.h"
#include "ui/settings/SettingsSection.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>

namespace tessarin {

class Settings;
class SettingsView;

class SettingsWindowController : public QObject {
    Q_OBJECT
public:
    static constexpr int kWidth = 780;
    static constexpr int kHeight = 600;
    static constexpr int kMinimumWidth = 700;
    static constexpr int kMinimumHeight = 480;

    static SettingsWindowController& shared();
    SettingsWindowController();
    ~SettingsWindowController() override;

    // The store of the selected section; the user's own settings when none
    // is set. Must outlive the window.
    void setSettings(Settings* settings);

    // Shows the settings window on section, or on the section shown last.
    void show(const SettingsContext& context, std::optional<SettingsSection> section = std::nullopt);
    QWidget* window() const { return window_; }
    SettingsView* view() const;
    // Closes and forgets the window (the application quits, or a test ends).
    void close();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Settings& settings();

    QPointer<QWidget> window_;
    std::optional<SettingsContext> context_;
    Settings* settings_ = nullptr;
    std::unique_ptr<Settings> ownSettings_;
};

} // namespace tessarin
