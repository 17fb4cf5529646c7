// Selection, cue and transport: the operations through which the operator,
// the shortcuts and the schedule drive the engine.
#include "engine/PlaylistEngine.h"

#include "engine/AudioLevelTap.h"
#include "engine/ProgramPictureSize.h"
#include "platform/MainThread.h"
#include "platform/player/MediaPlayer.h"
#include "platform/player/PlayerItem.h"

#include <QCoreApplication>
#include <QPointer>

#include <algorithm>
#include <cmath>

namespace tessarin {
namespace {

// Past this many seconds into an item, "previous" restarts it.
constexpr double kRestartThreshold = 3.0;

} // namespace

PlaylistEngine::Action PlaylistEngine::takeWithFreshLoopCount(const std::shared_ptr<MediaFile>& item,
    const std::shared_ptr<MediaBlock>& block)
{
    return [self = QPointer<PlaylistEngine>(this), item, block] {
        if (!self)
            return;
        self->currentBlockLoopIteration_ = 0;
        self->start(item, block, false);
    };
}

PlaylistEngine::Action PlaylistEngine::takeWithinBlock(const std::shared_ptr<MediaFile>& item,
    const std::shared_ptr<MediaBlock>& block)
{
    return [self = QPointer<PlaylistEngine>(this), item, block] {
        if (self)
            self->start(item, block, false);
    };
}

void PlaylistEngine::select(const std::shared_ptr<MediaFile>& item, const std::shared_ptr<MediaBlock>& block)
{
    Operation operation(*this);
    if (!item)
        return;
    if (selectedItem_ && selectedItem_->id() == item->id()) {
        setSelectedItem(nullptr);
        setSelectedBlock(nullptr);
        return;
    }
    setSelectedItem(item);
    setSelectedBlock(block);
}

void PlaylistEngine::cue(const std::shared_ptr<MediaFile>& item, const std::shared_ptr<MediaBlock>& block)
{
    Operation operation(*this);
    if (!item || !block || item->isLive() || item->playableURL().isEmpty())
        return;
    setCuedItem(item);
    setCuedBlock(block);
    dropCuePreview();
    QObject::disconnect(cuedBlockObserver_);
    cuedBlockObserver_ = QObject::connect(block.get(), &MediaBlock::itemsChanged, this, [this] { releaseCueOutsideShow(); });
    auto playerItem = PlayerItem::create(item->playableURL().toString());
    // Its pictures at the program's size rather than the cue bar's, as
    // they may go to air.
    playerItem->setPictureSizeHint(programPictureSize_->size());
    cuePreview_ = CuePreview { playerItem, item->playableURL(), item->inPoint() };
    observePlayability(playerItem, item);
    previewPlayer_->replaceCurrentItem(playerItem);
    previewPlayer_->pause();
    // Exactly at the in-point: a keyframe before it would show material
    // from before the IN point in the cue bar.
    previewPlayer_->seek(item->inPoint(), SeekTolerance::Zero);
}

void PlaylistEngine::clearCue()
{
    Operation operation(*this);
    setCuedItem(nullptr);
    setCuedBlock(nullptr);
    QObject::disconnect(cuedBlockObserver_);
    unloadPreview();
}

void PlaylistEngine::unloadPreview()
{
    dropCuePreview();
    previewPlayer_->pause();
    previewPlayer_->replaceCurrentItem(nullptr);
}

void PlaylistEngine::releaseCueOutsideShow()
{
    if (!cuedItem_ || !cuedBlock_ || !previewPlayer_->currentItem())
        return;
    const auto listed = block(cuedBlock_->id());
    const QUuid id = cuedItem_->id();
    const bool held = listed && std::any_of(listed->items().begin(), listed->items().end(),
                                            [&](const auto& item) { return item && item->id() == id; });
    if (!held)
        unloadPreview();
}

void PlaylistEngine::dropCuePreview()
{
    cuePreview_.reset();
}

void PlaylistEngine::takeCued()
{
    if (!cuedItem_ || !cuedBlock_)
        return;
    transition(*cuedItem_, *cuedBlock_, takeWithFreshLoopCount(cuedItem_, cuedBlock_));
}

void PlaylistEngine::play(const std::shared_ptr<MediaBlock>& block)
{
    if (!block || block->items().empty())
        return;
    const auto first = block->items().front();
    transition(*first, *block, takeWithFreshLoopCount(first, block));
}

void PlaylistEngine::play(const std::shared_ptr<MediaFile>& item, const std::shared_ptr<MediaBlock>& block)
{
    if (!item || !block)
        return;
    transition(*item, *block, takeWithFreshLoopCount(item, block));
}

void PlaylistEngine::togglePlayPause()
{
    Operation operation(*this);
    if (isLiveOnAir_) {
        stopLiveSession();
        setIsPlaying(false);
        resetReadouts();
        return;
    }
    if (isPlaying_) {
        playerA_->pause();
        playerB_->pause();
        setIsPlaying(false);
        levelMeter_->reset();
        return;
    }
    if (activePlayer()->currentItem()) {
        activePlayer()->play();
        if (crossfade_)
            crossfade_->outgoing->play();
        setIsPlaying(true);
        return;
    }
    auto item = currentItem();
    auto blk = currentBlock();
    if (item && blk) {
        start(item, blk, false);
        return;
    }
    if (auto target = resumeTarget()) {
        transition(*target->first, *target->second, takeWithFreshLoopCount(target->first, target->second));
        return;
    }
    const auto blocks = blocks_;
    for (const auto& b : blocks) {
        if (b && !b->items().empty()) {
            play(b);
            return;
        }
    }
}

std::optional<std::pair<std::shared_ptr<MediaFile>, std::shared_ptr<MediaBlock>>> PlaylistEngine::resumeTarget() const
{
    const auto findIn = [](const MediaBlock& b, const QUuid& id) -> std::shared_ptr<MediaFile> {
        for (const auto& item : b.items()) {
            if (item && item->id() == id)
                return item;
        }
        return nullptr;
    };
    if (selectedItem_ && selectedBlock_) {
        if (auto found = block(selectedBlock_->id()); found && findIn(*found, selectedItem_->id()))
            return std::make_pair(selectedItem_, found);
    }
    if (lastAired_) {
        if (auto found = block(lastAired_->block)) {
            if (auto item = findIn(*found, lastAired_->item))
                return std::make_pair(item, found);
        }
    }
    return std::nullopt;
}

void PlaylistEngine::stop()
{
    Operation operation(*this);
    if (currentBlockID_ && currentItemID_)
        lastAired_ = Aired { *currentBlockID_, *currentItemID_ };
    ramp_.reset();
    fadeInEnabled_ = false;
    fadeOutEnabled_ = false;
    fade_->set(1.0);
    removeEndObserver();
    stopLiveSession();
    dropGainObserver();
    resetPlayers();
    setIsPlaying(false);
    setCurrentBlockID(std::nullopt);
    setCurrentItemID(std::nullopt);
    setCanSeek(false);
    levelMeter_->reset();
    secondTap_->reset();
    resetReadouts();
}

void PlaylistEngine::playNext()
{
    auto blk = currentBlock();
    if (!blk)
        return;
    const auto i = currentItemIndex(*blk);
    const auto items = blk->items();
    if (!i || *i + 1 >= static_cast<int>(items.size()))
        return;
    const auto next = items[static_cast<std::size_t>(*i + 1)];
    transition(*next, *blk, takeWithinBlock(next, blk));
}

void PlaylistEngine::playPrevious()
{
    auto blk = currentBlock();
    if (!blk)
        return;
    const auto i = currentItemIndex(*blk);
    if (!i)
        return;
    const auto items = blk->items();
    const auto current = items[static_cast<std::size_t>(*i)];
    const double t = activePlayer()->currentTime();
    const bool restart = current->isLive() || *i == 0 || t - current->inPoint() > kRestartThreshold;
    const auto target = restart ? current : items[static_cast<std::size_t>(*i - 1)];
    transition(*target, *blk, takeWithinBlock(target, blk));
}

bool PlaylistEngine::hasNext() const
{
    auto blk = currentBlock();
    if (!blk)
        return false;
    const auto i = currentItemIndex(*blk);
    return i && *i + 1 < static_cast<int>(blk->items().size());
}

void PlaylistEngine::seek(double toProgress, bool precise, std::function<void(bool)> completion)
{
    Operation operation(*this);
    const auto window = canSeek_ ? playbackWindow() : std::nullopt;
    if (!window) {
        if (completion)
            postToMain([completion = std::move(completion)] { completion(false); });
        return;
    }
    const double q = toProgress >= 0 ? std::min(toProgress, 1.0) : 0.0; // NaN gives 0
    // Whole units of 1/600 s, the media time of the players' timelines.
    const double target = std::round((window->start + q * (window->end - window->start)) * 600.0) / 600.0;
    activePlayer()->seek(target, precise ? SeekTolerance::Zero : SeekTolerance::Default, std::move(completion));
    updateTimecodes(target);
}

void PlaylistEngine::jump(double seconds)
{
    Operation operation(*this);
    const auto window = canSeek_ ? playbackWindow() : std::nullopt;
    if (!window)
        return;
    const double t = activePlayer()->currentTime();
    seek((t + seconds - window->start) / (window->end - window->start), true);
}

std::shared_ptr<MediaBlock> PlaylistEngine::addBlock()
{
    const QString name = QCoreApplication::translate("PlaylistEngine", "Blocco %1").arg(blocks_.size() + 1);
    auto blk = std::make_shared<MediaBlock>(name, QUuid::createUuid());
    Blocks blocks = blocks_;
    blocks.push_back(blk);
    setBlocks(std::move(blocks));
    return blk;
}

void PlaylistEngine::removeBlock(const std::shared_ptr<MediaBlock>& blk)
{
    Operation operation(*this);
    if (!blk)
        return;
    const QUuid id = blk->id();
    if (currentBlockID_ && *currentBlockID_ == id)
        stop();
    if (selectedBlock_ && selectedBlock_->id() == id) {
        setSelectedItem(nullptr);
        setSelectedBlock(nullptr);
    }
    Blocks blocks = blocks_;
    std::erase_if(blocks, [&](const auto& b) { return b && b->id() == id; });
    setBlocks(std::move(blocks));
}

void PlaylistEngine::observeGain(const std::shared_ptr<MediaFile>& item, const std::shared_ptr<MediaBlock>& block)
{
    dropGainObserver();
    const QUuid id = item->id();
    const auto onChange = [this, id] {
        if (currentItemID_ && *currentItemID_ == id)
            applyGain();
    };
    // Queued: the changed values are stored by the time the gain is applied.
    gainObserver_.push_back(QObject::connect(item.get(), &MediaFile::changed, this, onChange, Qt::QueuedConnection));
    if (block)
        gainObserver_.push_back(QObject::connect(block.get(), &MediaBlock::changed, this, onChange, Qt::QueuedConnection));
}

void PlaylistEngine::dropGainObserver()
{
    for (const auto& connection : gainObserver_)
        QObject::disconnect(connection);
    gainObserver_.clear();
}

} // namespace tessarin
