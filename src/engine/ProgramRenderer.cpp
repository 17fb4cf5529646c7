#include "engine/ProgramRenderer.h"

#include "engine/OverlayFade.h"
#include "engine/PlaylistEngine.h"
#include "engine/ProgramPictureSize.h"
#include "media/LiveVideoSink.h"
#include "platform/player/MediaPlayer.h"
#include "platform/player/VideoFrame.h"

#include <QEasingCurve>

#include <algorithm>
#include <cmath>

namespace tessarin {

namespace {

// Below this a player B or a fade makes no visible difference, and above
// 1 minus it none either: the draw is skipped or made at full strength.
constexpr double kNegligible = 0.001;

QImage drawable(const QImage& image)
{
    if (image.isNull())
        return image;
    if (image.format() == QImage::Format_ARGB32_Premultiplied || image.format() == QImage::Format_RGB32)
        return image;
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

double finiteOr(double value, double fallback)
{
    return std::isfinite(value) ? value : fallback;
}

// The views' show and hide curve: ease in and out.
double eased(double progress)
{
    static const QEasingCurve curve = [] {
        QEasingCurve c(QEasingCurve::BezierSpline);
        c.addCubicBezierSegment(QPointF(0.42, 0.0), QPointF(0.58, 1.0), QPointF(1.0, 1.0));
        return c;
    }();
    return curve.valueForProgress(std::clamp(progress, 0.0, 1.0));
}

} // namespace

ProgramSources ProgramSources::of(const PlaylistEngine& engine)
{
    ProgramSources s;
    s.playerA = engine.playerA();
    s.playerB = engine.playerB();
    // Each renderer keeps which live picture it drew last.
    s.liveFrame = [sink = engine.liveSink(), pick = std::make_shared<LiveFramePick>()](double time, double period) {
        return sink ? sink->frameAt(time, period, *pick) : QImage();
    };
    s.fadeLevel = [fade = &engine.fade()] { return fade->current(); };
    s.mix = [mix = &engine.mix()] { return mix->current(); };
    s.pictureSize = engine.programPictureSize();
    return s;
}

struct ProgramRenderer::Inputs {
    struct Overlay {
        PlayerFrameGrabber::Picture video;
        QImage still;
        double alpha = 0.0, scale = 1.0, offsetX = 0.0, offsetY = 0.0;
    };
    int width = 0, height = 0;
    bool live = false;
    QImage liveImage;
    // The program players' part: base fills the frame (black where it has
    // no picture), top is drawn over it at topAlpha.
    PlayerFrameGrabber::Picture base, top;
    double topAlpha = 0.0;
    // The share of the base that shows through a top player without a
    // picture (black over the base at the mix weight).
    double baseShare = 1.0;
    double fade = 1.0; // the program's colour scale
    std::vector<Overlay> overlays;

