#include "platform/player/PlayerAudioSource.h"

#include "platform/player/AudioFormat.h"
#include "platform/player/ItemPipeline.h"

namespace tessarin {

PlayerAudioSource::Released PlayerAudioSource::setCurrent(std::shared_ptr<ItemPipeline> pipeline)
{
    Released released { { std::move(current_), std::move(queued_), std::move(left_) } };
    current_ = std::move(pipeline);
    return released;
}

PlayerAudioSource::Released PlayerAudioSource::setQueued(std::shared_ptr<ItemPipeline> pipeline)
{
    Released released { { std::move(queued_), std::move(left_), nullptr } };
    queued_ = std::move(pipeline);
    return released;
}

void PlayerAudioSource::render(float* mix, int frames, const AudioRenderContext& context)
{
    if (!current_)
        return;
    const int ended = current_->render(mix, frames, context);
    if (ended < 0 || !switchAt(ended, context))
        return;
    AudioRenderContext at = context;
    at.hostTime += ended / static_cast<double>(AudioOutput::kSampleRate);
    // The queued item's first sample follows the last one mixed; an item
    // that ends again inside the same buffer waits for the next render.
    if (ended < frames)
        current_->render(mix + static_cast<std::ptrdiff_t>(ended) * AudioOutput::kChannels, frames - ended, at);
}

bool PlayerAudioSource::switchAt(int offset, const AudioRenderContext& context)
{
    // One switch until the main thread has followed it: the pipeline left
    // is kept here, not freed on this thread.
    if (!queued_ || left_)
        return false;
    left_.swap(current_);
    current_.swap(queued_);
    current_->startAt(context.hostTime + offset / static_cast<double>(AudioOutput::kSampleRate));
    return true;
}

} // namespace tessarin
