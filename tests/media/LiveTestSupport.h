#pragma once
// Helpers of the live-session tests: a recorder of what a session delivers,
// free loopback ports, and publishers run by the ffmpeg program.
#include "media/LiveSession.h"

#include "platform/ChildProcess.h"
#include "support/TestSupport.h"

#include <QImage>

#include <mutex>
#include <optional>
#include <vector>

namespace tessarin::test {

// Everything a session hands to its callbacks, with the host time of each
// status, gathered under a lock from the session's threads.
class LiveRecorder {
public:
    void attach(LiveSession& session);

    std::vector<LiveStatus> statuses();
    std::vector<double> statusTimes();
    int statusCount(LiveStatus::Case kind);
    int frameCount();
    QImage lastFrame();
    int audioBlocks();
    std::vector<float> leftSamples();
    std::optional<AudioFormat> audioFormat();
    int audioFrames();
    // Whether status s was reported before the first frame arrived.
    bool liveBeforeFirstFrame();
    // Each picture's place in the sound (seconds) and whether it is bright
    // at its centre.
    struct Picture {
        double soundSeconds;
        bool bright;
    };
    std::vector<Picture> pictures();

private:
    std::mutex mutex_;
    std::vector<LiveStatus> statuses_;
    std::vector<double> times_;
    int frames_ = 0;
    QImage last_;
    bool liveBeforeFirstFrame_ = false;
    int audioBlocks_ = 0;
    int audioFrames_ = 0;
    std::optional<AudioFormat> format_;
    std::vector<float> left_;
    std::vector<Picture> pictures_;
};

// Stops a session and waits until its threads have let go of it, so no
// callback can run once the caller's recorder is gone.
template <typename Session>
bool stopAndRelease(std::shared_ptr<Session>& session, double timeoutSeconds = 15.0)
{
    if (!session)
        return true;
    session->stop();
    std::weak_ptr<Session> weak = session;
    session.reset();
    return waitUntil([&] { return weak.expired(); }, timeoutSeconds);
}

// A port on 127.0.0.1 that nothing uses right now.
int freeTcpPort();
int freeUdpPort();
// Whether something holds the port (a bind to it fails).
bool tcpPortInUse(int port);

// A publisher: ffmpeg sending a colour and a tone (or the colour alone) to
// url in format, started again each time it ends, until destroyed.
class Publisher {
public:
    struct Options {
        QString url;
        QString format;           // "flv", "mpegts"
        QString colour = "0x20A060"; // red 0x20, green 0xA0, blue 0x60
        int toneHz = 1000;
        bool withAudio = true;
        // Instead of the colour and the tone: black with a white flash and
        // silence with a beep, both at the start of every second, the sound
        // beginning half a second after the picture.
        bool flashes = false;
    };
    explicit Publisher(const Options& options);
    ~Publisher();
    void stop();

private:
    std::optional<ChildProcess> loop_;
};

// Frequency of a tone from its rising zero crossings.
double toneFrequency(const std::vector<float>& samples, double rate);

} // namespace tessarin::test
