// Starting items: cuts, fades through black, crossfades between the two
// program players, each item's own fade-in and fade-out, the 1/60 s fade
// clock that drives all of it, and the gains of both players and live audio.
#include "engine/PlaylistEngine.h"

#include "engine/AudioLevelTap.h"
#include "engine/LiveAudioPlayer.h"
#include "engine/ProgramPictureSize.h"
#include "platform/Clock.h"
#include "platform/player/MediaPlayer.h"
#include "platform/player/PlayerItem.h"

#include <algorithm>
#include <cmath>

namespace tessarin {
namespace {

// A crossfade shorter than this still runs over at least one short step.
constexpr double kShortestStep = 0.05;
// Below this much left of the item on air, a take cuts instead of crossfading.
constexpr double kLeastCrossfadeLeft = 0.25;
constexpr double kShortestCrossfade = 0.1;

} // namespace

void PlaylistEngine::transition(const MediaFile& item, const MediaBlock& block, Action action)
{
    const bool toLive = item.isLive();
    const bool fadePath = transitionStyle_ == TransitionStyle::fade && isPlaying_
        && (isLiveOnAir_ || (toLive && activePlayer()->currentItem()));
    if (!fadePath) {
        action();
        return;
    }
    if (ramp_) {
        ramp_->then = std::move(action); // the earlier take is dropped; the fade keeps its timing
        ramp_->targetBlockID = block.id();
        return;
    }
    ramp_ = FadeRamp { fade_->current(), clock_.now(), safeFadeSeconds() * 0.5, std::move(action), block.id() };
}

std::shared_ptr<PlayerItem> PlaylistEngine::makePlayerItem(const std::shared_ptr<MediaFile>& item,
    const std::shared_ptr<AudioLevelTap>& tap, float volume)
{
    auto playerItem = PlayerItem::create(item->playableURL().toString());
    // Sized for the program before it opens: an item loaded ahead or joined
    // is drawn only once it is on air, and decodes for that from the start.
    playerItem->setPictureSizeHint(programPictureSize_->size());
    if (auto mix = tap->makeAudioMix(playerItem, volume))
        playerItem->setAudioMix(*mix);
    if (item->outPoint())
        playerItem->setForwardPlaybackEndTime(*item->outPoint());
    observePlayability(playerItem, item);
    return playerItem;
}

void PlaylistEngine::start(const std::shared_ptr<MediaFile>& item, const std::shared_ptr<MediaBlock>& block,
    bool isLoopRestart)
{
    Operation operation(*this);
    if (!item || !block)
        return;
    if (item->isLive()) {
        startLive(item, block);
        return;
    }
    if (item->playableURL().isEmpty())
        return;
    // Taking the cued item clears the cue; a cut or a crossfade takes the
    // preview's item over first.
    const bool takesCue = cuedItem_ && cuedItem_->id() == item->id();
    if (!isLoopRestart && canCrossfade()) {
        beginCrossfade(item, block, crossfadeLength(*item), takesCue);
        if (takesCue)
            clearCue();
        return;
    }

    if (adoptJoin(item, block, isLoopRestart)) {
        if (takesCue)
            clearCue();
        return; // already sounding since the last sample of the item before
    }

    // A cut: the cued item handed over into the active player, or the item
    // loaded afresh there.
    finishCrossfade();
    clearPreload();
    stopLiveSession();
    setCurrentBlockID(block->id());
    setCurrentItemID(item->id());
    beginFade(*item, isLoopRestart, false);
    levelMeter_->reset();
    secondTap_->reset();
    const float volume = effectiveVolume(*item, *block) * static_cast<float>(fade_->current());
    // The cued item is open and at its IN point in the preview: it goes on
    // air from the next audio render, where loading it afresh would leave a
    // gap while the file opens.
    auto playerItem = takesCue ? takeCuePreview(*item, volume, *activePlayer()) : nullptr;
    const bool handedOver = playerItem != nullptr;
    if (handedOver)
        airTap_ = spareTap();
    if (takesCue)
        clearCue();
    setMixForActive();
    const auto player = activePlayer();
    // Loaded afresh, it replaces the item on air at once, through its tap.
    if (!handedOver)
        playerItem = makePlayerItem(item, airTap_, volume);
    observeGain(item, block);
    removeEndObserver();
    watchEnd(playerItem, item, block);
    if (!handedOver) {
        player->replaceCurrentItem(playerItem);
        // Exactly at the in-point: the default tolerance would put material
        // from before the IN point on air.
        if (item->inPoint() > 0)
            player->seek(item->inPoint(), SeekTolerance::Zero);
        player->play();
    }
    setIsPlaying(true);
    setCanSeek(true);
    armJoinWhenDue();
}

std::shared_ptr<PlayerItem> PlaylistEngine::takeCuePreview(const MediaFile& item, float volume, MediaPlayer& into)
{
    if (!cuePreview_ || !into.canQueue())
        return nullptr;
    auto playerItem = cuePreview_->playerItem.lock();
    // The item as it was cued: same file, same IN point (the preview stands
    // there), and still the preview's, paused.
    if (!playerItem || playerItem != previewPlayer_->currentItem() || previewPlayer_->isPlaying()
        || playerItem->status() == PlayerItem::Status::Failed || cuePreview_->url != item.playableURL()
        || cuePreview_->inPoint != item.inPoint())
        return nullptr;
    // The out-point as it is now; the cue does not set one.
    playerItem->setForwardPlaybackEndTime(item.outPoint() ? *item.outPoint() : std::nan(""));
    const auto taken = previewPlayer_->takeCurrentItem();
    if (taken != playerItem)
        return nullptr;
    // Through the tap the item on air does not use: the new gain cannot
    // reach the outgoing item's samples.
    playerItem->setAudioMix(spareTap()->makeAudioMix(playerItem, volume).value_or(AudioMix {}));
    if (!into.cutTo(playerItem))
        return nullptr;
    return playerItem;
}

bool PlaylistEngine::canCrossfade() const
{
    if (transitionStyle_ != TransitionStyle::fade || !isPlaying_ || isLiveOnAir_ || !activePlayer()->currentItem())
        return false;
    // The crossfade needs the outgoing item and block for their gain; an item
    // removed from its block while on air is cut away instead.
    if (!currentItem() || !currentBlock())
        return false;
    const auto window = playbackWindow();
    return !window || window->end - activePlayer()->currentTime() >= kLeastCrossfadeLeft;
}

double PlaylistEngine::crossfadeLength(const MediaFile& next) const
{
    double length = std::max(safeFadeSeconds(), kShortestCrossfade);
    if (const auto clip = clipLength(next))
        length = std::min(length, *clip * 0.5);
    if (const auto window = playbackWindow())
        length = std::min(length, (window->end - window->start) * 0.5);
    return std::max(length, kShortestCrossfade);
}

std::optional<double> PlaylistEngine::clipLength(const MediaFile& item)
{
    if (item.isLive())
        return std::nullopt;
    const double end = item.outPoint() ? *item.outPoint() : item.duration();
    const double length = end - item.inPoint();
    if (length > 0)
        return length;
    return std::nullopt;
}

void PlaylistEngine::beginCrossfade(const std::shared_ptr<MediaFile>& item, const std::shared_ptr<MediaBlock>& block,
    double duration, bool fromCue)
{
    finishCrossfade();
    auto oldItem = currentItem();
    auto oldBlock = currentBlock();
    const auto oldPlayer = activePlayer();
    const auto newPlayer = idlePlayer();

    std::shared_ptr<PlayerItem> playerItem;
    if (preloaded_ && preloaded_->itemID == item->id() && preloaded_->player == newPlayer)
        playerItem = newPlayer->currentItem(); // loaded, paused and sought ahead
    // The cued item, open at its IN point in the preview, starts sounding at
    // once (silent until the crossfade's gain rises) instead of reopening.
    if (!playerItem && fromCue)
        playerItem = takeCuePreview(*item, 0.0f, *newPlayer);
    if (!playerItem) {
        playerItem = makePlayerItem(item, spareTap(), 0.0f);
        newPlayer->replaceCurrentItem(playerItem);
        if (item->inPoint() > 0)
            newPlayer->seek(item->inPoint(), SeekTolerance::Zero);
    }
    if (preloaded_ && preloaded_->joined)
        clearPreload(); // the item on air goes on alone under the crossfade
    preloaded_.reset();
    removeEndObserver();
    activeIsB_ = !activeIsB_;
    setCurrentBlockID(block->id());
    setCurrentItemID(item->id());
    beginFade(*item, false, true);
    observeGain(item, block);
    watchEnd(playerItem, item, block);
    crossfade_ = Crossfade { clock_.now(), duration, oldPlayer, airTap_, std::move(oldItem), std::move(oldBlock) };
    airTap_ = spareTap();
    updateCrossfade();
    newPlayer->play();
    setIsPlaying(true);
    setCanSeek(true);
}

double PlaylistEngine::crossfadeProgress() const
{
    if (!crossfade_)
        return 1.0;
    const double duration = crossfade_->duration > kShortestStep ? crossfade_->duration : kShortestStep;
    const double p = (clock_.now() - crossfade_->start) / duration;
    return std::isnan(p) ? 0.0 : std::clamp(p, 0.0, 1.0);
}

void PlaylistEngine::updateCrossfade()
{
    if (!crossfade_)
        return;
    const double p = crossfadeProgress();
    mix_->set(activeIsB_ ? p : 1.0 - p);
    applyGain();
    if (p >= 1.0)
        finishCrossfade();
}

void PlaylistEngine::finishCrossfade()
{
    if (!crossfade_)
        return;
    const auto outgoing = crossfade_->outgoing;
    crossfade_.reset();
    outgoing->pause();
    outgoing->replaceCurrentItem(nullptr);
    setMixForActive();
    applyGain();
}

void PlaylistEngine::clearPreload()
{
    if (!preloaded_)
        return;
    const auto player = preloaded_->player;
    const bool joined = preloaded_->joined;
    preloaded_.reset();
    if (joined)
        player->queueNext(nullptr, 0.0);
    else if (!crossfade_ && player != activePlayer())
        player->replaceCurrentItem(nullptr);
}

void PlaylistEngine::beginFade(const MediaFile& item, bool isLoopRestart, bool crossfaded)
{
    const bool fadeStyle = transitionStyle_ == TransitionStyle::fade;
    fadeInEnabled_ = fadeStyle && !isLoopRestart && !crossfaded;
    fadeOutEnabled_ = fadeStyle && !item.loop() && !item.isLive();
    fadeInLength_ = pendingFadeInLength_ ? *pendingFadeInLength_ : std::max(safeFadeSeconds(), kShortestStep);
    pendingFadeInLength_.reset();
    clipStartHost_ = clock_.now();
    ramp_.reset();
    fade_->set(fadeInEnabled_ ? 0.0 : 1.0);
}

void PlaylistEngine::tickFade()
{
    Operation operation(*this);
    updateCrossfade();
    checkDueJoin();
    if (transitionStyle_ == TransitionStyle::cut)
        return;
    checkUpcomingCrossfade();
    double level = clipFadeLevel();
    if (ramp_) {
        const double duration = ramp_->duration > kShortestStep ? ramp_->duration : kShortestStep;
        const double t = (clock_.now() - ramp_->start) / duration;
        if (t >= 1.0) {
            auto then = std::move(ramp_->then);
            ramp_.reset();
            fade_->set(0.0);
            applyGain();
            pendingFadeInLength_ = safeFadeSeconds() * 0.5;
            if (then)
                then();
            return;
        }
        level = std::min((1.0 - t) * ramp_->from, level);
    }
    const double before = fade_->current();
    fade_->set(level);
    if (fade_->current() != before)
        applyGain();
}

double PlaylistEngine::hostFadeIn() const
{
    if (!fadeInEnabled_)
        return 1.0;
    return (clock_.now() - clipStartHost_) / std::max(fadeInLength_, kShortestStep);
}

double PlaylistEngine::clipFadeLevel() const
{
    const double inLength = std::max(fadeInLength_, kShortestStep);
    if (isLiveOnAir_)
        return hostFadeIn();
    if (!activePlayer()->currentItem())
        return 1.0;
    const auto window = playbackWindow();
    if (!window)
        return hostFadeIn();
    const double t = activePlayer()->currentTime();
    const double half = (window->end - window->start) * 0.5;
    const double in = fadeInEnabled_ ? (t - window->start) / std::min(half, inLength) : 1.0;
    const auto limit = [](double v) { return std::isnan(v) ? 0.0 : std::clamp(v, 0.0, 1.0); };
    if (fadeOutEnabled_) {
        auto item = currentItem();
        auto blk = currentBlock();
        if (item && blk && !upcoming(*item, *blk)) {
            const double out = (window->end - t) / std::min(half, std::max(safeFadeSeconds(), kShortestStep));
            return limit(std::min(limit(out), limit(in)));
        }
    }
    return limit(in);
}

void PlaylistEngine::applyGain()
{
    const double level = fade_->current();
    const bool fading = crossfade_.has_value();
    const double p = fading ? crossfadeProgress() : 1.0;
    auto item = currentItem();
    auto blk = currentBlock();
    if (item && blk) {
        const float g = static_cast<float>(effectiveVolume(*item, *blk) * level * (fading ? std::sqrt(p) : 1.0));
        airTap_->gain.store(g, std::memory_order_relaxed);
        std::lock_guard guard(liveAudio_->lock);
        liveAudio_->gain = g;
    }
    if (fading && crossfade_->outgoingItem && crossfade_->outgoingBlock) {
        const float g = static_cast<float>(
            effectiveVolume(*crossfade_->outgoingItem, *crossfade_->outgoingBlock) * level * std::sqrt(1.0 - p));
        crossfade_->outgoingTap->gain.store(g, std::memory_order_relaxed);
    }
}

float PlaylistEngine::effectiveVolume(const MediaFile& item, const MediaBlock& block)
{
    if (item.isMuted())
        return 0.0f;
    return item.gainLinear() * (block.normalizeAudio() ? item.normalizationGain() : 1.0f);
}

} // namespace tessarin
