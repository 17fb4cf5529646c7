// Live items on air: ending a live session (the part every other start,
// stop and pause relies on). Opening one is in PlaylistEngineLiveOnAir.cpp.
#include "engine/PlaylistEngine.h"

#include "engine/AudioLevelTap.h"
#include "engine/LiveAudioPlayer.h"
#include "engine/LiveRoute.h"
#include "media/LiveSession.h"
#include "media/LiveVideoSink.h"
#include "platform/Clock.h"

namespace tessarin {

void PlaylistEngine::stopLiveSession()
{
    // The route closes first: from here on nothing of that session reaches
    // the sink, the live audio player or liveStatus.
    if (liveRoute_)
        liveRoute_->close();
    liveRoute_.reset();
    if (liveSession_)
        liveSession_->stop();
    liveSession_.reset();
    liveClock_.reset();
    liveAudio_->stop();
    if (!isLiveOnAir_)
        return;
    liveSink_->push(QImage());
    setIsLiveOnAir(false);
    setLiveStatus(LiveStatus::idle());
    levelMeter_->reset();
}

} // namespace tessarin
