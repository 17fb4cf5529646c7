#pragma once
// The external output page: the external displays and their video modes,
// and the start and stop of the full-screen program output on the chosen
// display through the main window's OutputWindowController. The display
// list and the choices are this page's own; whether an output runs, and
// where, is read from the controller, so every instance (settings page,
// top bar popover) shows the same running state. The list is read again
// each time the page is shown and whenever a screen comes or goes.
// Main thread.
#include "engine/DisplayManager.h"

#include <QWidget>

#include <optional>
#include <vector>

class QComboBox;
class QLabel;
class QPushButton;

namespace tessarin {

class OutputWindowController;
class PlaylistEngine;

class OutputSettingsView : public QWidget {
    Q_OBJECT
public:
    OutputSettingsView(OutputWindowController& outputWindowController, PlaylistEngine& playlistEngine,
                       QWidget* parent = nullptr);

    // Reloads the external displays and keeps or fixes up the selection.
    void refreshDisplays();

    const std::vector<OutputDisplay>& displays() const { return displays_; }
    const std::optional<OutputDisplay>& selectedDisplay() const { return selectedDisplay_; }
    const std::optional<DisplayVideoMode>& selectedMode() const { return selectedMode_; }

    // The parts tests drive.
    QLabel* emptyLabel() const { return empty_; }
    QComboBox* displayPicker() const { return displayPicker_; }
    QComboBox* modePicker() const { return modePicker_; }
    QPushButton* startButton() const { return start_; }
    QPushButton* stopButton() const { return stop_; }
    QLabel* activeLabel() const { return activeText_; }
    // Why the last output ended by itself, while no output runs.
    QLabel* interruptionLabel() const { return interruption_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void select(std::optional<OutputDisplay> display);
    void refresh();
    void start();

    OutputWindowController& controller_;
    PlaylistEngine& engine_;
    std::vector<OutputDisplay> displays_;
    std::optional<OutputDisplay> selectedDisplay_;
    std::vector<DisplayVideoMode> modes_;
    std::optional<DisplayVideoMode> selectedMode_;

    QLabel* empty_;
    QWidget* content_;
    QComboBox* displayPicker_;
    QComboBox* modePicker_;
    QWidget* activeLine_;
    QLabel* activeText_;
    QLabel* interruption_;
    QPushButton* stop_;
    QPushButton* start_;
};

} // namespace tessarin
