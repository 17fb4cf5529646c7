#pragma once
// The one main window: the top bar row over the main area, dark, at least
// 1120 x 700. Owns what belongs to the window rather than to the show: the
// stream manager, the output window controller, the keyboard shortcuts and
// the ATEM link. While it is shown, bound keys act on the engine and the
// ATEM take reaches the engine; closing it is a quit request, which goes
// through the show's unsaved-changes question. Main thread.
#include <QMainWindow>

#include <memory>

namespace tessarin {

class AppMenus;
class AtemTallyMonitor;
class CaptureDevices;
class Clock;
class Displays;
class DisplayManager;
class OnAirAnnouncements;
class OutputWindowController;
class PlaylistShortcutEngine;
class PlaylistView;
class ProgramAudioSource;
class Settings;
class ShortcutManager;
class ShowController;
class StreamManager;
class TopBarView;

class ContentView : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kDefaultWidth = 1440;
    static constexpr int kDefaultHeight = 860;
    static constexpr int kMinimumWidth = 1120;
    static constexpr int kMinimumHeight = 700;

    // What the window is made with besides the show; all outlive it.
    struct Services {
        Settings& settings;
        Clock& clock;
        CaptureDevices& captureDevices;
        Displays& displays;
    };

    ContentView(ShowController& show, const Services& services, QWidget* parent = nullptr);
    ~ContentView() override;

    ShowController& showController() const { return show_; }
    StreamManager& streamManager() const;
    OutputWindowController& outputWindowController() const { return *output_; }
    ShortcutManager& shortcuts() const { return *shortcuts_; }
    AtemTallyMonitor& atem() const { return *atem_; }
    TopBarView* topBar() const { return topBar_; }
    PlaylistView* playlistView() const { return playlist_; }
    AppMenus* menus() const { return menus_; }

    // Opens the settings window on its last section, or brings it to the front.
    void openSettingsWindow();

signals:
    // The window accepted its close: the program ends.
    void quitConfirmed();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void followTitle();

    ShowController& show_;
    Settings& settings_;
    std::unique_ptr<DisplayManager> displayManager_;
    std::shared_ptr<ProgramAudioSource> streamAudio_;
    std::unique_ptr<StreamManager> streamManager_;
    std::unique_ptr<OutputWindowController> output_;
    std::unique_ptr<ShortcutManager> shortcuts_;
    std::unique_ptr<AtemTallyMonitor> atem_;
    std::shared_ptr<PlaylistShortcutEngine> shortcutEngine_;
    TopBarView* topBar_ = nullptr;
    PlaylistView* playlist_ = nullptr;
    AppMenus* menus_ = nullptr;
    // Last: it follows the objects above and goes before them.
    std::unique_ptr<OnAirAnnouncements> announcements_;
};

} // namespace tessarin
