#pragma once
// The objects the settings window works on, handed over by the main window.
// The references outlive the settings window. Main thread.

namespace tessarin {

class AtemTallyMonitor;
class OutputWindowController;
class PlaylistEngine;
class ScheduleController;
class ShortcutManager;
class StreamManager;

struct SettingsContext {
    PlaylistEngine& engine;
    StreamManager& streamManager;
    OutputWindowController& outputWindowController;
    ShortcutManager& shortcuts;
    AtemTallyMonitor& atem;
    ScheduleController& schedule;
};

} // namespace tessarin
