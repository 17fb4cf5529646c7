#include "engine/LiveRoute.h"

#include "engine/LiveAudioPlayer.h"
#include "media/LiveSession.h"
#include "media/LiveVideoSink.h"
#include "platform/Clock.h"
#include "platform/MainThread.h"
#include "platform/player/PcmBuffer.h"

#include <cmath>

namespace tessarin {

double LiveRoute::dueTime(const LiveAudioPlayer& player, double now, double soundSeconds, double pictureLatency)
{
    const double byArrival = player.heardTimeOfArrival(now) - pictureLatency;
    if (!std::isfinite(byArrival))
        return now; // no live sound plays: at once
    const double byPlace = std::isfinite(soundSeconds) ? player.heardTimeOfPosition(soundSeconds) : byArrival;
    // A place far from the arrival's is of sound that stopped coming (a
    // feed that lost its sound) or that the player never had.
    return std::isfinite(byPlace) && std::fabs(byPlace - byArrival) <= kPlaceTrustSeconds ? byPlace : byArrival;
}

LiveRoute::Targets LiveRoute::programTargets(std::shared_ptr<LiveVideoSink> sink,
                                             std::weak_ptr<LiveAudioPlayer> audio,
                                             std::function<void(const LiveStatus&)> publishStatus,
                                             double pictureLatency)
{
    Targets targets;
    // A picture is due when its sound is heard, by the live sound's clock:
    // the sound at the picture's place in it, where the session tells it;
    // else the sound of its arrival, less the session's picture latency (its
    // pictures come that much after their sound).
    targets.video = [sink = std::move(sink), audio, pictureLatency](const QImage& frame, double soundSeconds) {
        if (!sink)
            return;
        const double now = HostClock::monotonicSeconds();
        const auto player = audio.lock();
        sink->push(frame, player ? dueTime(*player, now, soundSeconds, pictureLatency) : now);
    };
    targets.audio = [audio = std::move(audio)](const std::shared_ptr<const PcmBuffer>& buffer) {
        // A session hands each buffer over once and never touches it again
        // (LiveSession's contract); the live audio player applies the on-air
        // gain to it in place instead of copying every buffer.
        if (auto player = audio.lock())
            player->enqueue(std::const_pointer_cast<PcmBuffer>(buffer));
    };
    targets.status = std::move(publishStatus);
    return targets;
}

void LiveRoute::connect(LiveSession& session, Targets targets)
{
    auto route = shared_from_this();
    session.onVideo = [route, video = std::move(targets.video)](const QImage& frame, double soundSeconds) {
        std::lock_guard guard(route->lock);
        if (route->active && video)
            video(frame, soundSeconds);
    };
    session.onAudio = [route, audio = std::move(targets.audio)](const std::shared_ptr<const PcmBuffer>& buffer) {
        std::lock_guard guard(route->lock);
        if (route->active && audio && buffer)
            audio(buffer);
    };
    auto status = std::make_shared<std::function<void(const LiveStatus&)>>(std::move(targets.status));
    session.onStatus = [route, status](const LiveStatus& value) {
        // Checked against the route when it arrives, not when it was sent:
        // a status posted just before the close is dropped.
        postToMain([route, status, value] {
            if (route->isActive() && *status)
                (*status)(value);
        });
    };
}

bool LiveRoute::isActive()
{
    std::lock_guard guard(lock);
    return active;
}

void LiveRoute::close()
{
    std::lock_guard guard(lock);
    active = false;
}

} // namespace tessarin
