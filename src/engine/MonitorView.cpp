#include "engine/MonitorView.h"

#include "engine/LiveStatusPanel.h"
#include "engine/PlaylistEngine.h"
#include "engine/ProgramRenderer.h"
#include "engine/RenderState.h"
#include "media/LiveVideoSink.h"
#include "platform/player/MediaPlayer.h"
#include "platform/player/VideoFrame.h"

#include <QTimer>

#include <cmath>

namespace tessarin {

MonitorView::MonitorView(PlaylistEngine& engine, bool showsStatus, Clock& clock, QWidget* parent)
    : FrameView(clock, parent)
    , engine_(engine)
    , showsStatus_(showsStatus)
    , clock_(clock)
{
    // The views read the published values of the fade and the mix.
    ProgramSources sources;
    sources.playerA = engine.playerA();
    sources.playerB = engine.playerB();
    sources.liveFrame = [sink = engine.liveSink()](double time, double) { return sink ? sink->frameAt(time) : QImage(); };
    sources.fadeLevel = [fade = &engine.fade()] { return fade->level(); };
    sources.mix = [mix = &engine.mix()] { return mix->b(); };
    sources.pictureSize = engine.programPictureSize(); // the output window draws the program large
    renderer_ = std::make_unique<ProgramRenderer>(std::move(sources), 1, 1, 0.0, clock,
                                                  ProgramRenderer::OverlayMotion::eased);
    renderer_->setUnderlay([this](VideoFrame& frame, double fadeLevel) {
        if (!panelShown())
            return;
        QImage target(frame.bits(), frame.width(), frame.height(), frame.bytesPerLine(),
                      QImage::Format_ARGB32_Premultiplied);
        LiveStatusPanel::paint(target, engine_.liveStatus(), devicePixelRatioF(), fadeLevel, clock_.now());
    });
    renderer_->setState(RenderState::capture(engine));

    connect(&engine, &PlaylistEngine::changed, this, [this] {
        recapture();
        requestRefresh();
    });
    for (const auto& layer : engine.overlays().layers()) {
        connect(layer.get(), &OverlayLayer::changed, this, [this] {
            recapture();
            requestRefresh();
        });
        connect(layer.get(), &OverlayLayer::playerChanged, this, &MonitorView::watchOverlayPlayers);
    }
    for (const auto& player : { engine.playerA(), engine.playerB() }) {
        if (!player)
            continue;
        connect(player.get(), &MediaPlayer::rateChanged, this, &MonitorView::requestRefresh);
        connect(player.get(), &MediaPlayer::currentItemChanged, this, &MonitorView::requestRefresh);
    }
    connect(&engine.fade(), &LockedUnitValue::changed, this, &MonitorView::requestRefresh);
    connect(&engine.mix(), &LockedUnitValue::changed, this, &MonitorView::requestRefresh);
    if (const auto& sink = engine.liveSink()) {
        // Each frame is drawn when it is due (the view ticks while a live
        // source is on air); a new or cleared one starts the ticks.
        sink->addView(this, [this](const QImage&) { requestRefresh(); });
    }
    watchOverlayPlayers();
    setFrameSource([this] { return compose(); });
}

MonitorView::~MonitorView()
{
    for (const auto& c : overlayPlayerConnections_)
        disconnect(c);
}

void MonitorView::recapture()
{
    renderer_->setState(RenderState::capture(engine_));
    // The panel is drawn beneath the overlays: a new one needs a new frame.
    const bool shown = panelShown();
    if (shown != panelWasShown_ || (shown && engine_.liveStatus() != panelStatus_)) {
        panelWasShown_ = shown;
        panelStatus_ = engine_.liveStatus();
        renderer_->invalidate();
    }
}

void MonitorView::watchOverlayPlayers()
{
    for (const auto& c : overlayPlayerConnections_)
        disconnect(c);
    overlayPlayerConnections_.clear();
    for (const auto& layer : engine_.overlays().layers()) {
        if (const auto& player = layer->player())
            overlayPlayerConnections_.push_back(
                connect(player.get(), &MediaPlayer::rateChanged, this, &MonitorView::requestRefresh));
    }
}

bool MonitorView::panelShown() const
{
    return showsStatus_ && engine_.isLiveOnAir() && LiveStatusPanel::isShown(engine_.liveStatus());
}

bool MonitorView::wantsTicks() const
{
    if (!isVisible())
        return false;
    if (renderer_->isAnimating())
        return true;
    if (panelShown() && LiveStatusPanel::isAnimated(engine_.liveStatus()))
        return true;
    const auto& sink = engine_.liveSink();
    if (engine_.isLiveOnAir() && sink && !sink->latest().isNull())
        return true; // its frames fall due one after another
    if (!engine_.isLiveOnAir()) {
        const auto& a = engine_.playerA();
        const auto& b = engine_.playerB();
        if ((a && a->isPlaying()) || (b && b->isPlaying()))
            return true;
    }
    for (const auto& layer : engine_.overlays().layers()) {
        if (layer->isVisible() && layer->player() && layer->player()->isPlaying())
            return true;
    }
    return false;
}

void MonitorView::updateTicking()
{
    const bool want = wantsTicks();
    if (want != isPlaying())
        setPlaying(want);
}

void MonitorView::requestRefresh()
{
    if (refreshPending_)
        return;
    refreshPending_ = true;
    QTimer::singleShot(0, this, [this] {
        refreshPending_ = false;
        updateTicking();
        if (!isPlaying())
            refresh();
    });
}

void MonitorView::resizeEvent(QResizeEvent* event)
{
    FrameView::resizeEvent(event);
    requestRefresh();
}

void MonitorView::showEvent(QShowEvent* event)
{
    FrameView::showEvent(event);
    requestRefresh();
}

void MonitorView::hideEvent(QHideEvent* event)
{
    FrameView::hideEvent(event);
    requestRefresh(); // stops pulling
}

QImage MonitorView::compose()
{
    const double dpr = devicePixelRatioF();
    const int w = std::max(1, int(std::lround(width() * dpr)));
    const int h = std::max(1, int(std::lround(height() * dpr)));
    renderer_->resize(w, h);
    if (panelShown() && LiveStatusPanel::isAnimated(engine_.liveStatus()))
        renderer_->invalidate(); // the spinner turns
    auto frame = renderer_->nextFrameIfChanged();
    // Start or stop pulling once this pull is over.
    if (wantsTicks() != isPlaying())
        requestRefresh();
    return frame ? frame->image() : QImage();
}

} // namespace tessarin
