#pragma once
// The elements of the top bar (placeholder until it is built); the main window lays out its row.
// Main thread.
#include <QWidget>

namespace tessarin {

class AtemTallyMonitor;
class OutputWindowController;
class ShortcutManager;
class ShowController;
class StreamManager;

class TopBarView : public QWidget {
    Q_OBJECT
public:
    explicit TopBarView(ShowController& show, StreamManager& streams, OutputWindowController& output, ShortcutManager& shortcuts, AtemTallyMonitor& atem, QWidget* parent = nullptr);
signals:
    // The settings button: the main window opens the settings window.
    void settingsRequested();
};

} // namespace tessarin
