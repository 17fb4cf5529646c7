#pragma once
// Composes the program picture into BGRA frames of a fixed size: the
// on-air player's picture (or the live frame while a live source is on air)
// with the A/B crossfade, the fade to black, and then the overlay layers, so
// a fade never darkens the overlays. The mix alone says which players are in
// the picture: only A at 0, only B at 1, B over A at the mix weight in
// between; a player in the mix without a picture counts as black. The
// stream pipeline calls nextFrame() once per frame period on its render
// thread; the program monitor uses the same composition on the main thread,
// with the views' overlay animation.
//
// Threads: nextFrame() and everything it touches belong to one thread at a
// time; setState() is for any thread (the main thread replaces the snapshot
// under the state lock, the frame copies it out under the same lock).
#include "engine/PlayerFrameGrabber.h"
#include "engine/RenderState.h"
#include "platform/Clock.h"
#include "platform/Compositor.h"

#include <QUuid>

#include <functional>
#include <map>
#include <memory>
#include <mutex>

namespace tessarin {

class MediaPlayer;
class PlaylistEngine;
class ProgramPictureSize;

// What the renderer reads besides the snapshot, all safe from its thread.
struct ProgramSources {
    // The engine's players, live sink, and the locked values of its fade
    // level and mix (for the render thread). The engine must outlive every
    // renderer made from these.
    static ProgramSources of(const PlaylistEngine& engine);

    std::weak_ptr<MediaPlayer> playerA;
    std::weak_ptr<MediaPlayer> playerB;
    // The live frame due at a host time (null when there is none), for a
    // renderer that draws every `period` seconds (0: at no steady rate).
    // Called from one thread, the renderer's.
    std::function<QImage(double time, double period)> liveFrame;
    // The program fade level, 1 = full picture, 0 = black.
    std::function<double()> fadeLevel;
    // The share of player B in the picture, 0 to 1.
    std::function<double()> mix;
    // Where the renderer says at what size it draws the players (may be
    // null).
    std::shared_ptr<ProgramPictureSize> pictureSize;
};

class ProgramRenderer {
public:
    // How an overlay layer's drawing alpha follows its target (opacity while
    // visible, 0 while hidden).
    enum class OverlayMotion {
        // Linearly at OverlayFade::kRate per second; opacity changes glide
        // too (the stream).
        ramp,
        // Shows and hides ease in and out over kViewFadeSeconds; opacity
        // changes alone take effect at once (the on-screen views).
        eased,
    };
    static constexpr double kViewFadeSeconds = 0.25;

    // Drawn after the program picture and before the overlays, with the fade
    // level the program picture was darkened by (the monitor's status panel).
    using Underlay = std::function<void(VideoFrame& frame, double fadeLevel)>;

    // Frames of width x height; player pictures are taken lookahead seconds
    // ahead of the clock's now.
    ProgramRenderer(ProgramSources sources, int width, int height, double lookahead,
                    Clock& clock = HostClock::shared(), OverlayMotion motion = OverlayMotion::ramp);
    ~ProgramRenderer();

    int width() const { return compositor_->width(); }
    int height() const { return compositor_->height(); }
    // Render thread: frames from now on have the new size.
    void resize(int width, int height);

    // Any thread: replaces the snapshot the frames are built from.
    void setState(RenderState state);
    RenderState state() const;

    // Render thread: one composed frame in a buffer of its own, or nullptr
    // when no buffer can be had.
    std::shared_ptr<VideoFrame> nextFrame();

    // Render thread: like nextFrame(), but when nothing that is drawn has
    // changed since the last frame, that same frame again (for views, which
    // skip a redraw of the same picture).
    std::shared_ptr<VideoFrame> nextFrameIfChanged();
    // Render thread: the next nextFrameIfChanged() composes afresh (the
    // underlay changed).
    void invalidate() { lastFrame_.reset(); }
    // Render thread: whether a layer's drawing alpha is still moving.
    bool isAnimating() const;
    void setUnderlay(Underlay underlay) { underlay_ = std::move(underlay); }

    // Render thread: a layer's current drawing alpha (0 for an unknown id).
    double layerAlpha(const QUuid& id) const;

private:
    struct LayerMotion {
        double alpha = 0.0;
        // eased: the visibility factor's animation (0 hidden, 1 shown).
        double from = 0.0, to = 0.0, start = 0.0;
        bool started = false;
    };
    // Everything one frame draws; equal inputs draw equal frames.
    struct Inputs;

    void gather(const RenderState& state, double now, double elapsed, Inputs& in);
    void compose(VideoFrame& frame, const Inputs& in);
    double moveAlpha(const RenderState::Layer& layer, double now, double elapsed);
    // The layer's picture due lookahead_ after now.
    PlayerFrameGrabber::Picture overlayPicture(const RenderState::Layer& layer, double now);

    ProgramSources sources_;
    Clock& clock_;
    OverlayMotion motion_;
    double lookahead_;
    std::unique_ptr<Compositor> compositor_;

    mutable std::mutex stateLock_; // guards state_
    RenderState state_;

    PlayerFrameGrabber grabberA_;
    PlayerFrameGrabber grabberB_;
    QSize reportedSize_; // last given to sources_.pictureSize
    std::map<QUuid, std::unique_ptr<PlayerFrameGrabber>> overlayGrabbers_;
    std::map<QUuid, LayerMotion> fades_;
    double lastTick_;
    Underlay underlay_;

    std::unique_ptr<Inputs> lastInputs_;
    std::shared_ptr<VideoFrame> lastFrame_;
};

} // namespace tessarin
