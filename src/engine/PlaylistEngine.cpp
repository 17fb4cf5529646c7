// The engine's state: creation and wiring, the transition settings, the
// lookups of what is on air, the playback window, the readouts and the
// near-end warning.
#include "engine/PlaylistEngine.h"

#include "engine/AudioLevelTap.h"
#include "engine/LiveAudioPlayer.h"
#include "engine/LiveRoute.h"
#include "engine/ProgramAudioBus.h"
#include "engine/ProgramPictureSize.h"
#include "engine/StallWatch.h"
#include "media/LiveSession.h"
#include "media/LiveVideoSink.h"
#include "media/ShowRevision.h"
#include "media/TimecodeFormatter.h"
#include "platform/Clock.h"
#include "platform/Settings.h"
#include "platform/player/MediaPlayer.h"
#include "platform/player/PlayerItem.h"

#include <QCoreApplication>
#include <QPointer>

#include <algorithm>
#include <cmath>

namespace tessarin {
namespace {

constexpr double kFadeClockInterval = 1.0 / 60.0;
constexpr double kTimeObserverInterval = 0.25;
constexpr double kBlinkInterval = 0.5;
constexpr double kNearEndSeconds = 10.0;
constexpr double kDefaultFadeSeconds = 1.0;
const QString kZeroTimecode = QStringLiteral("00:00:00");

} // namespace

const QString PlaylistEngine::kStyleKey = QStringLiteral("Vellumcast.transition.style");
const QString PlaylistEngine::kFadeSecondsKey = QStringLiteral("Vellumcast.transition.fadeSeconds");

PlaylistEngine::PlaylistEngine(Clock& clock, Settings& settings, const PlayerFactory& makePlayer,
    std::shared_ptr<AudioOutput> audioOutput, QObject* parent)
    : QObject(parent)
    , clock_(clock)
    , settings_(settings)
{
    playerA_ = makePlayer();
    playerB_ = makePlayer();
    mix_ = std::make_unique<PlayerMix>();
    previewPlayer_ = makePlayer();

    currentTimecode_ = kZeroTimecode;
    remainingTimecode_ = kZeroTimecode;

    levelMeter_ = std::make_shared<AudioLevelTap>();
    secondTap_ = std::make_shared<AudioLevelTap>();
    airTap_ = levelMeter_;

    overlays_ = std::make_unique<OverlayLayers>(std::vector<std::shared_ptr<OverlayLayer>> {
        OverlayLayer::create(QStringLiteral("Layer 1"), clock_, makePlayer),
        OverlayLayer::create(QStringLiteral("Layer 2"), clock_, makePlayer) });

    programAudio_ = std::make_shared<ProgramAudioBus>();
    fade_ = std::make_unique<FadeLevel>();

    // The stored settings, read once; nothing is written back here.
    transitionStyle_ = settings_.stringValue(kStyleKey) == QStringLiteral("fade") ? TransitionStyle::fade : TransitionStyle::cut;
    const std::optional<double> storedFade = settings_.doubleValue(kFadeSecondsKey);
    // A stored time that is not a finite positive number would make every
    // fade endless or undefined: it counts as no value.
    fadeSeconds_ = (storedFade && std::isfinite(*storedFade) && *storedFade > 0) ? *storedFade : kDefaultFadeSeconds;

    liveSink_ = LiveVideoSink::create();
    programPictureSize_ = std::make_shared<ProgramPictureSize>();
    liveAudio_ = audioOutput ? std::make_shared<LiveAudioPlayer>(std::move(audioOutput)) : std::make_shared<LiveAudioPlayer>();
    liveStartDate_ = clock_.now();

    // One meter shows both players and the live audio.
    levelMeter_->audioBus = programAudio_;
    secondTap_->audioBus = programAudio_;
    secondTap_->busSource = 1;
    secondTap_->meter = levelMeter_;
    liveAudio_->audioBus = programAudio_;
    liveAudio_->onLevels = [meter = std::weak_ptr<AudioLevelTap>(levelMeter_)](float left, float right) {
        if (auto m = meter.lock())
            m->pushExternal(left, right);
    };

    for (const auto& player : { playerA_, playerB_ }) {
        std::weak_ptr<MediaPlayer> observed = player;
        const int token = player->addPeriodicTimeObserver(kTimeObserverInterval,
            [self = QPointer<PlaylistEngine>(this), observed](double seconds) {
                if (self)
                    self->timeObserverTick(observed, seconds);
            });
        timeObservers_.emplace_back(player, token);
    }

    // The fade clock also publishes the meter's levels: the audio thread only
    // gathers them.
    fadeClock_ = clock_.createTimer([self = QPointer<PlaylistEngine>(this)] {
        if (!self)
            return;
        self->tickFade();
        self->levelMeter_->publish();
    });
    fadeClock_->start(kFadeClockInterval);
    // An item on air whose time stands still while the program plays it
    // (a file the player cannot get past) fails as one that cannot be
    // played: its failure is said and the block goes on.
    stallWatch_ = std::make_unique<StallWatch>(
        clock_,
        [self = QPointer<PlaylistEngine>(this)] {
            StallWatch::Look look;
            const auto item = self ? self->watchedItem_.lock() : nullptr;
            const auto& player = self ? self->activePlayer() : nullptr;
            if (!item || !player || player->currentItem() != item)
                return look;
            look.item = item.get();
            look.shouldMove = self->isPlaying_ && !self->ramp_ && !self->isLiveOnAir_ && player->rate() > 0.0
                && item->status() == PlayerItem::Status::ReadyToPlay;
            look.time = player->currentTime();
            return look;
        },
        [self = QPointer<PlaylistEngine>(this)](const void* stalled) {
            const auto item = self ? self->watchedItem_.lock() : nullptr;
            if (item && item.get() == stalled)
                item->markFailed(QCoreApplication::translate("PlaylistEngine", "la riproduzione si è fermata e non riprende"));
        });
    readoutsFor_ = onAirNow(); // nothing, as the readouts say
}

PlaylistEngine::~PlaylistEngine()
{
    for (auto& [weakPlayer, token] : timeObservers_) {
        if (auto player = weakPlayer.lock())
            player->removeTimeObserver(token);
    }
    // Timers go first so that no tick reaches a half-destroyed engine.
    fadeClock_.reset();
    blinkTimer_.reset();
    stallWatch_.reset();
    liveClock_.reset();
    // A live session left running would go on receiving for nobody.
    if (liveRoute_)
        liveRoute_->close();
    if (liveSession_)
        liveSession_->stop();
    dropGainObserver();
    QObject::disconnect(endObserver_);
    QObject::disconnect(cuedBlockObserver_);
}

// --- published setters ------------------------------------------------------

PlaylistEngine::Operation::Operation(PlaylistEngine& engine)
    : engine_(engine)
{
    ++engine_.operations_;
}

PlaylistEngine::Operation::~Operation()
{
    if (--engine_.operations_ == 0)
        engine_.endOperation();
}

void PlaylistEngine::publishChange()
{
    changePending_ = true;
    if (operations_ == 0)
        endOperation();
}

void PlaylistEngine::endOperation()
{
    // What settling publishes belongs to the change that called for it.
    ++operations_;
    settleReadouts();
    --operations_;
    if (!changePending_)
        return;
    changePending_ = false;
    emit changed();
}

#define TESSARIN_PUBLISH(member, signal) \
    member = std::move(value);           \
    emit signal();                       \
    publishChange()

void PlaylistEngine::setBlocks(Blocks value)
{
    ShowRevision::advanceIfChanging(blocks_, value); // the show's block list
    blockIndex_.reset();
    TESSARIN_PUBLISH(blocks_, blocksChanged);
    releaseCueOutsideShow();
}
void PlaylistEngine::setIsPlaying(bool value) { TESSARIN_PUBLISH(isPlaying_, isPlayingChanged); }
void PlaylistEngine::setCurrentBlockID(std::optional<QUuid> value) { TESSARIN_PUBLISH(currentBlockID_, currentBlockIDChanged); }
void PlaylistEngine::setCurrentItemID(std::optional<QUuid> value) { TESSARIN_PUBLISH(currentItemID_, currentItemIDChanged); }
void PlaylistEngine::setCuedItem(std::shared_ptr<MediaFile> value) { TESSARIN_PUBLISH(cuedItem_, cuedItemChanged); }
void PlaylistEngine::setCuedBlock(std::shared_ptr<MediaBlock> value) { TESSARIN_PUBLISH(cuedBlock_, cuedBlockChanged); }
void PlaylistEngine::setSelectedItem(std::shared_ptr<MediaFile> value) { TESSARIN_PUBLISH(selectedItem_, selectedItemChanged); }
void PlaylistEngine::setSelectedBlock(std::shared_ptr<MediaBlock> value) { TESSARIN_PUBLISH(selectedBlock_, selectedBlockChanged); }
void PlaylistEngine::setProgress(double value) { TESSARIN_PUBLISH(progress_, progressChanged); }
void PlaylistEngine::setWindowDuration(double value) { TESSARIN_PUBLISH(windowDuration_, windowDurationChanged); }
void PlaylistEngine::setCanSeek(bool value) { TESSARIN_PUBLISH(canSeek_, canSeekChanged); }
void PlaylistEngine::setIsLiveOnAir(bool value) { TESSARIN_PUBLISH(isLiveOnAir_, isLiveOnAirChanged); }
void PlaylistEngine::setIsNearEnd(bool value) { TESSARIN_PUBLISH(isNearEnd_, isNearEndChanged); }
void PlaylistEngine::setNearEndBlinkOn(bool value) { TESSARIN_PUBLISH(nearEndBlinkOn_, nearEndBlinkOnChanged); }

#undef TESSARIN_PUBLISH

void PlaylistEngine::setCurrentTimecode(const QString& value)
{
    currentTimecode_ = value;
    emit currentTimecodeChanged();
    publishChange();
}

void PlaylistEngine::setRemainingTimecode(const QString& value)
{
    remainingTimecode_ = value;
    emit remainingTimecodeChanged();
    publishChange();
}

void PlaylistEngine::setLiveStatus(const LiveStatus& value)
{
    liveStatus_ = value;
    emit liveStatusChanged();
    publishChange();
}

void PlaylistEngine::setPlaybackFailure(std::optional<PlaybackFailure> value)
{
    playbackFailure_ = std::move(value);
    emit playbackFailureChanged();
    publishChange();
}

// --- settings ------------------------------------------------------------------

void PlaylistEngine::setTransitionStyle(TransitionStyle style)
{
    transitionStyle_ = style;
    emit transitionStyleChanged();
    publishChange();
    settings_.setString(kStyleKey, transition::rawValue(style));
    if (style != TransitionStyle::cut) {
        // A joined item was made at full gain: a crossfade starts from
        // silence. A looping item stays joined (its restart is a cut).
        auto item = currentItem();
        if (preloaded_ && preloaded_->joined && !(item && item->loop()))
            clearPreload();
        return;
    }
    ramp_.reset();
    fade_->set(1.0);
    finishCrossfade();
    clearPreload();
    applyGain();
    if (isPlaying_)
        armJoinWhenDue();
}

void PlaylistEngine::setFadeSeconds(double seconds)
{
    // NaN differs from itself, so rounding it would set it again for ever.
    if (std::isnan(seconds))
        seconds = kDefaultFadeSeconds;
    fadeSeconds_ = seconds;
    emit fadeSecondsChanged();
    publishChange();
    const double result = std::clamp(std::round(seconds * 10.0) / 10.0, 0.1, 10.0);
    if (result != seconds) {
        setFadeSeconds(result);
        return;
    }
    settings_.setDouble(kFadeSecondsKey, result);
}

double PlaylistEngine::safeFadeSeconds() const
{
    return std::isfinite(fadeSeconds_) && fadeSeconds_ > 0 ? fadeSeconds_ : kDefaultFadeSeconds;
}

// --- lookups ---------------------------------------------------------------------

void PlaylistEngine::setScheduleBlocks(Blocks blocks)
{
    scheduleBlocks_ = std::move(blocks);
    blockIndex_.reset();
    releaseCueOutsideShow();
}

std::shared_ptr<MediaBlock> PlaylistEngine::block(const QUuid& id) const
{
    if (!blockIndex_) {
        blockIndex_.emplace();
        blockIndex_->reserve(qsizetype(blocks_.size() + scheduleBlocks_.size()));
        for (const auto& list : { &blocks_, &scheduleBlocks_ }) {
            for (const auto& b : *list) {
                if (b && !blockIndex_->contains(b->id()))
                    blockIndex_->insert(b->id(), b);
            }
        }
    }
    return blockIndex_->value(id);
}

bool PlaylistEngine::isKnownBlock(const QUuid& id) const
{
    return block(id) != nullptr;
}

std::shared_ptr<MediaBlock> PlaylistEngine::currentBlock() const
{
    return currentBlockID_ ? block(*currentBlockID_) : nullptr;
}

std::shared_ptr<MediaFile> PlaylistEngine::currentItem() const
{
    auto b = currentBlock();
    if (!b)
        return nullptr;
    const auto i = currentItemIndex(*b);
    return i ? b->items()[std::size_t(*i)] : nullptr;
}

std::optional<int> PlaylistEngine::currentItemIndex(const MediaBlock& b) const
{
    if (!currentItemID_)
        return std::nullopt;
    const auto& items = b.items();
    const auto isCurrent = [&](std::size_t i) { return items[i] && items[i]->id() == *currentItemID_; };
    if (currentItemHint_ < items.size() && isCurrent(currentItemHint_))
        return static_cast<int>(currentItemHint_);
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (isCurrent(i)) {
            currentItemHint_ = i;
            return static_cast<int>(i);
        }
    }
    return std::nullopt;
}

