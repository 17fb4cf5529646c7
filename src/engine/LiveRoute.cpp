#include "engine/LiveRoute.h"

#include "engine/LiveAudioPlayer.h"
#include "media/LiveSession.h"
#include "media/LiveVideoSink.h"
#include "platform/Clock.h"
#include "platform/MainThread.h"
#include "platform/player/PcmBuffer.h"

namespace tessarin {

LiveRoute::Targets LiveRoute::programTargets(std::shared_ptr<LiveVideoSink> sink,
                                             std::weak_ptr<LiveAudioPlayer> audio,
                                             std::function<void(const LiveStatus&)> publishStatus,
                                             double pictureLatency)
{
    Targets targets;
    // A picture is due when the sound of its time is heard: as long after
    // that sound arrived (the picture's arrival less the session's picture
    // latency) as the live sound's declared latency.
    targets.video = [sink = std::move(sink), audio, pictureLatency](const QImage& frame) {
        if (!sink)
            return;
        const auto player = audio.lock();
        const double latency = player ? player->latency() : 0.0;
        const double soundArrived = HostClock::monotonicSeconds() - (latency > 0.0 ? pictureLatency : 0.0);
        sink->push(frame, soundArrived + latency);
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
    session.onVideo = [route, video = std::move(targets.video)](const QImage& frame) {
        std::lock_guard guard(route->lock);
        if (route->active && video)
            video(frame);
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
