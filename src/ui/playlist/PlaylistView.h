#pragma once
// The main area under the top bar: the browser column, the centre column
// (timecodes, monitor, seek bar, now playing, cue bar, transport,
// transition, graphics layers) and the side panel, side by side with a thin
// divider between them. Owns the one live-source catalogue that the browser
// column and the side panel share. Main thread.
#include <QWidget>

#include <functional>
#include <memory>

namespace tessarin {

class BrowserColumnView;
class BrowserFiles;
class CaptureDevices;
class Clock;
class CueBar;
class EngineSeekBar;
class LayerControlView;
class MonitorRow;
class NowPlayingLine;
class PlaylistEngine;
class ScheduleController;
class Settings;
class SourceLibrary;
class TimecodeBar;
class TransitionControl;
class TransportBar;

class PlaylistView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kCentreMinimumWidth = 480;

    // Makes the side panel over the view's source catalogue (the panel sits
    // above this library, so the window that knows it passes it in).
    using SidePanelFactory = std::function<QWidget*(SourceLibrary& sources)>;

    struct Services {
        Settings& settings;
        CaptureDevices& captureDevices;
        Clock& clock;
    };

    PlaylistView(PlaylistEngine& engine, ScheduleController& schedule, BrowserFiles& browserFiles,
                 const Services& services, const SidePanelFactory& sidePanel, QWidget* parent = nullptr);
    ~PlaylistView() override;

    SourceLibrary& sources() const { return *sources_; }
    BrowserColumnView* browserColumn() const { return browser_; }
    QWidget* centreColumn() const { return centre_; }
    QWidget* sidePanel() const { return sidePanel_; }
    TimecodeBar* timecodeBar() const { return timecodeBar_; }
    MonitorRow* monitorRow() const { return monitorRow_; }
    EngineSeekBar* seekBar() const { return seekBar_; }
    NowPlayingLine* nowPlaying() const { return nowPlaying_; }
    CueBar* cueBar() const { return cueBar_; }
    TransportBar* transportBar() const { return transportBar_; }
    TransitionControl* transitionControl() const { return transition_; }
    QWidget* layersSection() const { return layers_; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QWidget* makeCentreColumn(PlaylistEngine& engine, Clock& clock);
    QWidget* makeLayersSection(PlaylistEngine& engine);

    std::unique_ptr<SourceLibrary> sources_;
    BrowserColumnView* browser_ = nullptr;
    QWidget* centre_ = nullptr;
    QWidget* sidePanel_ = nullptr;
    TimecodeBar* timecodeBar_ = nullptr;
    MonitorRow* monitorRow_ = nullptr;
    EngineSeekBar* seekBar_ = nullptr;
    NowPlayingLine* nowPlaying_ = nullptr;
    CueBar* cueBar_ = nullptr;
    TransportBar* transportBar_ = nullptr;
    TransitionControl* transition_ = nullptr;
    QWidget* layers_ = nullptr;
};

} // namespace tessarin
