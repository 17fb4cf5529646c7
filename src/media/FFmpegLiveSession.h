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
// (onAudio) and ".stderr". The threads share a state of their own with the
// session, so the session can go at any time: destroying it stops it.
// stop() returns once no callback runs, and none runs after it; the child
// gets SIGTERM, and SIGKILL when it is still there 1.5 s later.
#include "media/LiveSession.h"
#include "media/LiveSource.h"

#include "platform/player/VideoFrame.h"

#include <QString>
#include <QStringList>

#include <sys/types.h>

#include <memory>

namespace tessarin {

class FFmpegLiveSession final : public LiveSession {
public:
    static constexpr int kFrameWidth = 1280;
    static constexpr int kFrameHeight = 720;
    static constexpr int kFrameBytes = kFrameWidth * kFrameHeight * 4; // 3,686,400
    static constexpr int kFramesPerSecond = 30;
    static constexpr int kAudioRate = 48000;
    static constexpr int kAudioChunkFrames = 1920;                     // 40 ms at 48 kHz
    static constexpr int kErrorTextLimit = 16384;
    static constexpr double kRestartPauseSeconds = 2.0;
    static constexpr double kKillGraceSeconds = 1.5;

    explicit FFmpegLiveSession(LiveSource source);
    ~FFmpegLiveSession() override; // stops

    // Reports connecting at once and starts the supervisor; once. The
    // callbacks are taken as they are now.
    void start() override;
    // Sets the stop flag and sends SIGTERM to the running child (SIGKILL
    // follows after the grace); waits only for a callback under way. A
    // callback may call it.
    void stop() override;

    const LiveSource& source() const { return source_; }
    // One period of the pictures: the frame-rate conversion hands a picture
    // out only once the next one has come in (for pairing by arrival, where
    // a picture's place in the sound is not known).
    double pictureLatency() const override { return 1.0 / kFramesPerSecond; }
    // The child's arguments after the ffmpeg path.
    QStringList arguments(bool withAudio) const;

    // Tests shorten the pause between two runs; call before start().
    void setRestartPause(double seconds);

    // Stops every ingest session of the process, so each ffmpeg child gets
    // SIGTERM. Runs when the application quits (connected at the first
    // start): a listening child with no publisher would otherwise keep its
    // port past the application's end. Any thread.
    static void terminateAll();

    // What the session's threads share with it (defined in the .cpp).
    struct Run;

private:
    const LiveSource source_;
    std::shared_ptr<Run> run_;
    bool started_ = false; // owner's thread only
};

} // namespace tessarin