void PlaylistEngine::setMixForActive()
{
    mix_->set(activeIsB_ ? 1.0 : 0.0);
}

// --- window and readouts ----------------------------------------------------------

std::optional<PlaylistEngine::Window> PlaylistEngine::playbackWindow() const
{
    auto item = currentItem();
    if (!item || item->isLive())
        return std::nullopt;
    double end = std::numeric_limits<double>::quiet_NaN();
    if (item->outPoint()) {
        end = *item->outPoint();
    } else if (auto playerItem = activePlayer()->currentItem()) {
        end = playerItem->duration();
    }
    if (!std::isfinite(end))
        return std::nullopt;
    const double start = item->inPoint();
    if (!(start < end))
        return std::nullopt;
    return Window { start, end };
}

void PlaylistEngine::timeObserverTick(const std::weak_ptr<MediaPlayer>& observed, double seconds)
{
    Operation operation(*this);
    auto player = observed.lock();
    if (!player || player != activePlayer())
        return; // the idle player (a crossfade's outgoing one) changes nothing
    updateTimecodes(seconds);
}

void PlaylistEngine::updateTimecodes(double t)
{
    if (isLiveOnAir_)
        return; // the live clock owns the readouts
    const auto window = playbackWindow();
    if (window) {
        const double length = window->end - window->start;
        setWindowDuration(length);
        const double elapsed = std::max(t - window->start, 0.0);
        setCurrentTimecode(TimecodeFormatter::string(elapsed));
        const double left = std::max(window->end - t, 0.0);
        setRemainingTimecode(QStringLiteral("-") + TimecodeFormatter::string(left));
        const double p = elapsed / length;
        setProgress(std::isnan(p) ? 0.0 : std::clamp(p, 0.0, 1.0));
    } else {
        setCurrentTimecode(kZeroTimecode);
        setRemainingTimecode(kZeroTimecode);
        setProgress(0);
        setWindowDuration(0);
    }
    setNearEnd(nearEndWanted(window, t));
}

