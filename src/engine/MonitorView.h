#pragma once
// The program picture on screen: the players as the mix has them (A alone
// at 0, B alone at 1, B over A at the mix weight in between), the live
// picture while a live source is on air (with the status panel on the
// operator's monitor while the source is not live), the fade to black, and
// the overlay layers on top, undimmed. Composed by the program renderer at
// the view's own pixel size, so players and live picture are fitted with
// bars while the overlays are placed on the whole view; shows and hides of a
// layer ease over 0.25 s, opacity changes take effect at once.
// Pulls at the screen's rate only while something moves (a player or an
// overlay video playing, a layer fading, the waiting spinner), and redraws
// once on each change otherwise. Main thread only; reads the engine's
// published values, never writes to it. The engine outlives its views.
#include "media/LiveStatus.h"
#include "platform/FrameView.h"

#include <QMetaObject>

#include <memory>
#include <vector>

namespace tessarin {

class MediaPlayer;
class PlaylistEngine;
class ProgramRenderer;
class VideoFrame;

class MonitorView : public FrameView {
    Q_OBJECT
public:
    MonitorView(PlaylistEngine& engine, bool showsStatus, Clock& clock, QWidget* parent = nullptr);
    ~MonitorView() override;

    bool showsStatus() const { return showsStatus_; }
    // Whether the view pulls at the screen's rate now.
    bool isTicking() const { return isPlaying(); }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QImage compose();
    void recapture();
    void watchOverlayPlayers();
    // Coalesces a burst of changes into one refresh on the main queue.
    void requestRefresh();
    void updateTicking();
    bool wantsTicks() const;
    bool panelShown() const;

    PlaylistEngine& engine_;
    bool showsStatus_;
    Clock& clock_;
    std::unique_ptr<ProgramRenderer> renderer_;
    bool panelWasShown_ = false;
    LiveStatus panelStatus_;
    bool refreshPending_ = false;
    std::vector<QMetaObject::Connection> overlayPlayerConnections_;
};

} // namespace tessarin
