#pragma once
// The real MediaPlayer, on libavformat/libavcodec: per item a demux thread,
// a video and an audio decode thread with small bounded queues carrying
// serials (a seek or a loop restart flushes stale data), pictures converted
// to BGRA frames, audio resampled once to the output format and pulled
// through the item's tap by the player's one source on the audio output,
// which also holds the pipeline queued behind the current one and goes on
// with it at the sample boundary. The clock is the audio clock while the
// item has audio; without audio, the count of the silence the output renders
// for it (the host clock until an output renders it).
#include "platform/player/MediaPlayer.h"
#include "platform/player/PlayerAudioSource.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace tessarin {

class AudioOutput;
class ItemPipeline;

class FfmpegMediaPlayer final : public MediaPlayer {
    Q_OBJECT
public:
    // Plays through the shared SDL output, timers on the host clock.
    FfmpegMediaPlayer();
    FfmpegMediaPlayer(std::shared_ptr<AudioOutput> output, Clock& clock);
    ~FfmpegMediaPlayer() override;

    void replaceCurrentItem(const std::shared_ptr<PlayerItem>& item) override;
    void play() override;
    void pause() override;
    double rate() const override { return playing_ ? 1.0 : 0.0; }
    double currentTime() const override;
    void seek(double seconds, SeekTolerance tolerance = SeekTolerance::Default,
        SeekCompletion completion = {}) override;
    bool queueNext(const std::shared_ptr<PlayerItem>& item, double from) override;
    std::shared_ptr<PlayerItem> queuedItem() const override { return queuedItem_; }
    bool canQueue() const override { return true; }
    std::shared_ptr<PlayerItem> takeCurrentItem() override;
    bool cutTo(const std::shared_ptr<PlayerItem>& item) override;
    void setMuted(bool muted) override;
    bool isMuted() const override { return muted_; }
    void setLooping(bool looping) override;
    bool isLooping() const override { return looping_; }

    // Frames the video side skipped because they were late (benchmarks).
    std::uint64_t droppedFrames() const;
    // Renders, of every player of the process, that found an item's decoded
    // sound run short while more was to come: the reader or the decoder
    // fell behind the output (for measurements).
    static std::uint64_t soundShortRenders();

private:
    // A new pipeline for item, its events routed to this player.
    std::shared_ptr<ItemPipeline> openPipeline(const std::shared_ptr<PlayerItem>& item, bool playing);
    // The pipeline of an item taken out of its player, else nullptr.
    static std::shared_ptr<ItemPipeline> carriedPipeline(const PlayerItem& item);
    // Runs change between two renders of the output.
    void changeSound(const std::function<void()>& change);
    // Stops a pipeline let go of and detaches it from its item.
    void release(const std::shared_ptr<ItemPipeline>& pipeline);
    // Releases the player's pipelines and those the sound let go of, but
    // keep, and empties the queue.
    void releaseAll(const PlayerAudioSource::Released& released, const std::shared_ptr<ItemPipeline>& keep);
    void dropPipelines();
    void pipelineEnded(const std::shared_ptr<PlayerItem>& item);
    void completeSeek(bool finished);

    SeekCompletion pendingCompletion_;

    std::shared_ptr<AudioOutput> output_;
    std::shared_ptr<PlayerAudioSource> sound_;
    std::shared_ptr<ItemPipeline> pipeline_;
    std::shared_ptr<PlayerItem> queuedItem_;
    std::shared_ptr<ItemPipeline> queuedPipeline_;
    std::uint64_t seekIds_ = 0;
    bool playing_ = false;
    bool muted_ = false;
    bool looping_ = false;
};

} // namespace tessarin
