#include "ui/playlist/EngineSeekBar.h"

#include "engine/FollowEngine.h"
#include "engine/PlaylistEngine.h"
#include "platform/Clock.h"
#include "platform/player/MediaPlayer.h"
#include "ui/playlist/SeekBar.h"

#include <QHBoxLayout>
#include <QPointer>
#include <QScreen>

#include <cmath>

namespace tessarin {

namespace {
constexpr double kFallbackRate = 60.0;
}

EngineSeekBar::EngineSeekBar(PlaylistEngine& engine, QWidget* parent)
    : QWidget(parent)
    , engine_(engine)
    , clock_(engine.previewPlayer()->clock())
    , bar_(new SeekBar(this))
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 0, 2, 0);
    layout->addWidget(bar_);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);

    gate_ = clock_.createTimer([this] { issuePending(); }, true);

    connect(bar_, &SeekBar::seekRequested, this, &EngineSeekBar::onSeek);
    connect(bar_, &SeekBar::jumpRequested, this, [this](double seconds) { engine_.jump(seconds); });
    followEngine(engine, this,
        { &PlaylistEngine::progressChanged, &PlaylistEngine::windowDurationChanged, &PlaylistEngine::canSeekChanged },
        [this] { follow(); });
    follow();
}

EngineSeekBar::~EngineSeekBar() = default;

void EngineSeekBar::follow()
{
    bar_->setProgress(engine_.progress());
    bar_->setDuration(engine_.windowDuration());
    bar_->setSeekEnabled(engine_.canSeek());
}

double EngineSeekBar::frameInterval() const
{
    const QScreen* s = screen();
    const double rate = s ? s->refreshRate() : 0.0;
    if (!std::isfinite(rate) || rate < 1.0 || rate > 1000.0)
        return 1.0 / kFallbackRate;
    return 1.0 / rate;
}

void EngineSeekBar::onSeek(double fraction, bool isFinal)
{
    if (!isFinal) {
        pending_ = fraction;
        issuePending();
        return;
    }
    // The release wins over anything still waiting or being decoded.
    pending_.reset();
    inFlight_ = false;
    ++generation_;
    ++seeksIssued_;
    engine_.seek(fraction, true);
}

void EngineSeekBar::issuePending()
{
    if (!pending_ || inFlight_ || gate_->isActive())
        return;
    const double fraction = *pending_;
    pending_.reset();
    inFlight_ = true;
    const int generation = ++generation_;
    gate_->start(frameInterval());
    ++seeksIssued_;
    engine_.seek(fraction, true, [self = QPointer<EngineSeekBar>(this), generation](bool) {
        if (!self || self->generation_ != generation)
            return;
        self->inFlight_ = false;
        self->issuePending();
    });
}

} // namespace tessarin
