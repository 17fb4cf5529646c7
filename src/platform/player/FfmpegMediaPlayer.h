#pragma once
// The real MediaPlayer, on libavformat/libavcodec: per item a demux thread,
// a video and an audio decode thread with small bounded queues carrying
// serials (a seek or a loop restart flushes stale data), pictures converted
// to BGRA frames, audio resampled once to the output format and
// pulled by the audio output's callback through the item's tap. The clock is
// the audio clock while the item has audio, else the host clock.
#include "platform/player/MediaPlayer.h"

#include <QPointer>

#include <cstdint>
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
    bool playAfter(MediaPlayer& previous) override;
    bool canPlayAfter() const override { return true; }
    bool cutToItemOf(MediaPlayer& source, const AudioMix& mix, MediaPlayer& stopping) override;
    void setMuted(bool muted) override;
    bool isMuted() const override { return muted_; }
    void setLooping(bool looping) override;
    bool isLooping() const override { return looping_; }

    // Frames the video side skipped because they were late (benchmarks).
    std::uint64_t droppedFrames() const;

private:
    void dropPipeline();
    void completeSeek(bool finished);

    std::uint64_t seekId_ = 0;
    SeekCompletion pendingCompletion_;

    std::shared_ptr<AudioOutput> output_;
    std::shared_ptr<ItemPipeline> pipeline_;
    // The player the pipeline's events go to (main thread only); it moves
    // with the pipeline when another player takes the item over.
    std::shared_ptr<QPointer<FfmpegMediaPlayer>> owner_;
    bool playing_ = false;
    bool muted_ = false;
    bool looping_ = false;
};

} // namespace tessarin
