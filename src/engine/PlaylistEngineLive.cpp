// Live items on air. Opening a live session for the item comes with the live
// inputs; ending one (the part every other start, stop and pause relies on)
// is here.
#include "engine/PlaylistEngine.h"

#include "engine/AudioLevelTap.h"
#include "engine/LiveAudioPlayer.h"
#include "media/LiveVideoSink.h"
#include "platform/Clock.h"

namespace tessarin {

void PlaylistEngine::startLive(const std::shared_ptr<MediaFile>&, const std::shared_ptr<MediaBlock>&)
{
    // Live sessions are not wired to the engine yet: taking a live item to air does nothing.
}

void PlaylistEngine::stopLiveSession()
{
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
