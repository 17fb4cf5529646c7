#include "platform/player/FfmpegMediaPlayer.h"

#include "platform/MainThread.h"
#include "platform/player/AudioOutput.h"
#include "platform/player/ItemPipeline.h"
#include "platform/player/PlayerAudioSource.h"
#include "platform/player/PlayerItem.h"

#include <QPointer>

#include <algorithm>
#include <iterator>

namespace tessarin {

FfmpegMediaPlayer::FfmpegMediaPlayer()
    : FfmpegMediaPlayer(SdlAudioOutput::shared(), HostClock::shared())
{
}

FfmpegMediaPlayer::FfmpegMediaPlayer(std::shared_ptr<AudioOutput> output, Clock& clock)
    : MediaPlayer(clock)
    , output_(std::move(output))
    , sound_(std::make_shared<PlayerAudioSource>())
{
    if (output_)
        output_->addSource(sound_);
}

FfmpegMediaPlayer::~FfmpegMediaPlayer()
{
    dropPipelines();
    if (output_)
        output_->removeSource(sound_.get());
}

void FfmpegMediaPlayer::changeSound(const std::function<void()>& change)
{
    if (output_)
        output_->betweenRenders(change);
    else
        change();
}

void FfmpegMediaPlayer::release(const std::shared_ptr<ItemPipeline>& pipeline)
{
    if (!pipeline)
        return;
    pipeline->shutdown();
    if (pipeline->owner && *pipeline->owner == this)
        *pipeline->owner = nullptr;
    // Its item shows and clocks nothing more.
    const auto current = currentItem();
    if (current && current->source() == pipeline)
        current->setSource(nullptr);
    if (queuedItem_ && queuedItem_->source() == pipeline)
        queuedItem_->setSource(nullptr);
}

void FfmpegMediaPlayer::releaseAll(const PlayerAudioSource::Released& released, const std::shared_ptr<ItemPipeline>& keep)
{
    const std::shared_ptr<ItemPipeline> all[] = { pipeline_, queuedPipeline_, released.pipelines[0],
        released.pipelines[1], released.pipelines[2] };
    for (std::size_t i = 0; i < std::size(all); ++i)
        if (all[i] != keep && std::find(all, all + i, all[i]) == all + i)
            release(all[i]);
    pipeline_.reset();
    queuedPipeline_.reset();
    queuedItem_.reset();
}

void FfmpegMediaPlayer::dropPipelines()
{
    PlayerAudioSource::Released released;
    changeSound([&] { released = sound_->setCurrent(nullptr); });
    releaseAll(released, nullptr);
}

void FfmpegMediaPlayer::completeSeek(bool finished)
{
    if (!pendingCompletion_)
        return;
    auto done = std::move(pendingCompletion_);
    pendingCompletion_ = nullptr;
    postToMain([done, finished] { done(finished); });
}

std::shared_ptr<ItemPipeline> FfmpegMediaPlayer::carriedPipeline(const PlayerItem& item)
{
    auto pipeline = std::dynamic_pointer_cast<ItemPipeline>(item.source());
    if (!pipeline || !pipeline->owner || *pipeline->owner || pipeline->isShutDown())
        return nullptr;
    return pipeline;
}

std::shared_ptr<ItemPipeline> FfmpegMediaPlayer::openPipeline(const std::shared_ptr<PlayerItem>& item, bool playing)
{
    auto pipeline = std::make_shared<ItemPipeline>(item, playing, muted_, looping_);
    pipeline->owner = std::make_shared<QPointer<FfmpegMediaPlayer>>(this);
    item->setSource(pipeline);

    const auto owner = pipeline->owner;
    std::weak_ptr<ItemPipeline> weak = pipeline;
    ItemPipeline::Events events;
    events.opened = [item](bool ok, const QString& error) {
        postToMain([item, ok, error] {
            if (ok)
                item->markReady();
            else
                item->markFailed(error);
        });
    };
    events.seekDone = [owner, weak](std::uint64_t seekId) {
        postToMain([owner, weak, seekId] {
            FfmpegMediaPlayer* self = *owner;
            auto p = weak.lock();
            if (!self || !p || p != self->pipeline_ || seekId != p->lastSeekId)
                return;
            self->completeSeek(true);
            self->notifyTimeObservers();
        });
    };
    // Posted before the end, so the item is failed when its end is handled.
    events.endedShort = [item](const QString& reason) {
        postToMain([item, reason] { item->markFailed(reason); });
    };
    events.ended = [owner, weak, item] {
        postToMain([owner, weak, item] {
            FfmpegMediaPlayer* self = *owner;
            auto p = weak.lock();
            if (self && p && p == self->pipeline_)
                self->pipelineEnded(item);
        });
    };
    pipeline->start(std::move(events));
    return pipeline;
}

void FfmpegMediaPlayer::pipelineEnded(const std::shared_ptr<PlayerItem>& item)
{
    // A pipeline without sound that no render ended (it ended by the host
    // clock): the queued one starts now if no render has started it yet.
    std::shared_ptr<ItemPipeline> left;
    changeSound([&] {
        if (!sound_->switched() && sound_->queued() && sound_->current() == pipeline_ && !item->hasAudio()) {
            sound_->queued()->startAt(HostClock::monotonicSeconds());
            auto released = sound_->setCurrent(sound_->queued());
            left = std::move(released.pipelines[0]);
        } else if (sound_->switched()) {
            left = sound_->takeLeft();
        }
    });
    if (left) {
        // The queued item sounds since the sample after this one's last.
        release(left);
        pipeline_ = std::move(queuedPipeline_);
        pipeline_->setPlaying(playing_);
        setCurrentItemValue(std::move(queuedItem_));
        emit currentItemChanged();
        notifyTimeObservers();
        item->postEnd();
        return;
    }
    if (playing_) {
        playing_ = false;
        emit rateChanged();
    }
    item->postEnd();
}

void FfmpegMediaPlayer::replaceCurrentItem(const std::shared_ptr<PlayerItem>& item)
{
    if (item && item == currentItem())
        return;
    completeSeek(false);
    const auto carried = item ? carriedPipeline(*item) : nullptr;
    if (!item || (!carried && !item->claim())) {
        // An item plays in one player, once; a second use leaves the player empty.
        dropPipelines();
        setCurrentItemValue(nullptr);
        emit currentItemChanged();
        return;
    }
    const auto pipeline = carried ? carried : openPipeline(item, playing_);
    if (carried)
        *carried->owner = this;
    PlayerAudioSource::Released released;
    const auto outgoing = pipeline_;
    const bool playing = playing_;
    // The new item takes the place of the old one between the same two
    // renders: its first sample follows the old one's last.
    changeSound([&] {
        if (carried) {
            carried->setMuted(muted_);
            carried->setLooping(looping_);
            carried->setTap(item->audioMix().tap);
            carried->setPlaying(playing);
        }
        if (outgoing)
            outgoing->setPlaying(false);
        released = sound_->setCurrent(pipeline);
    });
    releaseAll(released, pipeline);
    pipeline_ = pipeline;
    setCurrentItemValue(item);
    emit currentItemChanged();
}

bool FfmpegMediaPlayer::queueNext(const std::shared_ptr<PlayerItem>& item, double from)
{
    if (item && (!pipeline_ || item == currentItem() || item == queuedItem_))
        return false;
    bool tooLate = false;
    changeSound([&] { tooLate = sound_->switched(); });
    if (tooLate)
        return false; // the queued item already plays: its end follows
    std::shared_ptr<ItemPipeline> next;
    if (item) {
        next = carriedPipeline(*item);
        if (next)
            *next->owner = this;
        else if (item->claim())
            next = openPipeline(item, false);
        else
            return false;
        next->setPlaying(false);
        if (from > 0.0)
            next->seek(from, SeekTolerance::Zero, next->lastSeekId = ++seekIds_);
    }
    PlayerAudioSource::Released released;
    bool switched = false;
    changeSound([&] {
        switched = sound_->switched();
        if (!switched)
            released = sound_->setQueued(next);
    });
    if (switched) {
        // A render went on with the old queued item meanwhile.
        release(next);
        if (item)
            item->setSource(nullptr);
        return false;
    }
    release(queuedPipeline_);
    queuedPipeline_ = std::move(next);
    queuedItem_ = queuedPipeline_ ? item : nullptr;
    return item != nullptr;
}

std::shared_ptr<PlayerItem> FfmpegMediaPlayer::takeCurrentItem()
{
    auto item = currentItem();
    if (!item || !pipeline_ || !pipeline_->owner)
        return nullptr;
    completeSeek(false);
    PlayerAudioSource::Released released;
    const auto taken = pipeline_;
    changeSound([&] {
        taken->setPlaying(false);
        released = sound_->setCurrent(nullptr);
    });
    // The pipeline goes with the item; its events wait for the next player.
    *taken->owner = nullptr;
    releaseAll(released, taken);
    setCurrentItemValue(nullptr);
    if (playing_) {
        playing_ = false;
        emit rateChanged();
    }
    emit currentItemChanged();
    return item;
}

bool FfmpegMediaPlayer::cutTo(const std::shared_ptr<PlayerItem>& item)
{
    if (!item || !carriedPipeline(*item))
        return false;
    const bool wasPlaying = playing_;
    playing_ = true;
    replaceCurrentItem(item);
    if (!wasPlaying)
        emit rateChanged();
    notifyTimeObservers();
    return true;
}

void FfmpegMediaPlayer::play()
{
    if (playing_)
        return;
    playing_ = true;
    if (pipeline_)
        pipeline_->setPlaying(true);
    emit rateChanged();
    notifyTimeObservers();
}

void FfmpegMediaPlayer::pause()
{
    if (!playing_)
        return;
    playing_ = false;
    if (pipeline_)
        pipeline_->setPlaying(false);
    // A render may have gone on with the queued item already.
    if (queuedPipeline_)
        queuedPipeline_->setPlaying(false);
    emit rateChanged();
    notifyTimeObservers();
}

double FfmpegMediaPlayer::currentTime() const
{
    return pipeline_ ? pipeline_->currentTime() : 0.0;
}

void FfmpegMediaPlayer::seek(double seconds, SeekTolerance tolerance, SeekCompletion completion)
{
    completeSeek(false); // a newer seek cancels the pending one
    if (!pipeline_) {
        if (completion)
            postToMain([completion] { completion(false); });
        return;
    }
    pendingCompletion_ = std::move(completion);
    pipeline_->seek(seconds, tolerance, pipeline_->lastSeekId = ++seekIds_);
    if (playing_)
        pipeline_->setPlaying(true); // an ended item plays on from the new position
}

void FfmpegMediaPlayer::setMuted(bool muted)
{
    muted_ = muted;
    if (pipeline_)
        pipeline_->setMuted(muted);
    if (queuedPipeline_)
        queuedPipeline_->setMuted(muted);
}

void FfmpegMediaPlayer::setLooping(bool looping)
{
    looping_ = looping;
    if (pipeline_)
        pipeline_->setLooping(looping);
    if (queuedPipeline_)
        queuedPipeline_->setLooping(looping);
}

std::uint64_t FfmpegMediaPlayer::soundShortRenders()
{
    return ItemPipeline::shortRenders();
}

std::uint64_t FfmpegMediaPlayer::droppedFrames() const
{
    return pipeline_ ? pipeline_->droppedFrames() : 0;
}

} // namespace tessarin