bool PlaylistEngine::nearEndWanted(const std::optional<Window>& window, double t) const
{
    return window && isPlaying_ && !isLiveOnAir_ && window->end - t <= kNearEndSeconds;
}

PlaylistEngine::OnAir PlaylistEngine::onAirNow() const
{
    return OnAir { currentBlockID_, currentItemID_, isLiveOnAir_, isPlaying_, activePlayer()->currentItem() };
}

void PlaylistEngine::settleReadouts()
{
    const OnAir now = onAirNow();
    if (readoutsFor_) {
        const OnAir& before = *readoutsFor_;
        if (before.block == now.block && before.item == now.item && before.live == now.live
            && before.playing == now.playing && before.playerItem.lock() == now.playerItem.lock())
            return;
    }
    readoutsFor_ = now;
    if (isLiveOnAir_) {
        setNearEnd(false); // a live item has no end; its clock owns the readouts
        return;
    }
    // A player item just given to a player may still stand before the IN
    // point it is being sought to.
    double t = activePlayer()->currentTime();
    if (auto item = currentItem())
        t = std::max(t, item->inPoint());
    updateTimecodes(t);
}

void PlaylistEngine::setNearEnd(bool on)
{
    if (on == isNearEnd_)
        return; // a running blink keeps its phase
    setIsNearEnd(on);
    if (!on) {
        blinkTimer_.reset();
        setNearEndBlinkOn(false);
        return;
    }
    blinkTimer_ = clock_.createTimer([self = QPointer<PlaylistEngine>(this)] {
        if (self)
            self->setNearEndBlinkOn(!self->nearEndBlinkOn_);
    });
    blinkTimer_->start(kBlinkInterval);
}

void PlaylistEngine::resetReadouts()
{
    setCurrentTimecode(kZeroTimecode);
    setRemainingTimecode(kZeroTimecode);
    setProgress(0);
    setWindowDuration(0);
}

void PlaylistEngine::resetPlayers()
{
    crossfade_.reset();
    preloaded_.reset();
    for (const auto& player : { playerA_, playerB_ }) {
        player->pause();
        player->replaceCurrentItem(nullptr);
    }
    activeIsB_ = false;
    airTap_ = levelMeter_;
    mix_->set(0.0);
}

void PlaylistEngine::removeEndObserver()
{
    QObject::disconnect(endObserver_);
    endObserver_ = {};
    QObject::disconnect(failureObserver_);
    failureObserver_ = {};
    watchedItem_.reset();
}

} // namespace tessarin
