// What happens when an item has played to its end: loop restarts, the next
// item, block loops with their counts, loading ahead and the automatic
// crossfade, and the end of a block with the schedule's hook.
#include "engine/PlaylistEngine.h"

#include "engine/AudioLevelTap.h"
#include "platform/player/MediaPlayer.h"
#include "platform/player/PlayerItem.h"

#include <QPointer>

namespace tessarin {
namespace {

// The next item is loaded this long before its crossfade begins.
constexpr double kPreloadLead = 3.0;
// The next item is queued behind the one on air this long before its end:
// ample for a file to open and have its first picture and sound ready on a
// loaded machine.
constexpr double kJoinLead = 10.0;

int indexOf(const MediaBlock::Items& items, const QUuid& id)
{
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i] && items[i]->id() == id)
            return static_cast<int>(i);
    }
    return -1;
}

} // namespace

void PlaylistEngine::watchEnd(const std::shared_ptr<PlayerItem>& playerItem, const std::shared_ptr<MediaFile>& item,
    const std::shared_ptr<MediaBlock>& block)
{
    // The item and block are held weakly: an ended item whose objects are
    // gone has nothing left to advance from, and the program stops.
    endObserver_ = QObject::connect(playerItem.get(), &PlayerItem::didPlayToEndTime, this,
        [this, weakItem = std::weak_ptr<MediaFile>(item), weakBlock = std::weak_ptr<MediaBlock>(block)] {
            auto item = weakItem.lock();
            auto block = weakBlock.lock();
            if (!item || !block) {
                stop();
                return;
            }
            advance(item, block);
        });
    // A file that cannot be played never ends: its failure ends it. Queued,
    // so that the start that made the item has finished before it is skipped.
    watchedItem_ = playerItem;
    auto onStatus = [this, weakPlayerItem = std::weak_ptr<PlayerItem>(playerItem),
                        weakItem = std::weak_ptr<MediaFile>(item), weakBlock = std::weak_ptr<MediaBlock>(block)] {
        const auto playerItem = weakPlayerItem.lock();
        if (!playerItem || playerItem != watchedItem_.lock())
            return;
        if (playerItem->status() == PlayerItem::Status::ReadyToPlay) {
            failuresInARow_ = 0;
            return;
        }
        if (playerItem->status() != PlayerItem::Status::Failed)
            return;
        auto item = weakItem.lock();
        auto block = weakBlock.lock();
        if (!item || !block) {
            stop();
            return;
        }
        skipFailed(playerItem, item, block);
    };
    if (playerItem->status() != PlayerItem::Status::Unknown) // loaded ahead: it has reported already
        QMetaObject::invokeMethod(this, onStatus, Qt::QueuedConnection);
    failureObserver_ = QObject::connect(playerItem.get(), &PlayerItem::statusChanged, this, std::move(onStatus),
        Qt::QueuedConnection);
}

void PlaylistEngine::observePlayability(const std::shared_ptr<PlayerItem>& playerItem,
    const std::shared_ptr<MediaFile>& item)
{
    // Every view of the item learns at once whether its file plays.
    QObject::connect(playerItem.get(), &PlayerItem::statusChanged, this,
        [this, raw = playerItem.get(), weakItem = std::weak_ptr<MediaFile>(item)] {
            auto item = weakItem.lock();
            if (!item)
                return;
            if (raw->status() == PlayerItem::Status::Failed) {
                unplayable_.insert(item->id());
                item->setPlaybackError(raw->errorString());
                // A file that broke while on air (changed or cut short under
                // it) ends as it ends; its failure is said all the same.
                if (raw->wasReady() && currentItem() == item)
                    noticeFailure(item, raw->errorString());
            } else if (raw->status() == PlayerItem::Status::ReadyToPlay) {
                unplayable_.erase(item->id());
                if (!item->playbackError().isEmpty())
                    item->setPlaybackError({});
            }
        });
}

void PlaylistEngine::dropFailedPreload(const std::shared_ptr<PlayerItem>& playerItem)
{
    // An item loaded ahead (or joined onto the end of the one on air) that
    // cannot be played must not start silently at that end: it is dropped,
    // and the end of the item on air cuts to it afresh, where its failure
    // skips it.
    if (preloaded_ && preloaded_->playerItem.lock() == playerItem
        && (preloaded_->joined || preloaded_->player != activePlayer()))
        clearPreload();
}

void PlaylistEngine::noticeFailure(const std::shared_ptr<MediaFile>& item, const QString& error)
{
    setPlaybackFailure(PlaybackFailure { item, error });
    if (!failureTimer_) {
        failureTimer_ = clock_.createTimer(
            [self = QPointer<PlaylistEngine>(this)] {
                if (self)
                    self->setPlaybackFailure(std::nullopt);
            },
            true);
    }
    failureTimer_->start(kFailureNoticeSeconds);
}

