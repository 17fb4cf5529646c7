#include "platform/player/FfmpegMediaPlayer.h"

#include "platform/MainThread.h"
#include "platform/player/AudioOutput.h"
#include "platform/player/ItemPipeline.h"
#include "platform/player/PlayerItem.h"

#include <QPointer>

namespace tessarin {

FfmpegMediaPlayer::FfmpegMediaPlayer()
    : FfmpegMediaPlayer(SdlAudioOutput::shared(), HostClock::shared())
{
}

FfmpegMediaPlayer::FfmpegMediaPlayer(std::shared_ptr<AudioOutput> output, Clock& clock)
    : MediaPlayer(clock)
    , output_(std::move(output))
{
}

FfmpegMediaPlayer::~FfmpegMediaPlayer()
{
    dropPipeline();
}

void FfmpegMediaPlayer::dropPipeline()
{
    if (!pipeline_)
        return;
    if (output_)
        output_->removeSource(pipeline_.get());
    pipeline_->shutdown();
    if (auto item = currentItem())
        item->setSource(nullptr);
    pipeline_.reset();
    owner_.reset();
}

void FfmpegMediaPlayer::completeSeek(bool finished)
{
    if (!pendingCompletion_)
        return;
    auto done = std::move(pendingCompletion_);
    pendingCompletion_ = nullptr;
    postToMain([done, finished] { done(finished); });
}

void FfmpegMediaPlayer::replaceCurrentItem(const std::shared_ptr<PlayerItem>& item)
{
    if (item && item == currentItem())
        return;
    dropPipeline();
    completeSeek(false);
    if (!item || !item->claim()) {
        // An item plays in one player, once; a second use leaves the player empty.
        setCurrentItemValue(nullptr);
        emit currentItemChanged();
        return;
    }
    auto pipeline = std::make_shared<ItemPipeline>(item, playing_, muted_, looping_);
    pipeline_ = pipeline;
    owner_ = std::make_shared<QPointer<FfmpegMediaPlayer>>(this);
    item->setSource(pipeline);
    setCurrentItemValue(item);

    const auto owner = owner_;
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
            if (!self || !p || p != self->pipeline_ || seekId != self->seekId_)
                return;
            self->completeSeek(true);
            self->notifyTimeObservers();
        });
    };
    events.ended = [owner, weak, item] {
        postToMain([owner, weak, item] {
            FfmpegMediaPlayer* self = *owner;
            auto p = weak.lock();
            if (!self || !p || p != self->pipeline_)
                return;
            if (self->playing_) {
                self->playing_ = false;
                emit self->rateChanged();
            }
            item->postEnd();
        });
    };
    if (output_)
        output_->addSource(pipeline);
    pipeline->start(std::move(events));
    emit currentItemChanged();
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

bool FfmpegMediaPlayer::playAfter(MediaPlayer& previous)
{
    auto* before = dynamic_cast<FfmpegMediaPlayer*>(&previous);
    if (!before || before == this || !before->pipeline_ || !pipeline_ || playing_)
        return false;
    pipeline_->armJoin();
    before->pipeline_->setSuccessor(pipeline_);
    return true;
}

bool FfmpegMediaPlayer::cutToItemOf(MediaPlayer& source, const AudioMix& mix, MediaPlayer& stopping)
{
    auto* from = dynamic_cast<FfmpegMediaPlayer*>(&source);
    auto* stop = dynamic_cast<FfmpegMediaPlayer*>(&stopping);
    if (!from || !stop || from == this || from == stop || !from->pipeline_ || !from->owner_ || !output_
        || from->output_ != output_ || (stop->pipeline_ && stop->output_ != output_))
        return false;
    auto item = from->currentItem();
    if (!item)
        return false;
    auto incoming = std::move(from->pipeline_);
    auto owner = std::move(from->owner_);
    const bool fromWasPlaying = from->playing_;
    from->playing_ = false;
    from->setCurrentItemValue(nullptr);
    // A seek of the item still under way goes on; it now lands here.
    completeSeek(false);
    pendingCompletion_ = std::move(from->pendingCompletion_);
    from->pendingCompletion_ = nullptr;
    if (stop != this)
        dropPipeline(); // this player's own item gives way too

    item->setAudioMix(mix);
    incoming->setMuted(muted_);
    incoming->setLooping(looping_);
    // The new item's first sample takes the place of the stopping one's
    // next: both change between the same two renders.
    const auto outgoing = stop->pipeline_;
    output_->betweenRenders([&] {
        incoming->setTap(mix.tap);
        incoming->setPlaying(true);
        if (outgoing)
            outgoing->setPlaying(false);
    });
    const bool stopWasPlaying = stop->playing_;
    if (stop == this)
        dropPipeline();
    else
        stop->playing_ = false;
    pipeline_ = std::move(incoming);
    owner_ = std::move(owner);
    *owner_ = this;
    seekId_ = from->seekId_;
    setCurrentItemValue(item);
    const bool wasPlaying = playing_;
    playing_ = true;

    emit from->currentItemChanged();
    if (fromWasPlaying)
        emit from->rateChanged();
    if (stop != this && stopWasPlaying) {
        emit stop->rateChanged();
        stop->notifyTimeObservers();
    }
    emit currentItemChanged();
    if (!wasPlaying)
        emit rateChanged();
    notifyTimeObservers();
    return true;
}

void FfmpegMediaPlayer::pause()
{
    if (!playing_) {
        if (pipeline_)
            pipeline_->setPlaying(false); // undoes a join, even one already started
        return;
    }
    playing_ = false;
    if (pipeline_)
        pipeline_->setPlaying(false);
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
    pipeline_->seek(seconds, tolerance, ++seekId_);
    if (playing_)
        pipeline_->setPlaying(true); // an ended item plays on from the new position
}

void FfmpegMediaPlayer::setMuted(bool muted)
{
    muted_ = muted;
    if (pipeline_)
        pipeline_->setMuted(muted);
}

void FfmpegMediaPlayer::setLooping(bool looping)
{
    looping_ = looping;
    if (pipeline_)
        pipeline_->setLooping(looping);
}

std::uint64_t FfmpegMediaPlayer::droppedFrames() const
{
    return pipeline_ ? pipeline_->droppedFrames() : 0;
}

} // namespace tessarin