    bool sameAs(const Inputs& o) const
    {
        auto samePicture = [](const PlayerFrameGrabber::Picture& x, const PlayerFrameGrabber::Picture& y) {
            return x.frame == y.frame && x.orientation == y.orientation;
        };
        if (width != o.width || height != o.height || live != o.live
            || liveImage.cacheKey() != o.liveImage.cacheKey() || !samePicture(base, o.base)
            || !samePicture(top, o.top) || topAlpha != o.topAlpha || baseShare != o.baseShare || fade != o.fade
            || overlays.size() != o.overlays.size())
            return false;
        for (size_t i = 0; i < overlays.size(); ++i) {
            const Overlay& x = overlays[i];
            const Overlay& y = o.overlays[i];
            if (!samePicture(x.video, y.video) || x.still.cacheKey() != y.still.cacheKey() || x.alpha != y.alpha
                || x.scale != y.scale || x.offsetX != y.offsetX || x.offsetY != y.offsetY)
                return false;
        }
        return true;
    }
};

ProgramRenderer::ProgramRenderer(ProgramSources sources, int width, int height, double lookahead, Clock& clock,
                                 OverlayMotion motion)
    : sources_(std::move(sources))
    , clock_(clock)
    , motion_(motion)
    , lookahead_(finiteOr(lookahead, 0.0))
    , compositor_(std::make_unique<Compositor>(width, height))
    , grabberA_(sources_.playerA)
    , grabberB_(sources_.playerB)
    , lastTick_(clock.now())
{
}

ProgramRenderer::~ProgramRenderer()
{
    if (sources_.pictureSize)
        sources_.pictureSize->withdraw(this);
}

void ProgramRenderer::resize(int width, int height)
{
    if (width == compositor_->width() && height == compositor_->height())
        return;
    compositor_ = std::make_unique<Compositor>(width, height);
    lastFrame_.reset();
}

void ProgramRenderer::setState(RenderState state)
{
    {
        std::lock_guard lock(stateLock_);
        std::swap(state_, state);
    }
    // The old snapshot (now in state) is released here, outside the lock.
}

RenderState ProgramRenderer::state() const
{
    std::lock_guard lock(stateLock_);
    return state_;
}

double ProgramRenderer::layerAlpha(const QUuid& id) const
{
    auto it = fades_.find(id);
    return it == fades_.end() ? 0.0 : it->second.alpha;
}

bool ProgramRenderer::isAnimating() const
{
    const double now = clock_.now();
    for (const auto& [id, m] : fades_) {
        if (motion_ == OverlayMotion::eased ? now - m.start < kViewFadeSeconds && m.from != m.to
                                            : m.from != m.to)
            return true;
    }
    return false;
}

double ProgramRenderer::moveAlpha(const RenderState::Layer& layer, double now, double elapsed)
{
    const double opacity = finiteOr(layer.opacity, 0.0);
    auto [it, isNew] = fades_.try_emplace(layer.id);
    LayerMotion& m = it->second;
    if (motion_ == OverlayMotion::ramp) {
        const double target = OverlayFade::target(layer.isVisible, opacity);
        m.alpha = OverlayFade::step(m.alpha, target, elapsed);
        // from/to mark whether the alpha still moves (isAnimating()).
        m.from = m.alpha;
        m.to = target;
        return m.alpha;
    }
    const double shown = layer.isVisible ? 1.0 : 0.0;
    if (isNew) {
        // What a view shows when it appears: no animation.
        m.from = m.to = shown;
        m.start = now - kViewFadeSeconds;
    } else if (shown != m.to) {
        // From wherever the running animation is now.
        const double t = (now - m.start) / kViewFadeSeconds;
        const double current = m.from + (m.to - m.from) * eased(t);
        m.from = current;
        m.to = shown;
        m.start = now;
    }
    const double t = (now - m.start) / kViewFadeSeconds;
    const double factor = m.from + (m.to - m.from) * eased(t);
    m.alpha = opacity * factor;
    return m.alpha;
}

PlayerFrameGrabber::Picture ProgramRenderer::overlayPicture(const RenderState::Layer& layer, double now)
{
    auto player = layer.player.lock();
    auto it = overlayGrabbers_.find(layer.id);
    if (!player) {
        if (it != overlayGrabbers_.end())
            overlayGrabbers_.erase(it);
        return {};
    }
    if (it == overlayGrabbers_.end() || !it->second->reads(player))
        it = overlayGrabbers_.insert_or_assign(layer.id, std::make_unique<PlayerFrameGrabber>(player)).first;
    PlayerFrameGrabber::release(std::move(player));
    // Converted at the size it is drawn at (a picture in a corner is small).
    const double scale = std::isfinite(layer.scale) && layer.scale > 0 ? std::min(layer.scale, 16.0) : 1.0;
    it->second->setDrawnSize(QSize(static_cast<int>(std::ceil(compositor_->width() * scale)),
        static_cast<int>(std::ceil(compositor_->height() * scale))));
    // Upkeep only: a still image wins over the player.
    if (!layer.cgImage.isNull())
        return {};
    return it->second->image(now, lookahead_);
}

void ProgramRenderer::gather(const RenderState& state, double now, double elapsed, Inputs& in)
{
    in.width = compositor_->width();
    in.height = compositor_->height();
    // The players' pictures are due lookahead_ from now, each player's
    // clock run on from where it stands now.

    // Items made for the program before anything draws them take the
    // largest size any renderer draws it at.
    const QSize drawn(in.width, in.height);
    if (sources_.pictureSize && drawn != reportedSize_) {
        sources_.pictureSize->report(this, drawn);
        reportedSize_ = drawn;
    }
    in.live = state.isLiveOnAir;
    if (in.live) {
        // The live picture due lookahead_ from now, like the players'; a
        // renderer that runs at a steady rate (the streams', whose
        // lookahead is half their period) takes the live pictures one by one.
        if (sources_.liveFrame)
            in.liveImage = drawable(sources_.liveFrame(now + lookahead_, 2.0 * lookahead_));
    } else {
        // The players convert their pictures at the size they fill here.
        grabberA_.setDrawnSize(drawn);
        grabberB_.setDrawnSize(drawn);
        // The mix decides which players are in the picture: A alone at 0,
        // B alone at 1, B over A at the mix weight in between. A player
        // outside the mix is not even asked, so an idle player that holds
        // the next item (loaded ahead) never shows; a player in the mix
        // without a picture (a sound-only item) counts as black.
        const double mix = sources_.mix ? std::clamp(finiteOr(sources_.mix(), 0.0), 0.0, 1.0) : 0.0;
        if (mix <= kNegligible) {
            in.base = grabberA_.image(now, lookahead_);
        } else if (mix >= 1.0 - kNegligible) {
            in.base = grabberB_.image(now, lookahead_);
        } else {
            in.base = grabberA_.image(now, lookahead_);
            in.top = grabberB_.image(now, lookahead_);
            if (in.top)
                in.topAlpha = mix;
            else
                in.baseShare = 1.0 - mix;
        }
    }
    const double level = sources_.fadeLevel ? finiteOr(sources_.fadeLevel(), 1.0) : 1.0;
    in.fade = level < 1.0 - kNegligible ? std::clamp(level, 0.0, 1.0) : 1.0;

    in.overlays.clear();
    for (const RenderState::Layer& layer : state.layers) {
        // Every layer moves and keeps its grabber up, drawn or not.
        const double alpha = moveAlpha(layer, now, elapsed);
        PlayerFrameGrabber::Picture video = overlayPicture(layer, now);
        if (!OverlayFade::isDrawn(alpha))
            continue;
        Inputs::Overlay o;
        if (!layer.cgImage.isNull())
            o.still = drawable(layer.cgImage);
        else if (video)
            o.video = std::move(video);
        else
            continue;
        o.alpha = alpha < 1.0 - kNegligible ? alpha : 1.0;
        o.scale = layer.scale;
        o.offsetX = layer.offsetX;
        o.offsetY = layer.offsetY;
        in.overlays.push_back(std::move(o));
    }
}

void ProgramRenderer::compose(VideoFrame& frame, const Inputs& in)
{
    Compositor& c = *compositor_;
    if (in.live) {
        const BgraView live = BgraView::of(in.liveImage);
        c.drawBase(frame, live.isValid() ? &live : nullptr, Orientation::up, in.fade);
    } else {
        const BgraView base = in.base ? BgraView::of(*in.base.frame) : BgraView{};
        if (in.top) {
            c.drawBaseCrossfade(frame, base.isValid() ? &base : nullptr, in.base.orientation,
                BgraView::of(*in.top.frame), in.top.orientation, in.topAlpha, in.fade);
        } else {
            c.drawBase(frame, base.isValid() ? &base : nullptr, in.base.orientation, in.fade * in.baseShare);
        }
    }
    if (underlay_)
        underlay_(frame, in.fade);
    for (const Inputs::Overlay& o : in.overlays) {
        DrawParams p;
        p.scale = o.scale;
        p.offsetX = o.offsetX;
        p.offsetY = o.offsetY;
        p.alpha = o.alpha;
        if (!o.still.isNull()) {
            c.drawOver(frame, BgraView::of(o.still, quint64(o.still.cacheKey())), p);
        } else {
            p.orientation = o.video.orientation;
            c.drawOver(frame, BgraView::of(*o.video.frame, !o.video.frame->hasAlpha), p);
        }
    }
}

std::shared_ptr<VideoFrame> ProgramRenderer::nextFrame()
{
    const RenderState state = this->state();
    auto frame = compositor_->newFrame();
    if (!frame)
        return nullptr;
    const double now = clock_.now();
    const double elapsed = now - lastTick_;
    lastTick_ = now;
    Inputs in;
    gather(state, now, elapsed, in);
    compose(*frame, in);
    return frame;
}

std::shared_ptr<VideoFrame> ProgramRenderer::nextFrameIfChanged()
{
    const RenderState state = this->state();
    const double now = clock_.now();
    const double elapsed = now - lastTick_;
    lastTick_ = now;
    auto in = std::make_unique<Inputs>();
    gather(state, now, elapsed, *in);
    if (lastFrame_ && lastInputs_ && in->sameAs(*lastInputs_))
        return lastFrame_;
    auto frame = compositor_->newFrame();
    if (!frame)
        return nullptr;
    compose(*frame, *in);
    lastInputs_ = std::move(in);
    lastFrame_ = frame;
    return frame;
}

} // namespace tessarin