void PlaylistEngine::skipFailed(const std::shared_ptr<PlayerItem>& playerItem, const std::shared_ptr<MediaFile>& item,
    const std::shared_ptr<MediaBlock>& block)
{
    Operation operation(*this);
    if (ramp_)
        return; // the fade to black's action decides what comes next
    ++failuresInARow_;
    removeEndObserver();
    if (activePlayer()->currentItem() == playerItem)
        activePlayer()->replaceCurrentItem(nullptr);
    noticeFailure(item, playerItem->errorString());
    // Paused while the file was opening: what comes next takes its place but
    // waits for the operator's play, as the failed item would have.
    const bool wasPaused = !isPlaying_;
    advance(item, block, true);
    if (wasPaused && isPlaying_)
        togglePlayPause();
}

std::size_t PlaylistEngine::itemsInShow() const
{
    std::size_t count = 0;
    for (const auto* list : { &blocks_, &scheduleBlocks_ }) {
        for (const auto& b : *list) {
            if (b)
                count += b->items().size();
        }
    }
    return count;
}

void PlaylistEngine::advance(const std::shared_ptr<MediaFile>& item, const std::shared_ptr<MediaBlock>& block,
    bool failed)
{
    Operation operation(*this);
    if (ramp_)
        return; // the fade to black's action decides what comes next
    if (!isKnownBlock(block->id())) {
        stop();
        return;
    }
    const auto items = block->items(); // the hook below may edit the block
    const int i = indexOf(items, item->id());
    // Membership first: a looping item removed from its block would
    // otherwise loop for ever with nothing on air that the engine can find.
    if (i < 0) {
        stop();
        return;
    }
    if (item->loop() && !failed) {
        start(item, block, true);
        return;
    }
    if (i + 1 < static_cast<int>(items.size())) {
        start(items[static_cast<std::size_t>(i + 1)], block, false);
        return;
    }
    if (block->loop()) {
        // A whole pass of failures: another pass would fail the same way.
        if (failed && failuresInARow_ >= items.size()) {
            stop();
            return;
        }
        const auto count = block->loopCount();
        const bool usedUp = count > 0 && count <= currentBlockLoopIteration_ + 1;
        if (!usedUp && !items.empty()) {
            ++currentBlockLoopIteration_;
            start(items.front(), block, false);
            return;
        }
    }
    // More items failed in a row than the show holds, with nothing opened
    // in between: whatever the block end would start next has failed already.
    if (failed && failuresInARow_ > itemsInShow()) {
        stop();
        return;
    }
    handleBlockEnd(block);
}

std::optional<PlaylistEngine::Upcoming> PlaylistEngine::upcoming(const MediaFile& item, const MediaBlock& block) const
{
    if (item.loop())
        return std::nullopt;
    const auto& items = block.items();
    const int i = indexOf(items, item.id());
    if (i < 0)
        return std::nullopt;
    const std::int64_t n = currentBlockLoopIteration_;
    Upcoming candidate;
    if (i + 1 < static_cast<int>(items.size())) {
        candidate = { items[static_cast<std::size_t>(i + 1)], n };
    } else {
        if (!block.loop())
            return std::nullopt;
        if (block.loopCount() > 0 && block.loopCount() <= n + 1)
            return std::nullopt;
        if (items.empty())
            return std::nullopt;
        candidate = { items.front(), n + 1 };
    }
    // An item that failed is not loaded ahead or crossfaded into: the end
    // of this one cuts to it, and its failure skips it.
    if (!candidate.item || candidate.item->isLive() || candidate.item->playableURL().isEmpty()
        || unplayable_.count(candidate.item->id()))
        return std::nullopt;
    return candidate;
}

void PlaylistEngine::checkUpcomingCrossfade()
{
    if (crossfade_ || ramp_ || !isPlaying_ || isLiveOnAir_)
        return;
    auto item = currentItem();
    auto blk = currentBlock();
    if (!item || !blk)
        return;
    const auto window = playbackWindow();
    if (!window)
        return;
    const auto next = upcoming(*item, *blk);
    if (!next)
        return;
    const double left = window->end - activePlayer()->currentTime();
    const double length = crossfadeLength(*next->item);
    if (left <= length + kPreloadLead)
        preload(next->item);
    if (left <= length) {
        if (next->item->playableURL().isEmpty())
            return;
        currentBlockLoopIteration_ = next->iteration;
        beginCrossfade(next->item, blk, length);
    }
}

void PlaylistEngine::preload(const std::shared_ptr<MediaFile>& item, float volume)
{
    if (crossfade_ || (preloaded_ && preloaded_->itemID == item->id()) || item->playableURL().isEmpty())
        return;
    if (preloaded_ && preloaded_->joined)
        clearPreload();
    const auto player = idlePlayer();
    const auto playerItem = makeAheadItem(item, volume);
    player->replaceCurrentItem(playerItem);
    player->pause();
    if (item->inPoint() > 0)
        player->seek(item->inPoint(), SeekTolerance::Zero);
    preloaded_ = Preloaded { item->id(), player, playerItem };
}

