#pragma once
// The full-screen program output on a chosen display: a borderless window
// that covers the screen, stays above other windows, takes no input and
// shows the program view. Optionally the display is first switched to a
// chosen video mode; the mode it had is restored when the output stops and
// when the application quits. The window goes on its chosen display only:
// when that display goes away the output stops, before the platform would
// move the window onto another screen (the operator's own), and the reason
// is kept for the views and sent out once (interrupted()); nothing starts
// again by itself when the display comes back. Main thread only.
#include "engine/DisplayManager.h"
#include "platform/Clock.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

namespace tessarin {

class PlaylistEngine;

class OutputWindowController : public QObject {
    Q_OBJECT
public:
    // Makes the window's content (the program view) each time the window
    // opens; the window owns what it returns.
    using ContentFactory = std::function<QWidget*()>;
    // Time a display is given to settle in a new mode before the window opens.
    static constexpr double kModeSettleSeconds = 0.6;

    OutputWindowController(DisplayManager& displays, Clock& clock, ContentFactory content,
                           QObject* parent = nullptr);
    // Closes the window and restores a switched mode.
    ~OutputWindowController() override;

    // Closes any output first (restoring its mode), then opens the window on
    // display: at once without a mode; with one, after switching to it and
    // waiting kModeSettleSeconds. Only the latest present opens a window,
    // and none opens after a stop(); none opens when the display is no
    // longer there (the output stops with its reason).
    void present(const OutputDisplay& display, const std::optional<DisplayVideoMode>& mode);
    // The same, showing the engine's program (the output content view) in
    // the window; the window shows nothing once the engine is gone.
    void present(const OutputDisplay& display, const std::optional<DisplayVideoMode>& mode, PlaylistEngine& engine);
    // Closes the window and switches a switched display back. Safe at any time.
    void stop();
    // The application is quitting: stop(), so the display keeps no mode of ours.
    void applicationWillTerminate() { stop(); }

    // The operator's window (the main window). When the screen it is on goes
    // away the platform moves it to the primary screen: if that is the
    // output's display the output stops, so it never covers the operator's
    // controls. The operator may still choose its display for the output.
    void setOperatorWindow(QWidget* window) { operatorWindow_ = window; }

    // The displays the output can go to, as the settings pages list them.
    DisplayManager& displayManager() const { return displays_; }

    bool isActive() const { return isActive_; }
    std::optional<QString> activeDisplayName() const { return activeDisplayName_; }
    std::optional<QString> activeModeLabel() const { return activeModeLabel_; }
    // Why the last output ended by itself (its display went away), in the
    // interface language; cleared by the next present().
    std::optional<QString> interruption() const { return interruption_; }
    // The open window, or nullptr.
    QWidget* window() const { return window_.get(); }

signals:
    // Each published value announces every assignment, then changed().
    void isActiveChanged();
    void activeDisplayNameChanged();
    void activeModeLabelChanged();
    void changed();
    // The output ended by itself, with the reason interruption() keeps.
    void interrupted(const QString& reason);

private:
    // A screen went away: the output stops when its display is no longer
    // listed, or when the operator's window is about to be moved onto it.
    // Runs while the platform's list no longer holds the screen (the
    // primary screen already the new one) and before the platform moves
    // the screen's windows to the primary screen.
    void followDisplays(QScreen* removed);
    // The display with this id as listed now, or nothing.
    std::optional<OutputDisplay> listed(quint32 displayId) const;
    void interrupt(const QString& reason);
    void show(const OutputDisplay& display, const std::optional<DisplayVideoMode>& mode);
    void closeAndRestore();
    void setIsActive(bool value);
    void setActiveDisplayName(std::optional<QString> value);
    void setActiveModeLabel(std::optional<QString> value);

    DisplayManager& displays_;
    Clock& clock_;
    ContentFactory content_;
    std::unique_ptr<QWidget> window_;
    QPointer<QWidget> operatorWindow_;
    // The show step waiting for a switched display; dropping it cancels it.
    std::unique_ptr<Timer> pendingShow_;
    std::optional<quint32> displayID_;
    // The display being switched or shown on.
    std::optional<OutputDisplay> display_;
    std::optional<DisplayVideoMode> originalMode_;
    bool isActive_ = false;
    std::optional<QString> activeDisplayName_;
    std::optional<QString> activeModeLabel_;
    std::optional<QString> interruption_;
};

} // namespace tessarin
