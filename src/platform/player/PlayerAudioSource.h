#pragma once
// The sound of one player, its single source on the audio output: the
// pipeline of its current item and the one queued to follow it. The render plays the current
// pipeline and, when its last sample is mixed inside a buffer, goes on with
// the queued one from the next sample of that same buffer. The main thread
// changes the queue only between two renders (AudioOutput::betweenRenders);
// the render itself only swaps pointers, so it never allocates, frees or
// waits.
#include "platform/player/AudioOutput.h"

#include <memory>

namespace tessarin {

class ItemPipeline;

class PlayerAudioSource final : public AudioSource {
public:
    // Main thread, between two renders. The pipeline that plays (after a
    // switch, the one that was queued) and the one queued behind it.
    const std::shared_ptr<ItemPipeline>& current() const { return current_; }
    const std::shared_ptr<ItemPipeline>& queued() const { return queued_; }
    // Whether a render went on from the current pipeline to the queued one
    // since the main thread last looked (takeLeft()).
    bool switched() const { return left_ != nullptr; }
    // The pipeline a render went on from; the source lets go of it.
    std::shared_ptr<ItemPipeline> takeLeft() { return std::move(left_); }
    // Puts pipeline in place of the current one and empties the queue; the
    // pipelines let go of are handed back to be released after the lock.
    struct Released {
        std::shared_ptr<ItemPipeline> pipelines[3];
    };
    Released setCurrent(std::shared_ptr<ItemPipeline> pipeline);
    // Queues pipeline (paused) behind the current one, or empties the
    // queue with nullptr.
    Released setQueued(std::shared_ptr<ItemPipeline> pipeline);

    // Audio thread.
    void render(float* mix, int frames, const AudioRenderContext& context) override;

private:
    bool switchAt(int offset, const AudioRenderContext& context);

    std::shared_ptr<ItemPipeline> current_;
    std::shared_ptr<ItemPipeline> queued_;
    std::shared_ptr<ItemPipeline> left_;
};

} // namespace tessarin
