#pragma once
// The live session of an RTMP or SRT feed. An ffmpeg child receives the feed
// and writes raw 1280x720 BGRA pictures (30 per second) to its standard
// output and 48 kHz stereo float samples to descriptor 3; reader threads turn
// them into frames and audio blocks. A supervisor thread runs ffmpeg again
// whenever it ends, until the session is stopped.
//
// Threads: start() and stop() on the owner's thread (the main thread); the
// supervisor "Vellumcast.FFmpegLiveSession" reports failed and the later
// connecting; per run, the readers ".video" (live, onVideo), ".audio"
// (onAudio) and ".stderr". The session must be owned by a std::shared_ptr:
// its threads keep it alive while they run.
#include "media/LiveSession.h"
#include "media/LiveSource.h"

#include "platform/player/VideoFrame.h"

#include <QString>
#include <QStringList>

#include <sys/types.h>

#include <condition_variable>
#include <memory>
#include <mutex>

namespace tessarin {

class FFmpegLiveSession final : public LiveSession, public std::enable_shared_from_this<FFmpegLiveSession> {
public:
    static constexpr int kFrameWidth = 1280;
    static constexpr int kFrameHeight = 720;
    static constexpr int kFrameBytes = kFrameWidth * kFrameHeight * 4; // 3,686,400
    static constexpr int kAudioChunkFrames = 1920;                     // 40 ms at 48 kHz
    static constexpr int kErrorTextLimit = 16384;
    static constexpr double kRestartPauseSeconds = 2.0;
    static constexpr int kPooledFrames = 8; // idle frame buffers kept for reuse

    explicit FFmpegLiveSession(LiveSource source);
    ~FFmpegLiveSession() override;

    // Reports connecting at once and starts the supervisor; once.
    void start() override;
    // Sets the stop flag and sends SIGTERM to the running child; never waits.
    void stop() override;

    const LiveSource& source() const { return source_; }
    // The child's arguments after the ffmpeg path.
    QStringList arguments(bool withAudio) const;

    // Tests shorten the pause between two runs; call before start().
    void setRestartPause(double seconds) { restartPause_ = seconds; }

    // Stops every ingest session of the process, so each ffmpeg child gets
    // SIGTERM. Runs when the application quits (connected at the first
    // start): a listening child with no publisher would otherwise keep its
    // port past the application's end. Any thread.
    static void terminateAll();

private:
    struct RunResult {
        QString errorText;
        bool spawnFailed = false;
    };

    void supervise();
    RunResult runOnce(const QString& ffmpeg, bool withAudio);
    void readVideo(int fd);
    void readAudio(int fd);
    static QString readAll(int fd);
    bool stopRequested();
    // Waits the pause between runs; returns early (true) on a stop.
    bool pauseBeforeRestart();
    void report(const LiveStatus& status);

    const LiveSource source_;
    VideoFramePool pool_; // the video reader's frames
    double restartPause_ = kRestartPauseSeconds;

    std::mutex lock_; // guards shouldStop_ and childPID_
    bool shouldStop_ = false;
    pid_t childPID_ = 0;
    std::condition_variable stopped_; // wakes the pause between runs

    bool started_ = false;      // owner's thread only
    bool failedShowing_ = false; // supervisor only: the last status reported was failed
};

} // namespace tessarin
