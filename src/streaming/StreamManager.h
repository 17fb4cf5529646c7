#pragma once
// The streaming subsystem as the rest of the application sees it: the two
// destinations, the stream format (kept in the settings), and the pipeline
// that feeds every running destination with one composed frame per frame
// period (per field period for interlaced formats, two renders woven into
// one frame) and 20 ms of program audio every 20 ms. It keeps the machine
// from idling while streaming and kills every ffmpeg child when the
// application quits. Main thread.
#include "platform/PeriodicThread.h"
#include "streaming/StreamFormat.h"
#include "streaming/StreamOutput.h"
#include "streaming/StreamSources.h"

#include <QObject>

#include <atomic>
#include <memory>
#include <vector>

namespace tessarin {

class KeychainQueue;
class PowerInhibitor;
class Settings;

class StreamManager : public QObject {
    Q_OBJECT
public:
    // Every 20 ms the audio pump pulls this many frames (48 kHz stereo).
    static constexpr int kAudioBlockFrames = 960;
    // The sound pulled for a slot is the one heard on the program output
    // this long before it, so that every source has delivered it (the
    // device's callbacks come a block at a time; live sound comes in
    // buffers of its own). Frames and blocks carry the host time they show
    // and sound at; each destination hands those to its encoder, so
    // picture and sound stay together whatever this delay.
    static constexpr double kAudioDelaySeconds = 0.1;

    // frames makes the renderer of each run; audio is held weakly; the
    // destinations keep their addresses through keychain
    // (KeychainQueue::shared() when null).
    StreamManager(Settings& settings, StreamFrameSourceFactory frames, std::weak_ptr<StreamAudioSource> audio,
                  Clock& clock = HostClock::shared(), std::shared_ptr<KeychainQueue> keychain = {},
                  QObject* parent = nullptr);
    ~StreamManager() override; // stops the pipeline

    const StreamFormat& format() const { return format_; }
    // Stores the normalised form; takes effect at the next pipeline start.
    void setFormat(const StreamFormat& value);
    bool isStreaming() const { return isStreaming_; }
    const std::vector<std::unique_ptr<StreamOutput>>& outputs() const { return outputs_; }

    // Starts the pipeline unless it runs (the start button calls it right
    // before StreamOutput::start with format()).
    void startPipeline();
    // Stops it if it runs.
    void stopPipeline();
    // Recomputes isStreaming and stops the pipeline when nothing streams.
    void refresh();
    bool isPipelineRunning() const { return videoThread_.isRunning(); }
    // Whether the render pump got its real-time priority (measurements).
    bool isRenderRealtime() const { return videoThread_.isRealtime(); }

    // Application termination: SIGKILL to every ffmpeg child, waiting for nothing.
    void killAllForTermination();

    // Measurements of the running pipeline, for benchmarks.
    struct Counters {
        std::atomic<long long> videoTicks { 0 };
        std::atomic<long long> framesSent { 0 }; // frames handed to the outputs
        std::atomic<long long> audioTicks { 0 };
    };
    const Counters& counters() const { return counters_; }
    // Lateness of each render tick behind its deadline (ns), on the render
    // thread; set before startPipeline().
    void setRenderLatenessObserver(std::function<void(std::int64_t)> observer);

signals:
    void formatChanged();
    void isStreamingChanged();
    void changed();

private:
    void setIsStreaming(bool value);

    Settings& settings_;
    StreamFrameSourceFactory makeFrames_;
    std::weak_ptr<StreamAudioSource> audio_;
    StreamFormat format_;
    bool isStreaming_ = false;
    std::vector<std::unique_ptr<StreamOutput>> outputs_;
    std::shared_ptr<StreamFrameSource> renderer_;
    std::unique_ptr<PowerInhibitor> activity_;
    Counters counters_;
    PeriodicThread videoThread_;
    PeriodicThread audioThread_;
};

} // namespace tessarin