std::shared_ptr<PlayerItem> PlaylistEngine::makeAheadItem(const std::shared_ptr<MediaFile>& item, float volume)
{
    // Through the spare tap: it sounds while the item on air still does (a
    // crossfade) or right after its last sample (a join).
    const auto playerItem = makePlayerItem(item, spareTap(), volume);
    QObject::connect(playerItem.get(), &PlayerItem::statusChanged, this,
        [this, weak = std::weak_ptr<PlayerItem>(playerItem)] {
            if (auto failed = weak.lock(); failed && failed->status() == PlayerItem::Status::Failed)
                dropFailedPreload(failed);
        },
        Qt::QueuedConnection);
    return playerItem;
}

void PlaylistEngine::armJoin(const std::shared_ptr<MediaFile>& item, const std::shared_ptr<MediaBlock>& block)
{
    // Cuts join; so does a looping item in either style (its restart is a cut).
    if (isLiveOnAir_ || crossfade_ || !item || !block || !activePlayer()->canQueue()
        || (transitionStyle_ != TransitionStyle::cut && !item->loop()))
        return;
    std::shared_ptr<MediaFile> next = item;
    if (!item->loop()) {
        const auto after = upcoming(*item, *block);
        if (!after)
            return;
        next = after->item;
    }
    if (!next || next->isLive() || next->playableURL().isEmpty())
        return;
    clearPreload();
    // At the gain it will play with: it may start before the main thread
    // hears of it (a loop restarts at full level: it has no fades of its own).
    const double level = item->loop() ? 1.0 : fade_->current();
    const auto player = activePlayer();
    const auto playerItem = makeAheadItem(next, effectiveVolume(*next, *block) * static_cast<float>(level));
    if (player->queueNext(playerItem, next->inPoint()))
        preloaded_ = Preloaded { next->id(), player, playerItem, true };
}

void PlaylistEngine::armJoinWhenDue()
{
    const auto item = currentItem();
    joinDueFor_ = item ? item->id() : QUuid();
    checkDueJoin();
}

void PlaylistEngine::checkDueJoin()
{
    if (joinDueFor_.isNull())
        return;
    const auto item = currentItem();
    if (!item || item->id() != joinDueFor_) {
        joinDueFor_ = {};
        return;
    }
    // Its length unknown yet (the file still opening), it waits.
    const auto window = playbackWindow();
    if (!window || window->end - activePlayer()->currentTime() > kJoinLead)
        return;
    joinDueFor_ = {};
    armJoin(item, currentBlock());
}

bool PlaylistEngine::adoptJoin(const std::shared_ptr<MediaFile>& item, const std::shared_ptr<MediaBlock>& block,
    bool isLoopRestart)
{
    if (!preloaded_ || !preloaded_->joined || preloaded_->itemID != item->id() || preloaded_->player != activePlayer()
        || crossfade_)
        return false;
    // The player went on with the queued item from the last sample of the
    // one that ended (it did not when the join came too late).
    const auto playerItem = preloaded_->playerItem.lock();
    if (!playerItem || activePlayer()->currentItem() != playerItem)
        return false;
    preloaded_.reset();
    removeEndObserver();
    airTap_ = spareTap();
    setCurrentBlockID(block->id());
    setCurrentItemID(item->id());
    beginFade(*item, isLoopRestart, false);
    levelMeter_->reset();
    secondTap_->reset();
    observeGain(item, block);
    watchEnd(playerItem, item, block);
    applyGain();
    setIsPlaying(true);
    setCanSeek(true);
    armJoinWhenDue();
    return true;
}

void PlaylistEngine::handleBlockEnd(const std::shared_ptr<MediaBlock>& block)
{
    Operation operation(*this);
    emit blockEnded(block);
    if (blockEndHandler_) {
        // A copy: the hook may replace itself while it runs.
        const auto handler = blockEndHandler_;
        if (handler(block))
            return; // taken over: the last item stands at its end for the schedule to replace
    }
    if (block->endBehavior() != BlockEndBehavior::cueNextBlock) {
        stop();
        return;
    }
    const auto blocks = blocks_;
    const int position = [&] {
        for (std::size_t i = 0; i < blocks.size(); ++i) {
            if (blocks[i] && blocks[i]->id() == block->id())
                return static_cast<int>(i);
        }
        return -1;
    }();
    if (position < 0) {
        stop();
        return;
    }
    for (std::size_t i = static_cast<std::size_t>(position) + 1; i < blocks.size(); ++i) {
        const auto& next = blocks[i];
        if (next && !next->items().empty()) {
            const auto first = next->items().front();
            stop();
            cue(first, next);
            return;
        }
    }
    stop();
}

void PlaylistEngine::endBlockNow()
{
    Operation operation(*this);
    auto blk = currentBlock();
    if (!blk)
        return;
    removeEndObserver();
    handleBlockEnd(blk);
}

} // namespace tessarin
