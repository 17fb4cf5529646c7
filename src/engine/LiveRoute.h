#pragma once
// The gate between one live session and the program. The session's
// callbacks act only while the route is open; the engine closes it before
// it stops the session, so late frames, buffers and statuses of a stopped
// session are dropped. One route per session: a new live item gets a new
// route, and the old session's callbacks stay blocked for good.
//
// Frames and buffers are handed to their target while the route's lock is
// held, so once close() has returned nothing of this session reaches the
// targets any more (a hand-over already under way has finished). The lock
// order is always route -> target (sink or live audio player); no target
// calls back into a route, so it cannot deadlock.
#include "media/LiveStatus.h"

#include <QImage>

#include <functional>
#include <memory>
#include <mutex>

namespace tessarin {

class LiveAudioPlayer;
class LiveSession;
class LiveVideoSink;
class PcmBuffer;

class LiveRoute : public std::enable_shared_from_this<LiveRoute> {
public:
    // Where the session's output goes. video and audio run on the session's
    // threads with the route's lock held: they must not wait for the main
    // thread nor take a route. status runs on the main thread.
    struct Targets {
        std::function<void(const QImage& frame, double soundSeconds)> video;
        std::function<void(const std::shared_ptr<const PcmBuffer>& buffer)> audio;
        std::function<void(const LiveStatus& status)> status;
    };

    // The program's targets: frames to the live sink, due by dueTime();
    // buffers to the live audio player (held weakly: a session outliving
    // the player drops its audio); statuses to publish (main thread).
    static Targets programTargets(std::shared_ptr<LiveVideoSink> sink,
                                  std::weak_ptr<LiveAudioPlayer> audio,
                                  std::function<void(const LiveStatus&)> publishStatus,
                                  double pictureLatency = 0.0);

    // How far the time a picture's place in the sound gives may lie from
    // the time its arrival gives and still be trusted.
    static constexpr double kPlaceTrustSeconds = 0.5;
    // When a picture is due on screen: when the live audio player hears the
    // sound at its place (soundSeconds, see LiveSession::onVideo), unless
    // that is unknown or untrusted; then when it hears the sound that
    // arrived with it (at now), less the session's picture latency (its
    // pictures come that much after their sound); now while no live sound
    // plays.
    static double dueTime(const LiveAudioPlayer& player, double now, double soundSeconds, double pictureLatency);

    static std::shared_ptr<LiveRoute> create() { return std::shared_ptr<LiveRoute>(new LiveRoute()); }

    // Main thread, before session.start(): sets the session's three
    // callbacks. Each holds this route; none holds anything else strongly
    // but what targets hold. A status is posted to the main thread and
    // published only when the route is still open at delivery.
    void connect(LiveSession& session, Targets targets);

    // Any thread: one lock check.
    bool isActive();
    // Main thread: closes the route for good; waits for a hand-over under
    // way to finish.
    void close();

    // Guards active.
    std::mutex lock;
    bool active = true;

private:
    LiveRoute() = default;
};

} // namespace tessarin
