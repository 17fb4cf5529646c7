// Live items on air: a live item opens a live session whose frames go to
// the live sink, whose audio goes to the live audio player (and from there
// to the program audio bus), and whose status is published; a 0.25 s clock
// counts the time on air. Every session gets its own LiveRoute, closed
// before the session stops (stopLiveSession, PlaylistEngineLive.cpp).
#include "engine/PlaylistEngine.h"

#include "engine/AudioLevelTap.h"
#include "engine/LiveAudioPlayer.h"
#include "engine/LiveRoute.h"
#include "media/LiveSession.h"
#include "media/LiveSessionFactory.h"
#include "media/LiveVideoSink.h"
#include "media/TimecodeFormatter.h"
#include "platform/Clock.h"

#include <QPointer>

namespace tessarin {

namespace {

constexpr double kLiveClockInterval = 0.25;

} // namespace

void PlaylistEngine::startLive(const std::shared_ptr<MediaFile>& item, const std::shared_ptr<MediaBlock>& block)
{
    Operation operation(*this);
    if (!item || !block || !item->liveSource())
        return;
    const LiveSource source = *item->liveSource();

    stopLiveSession();
    removeEndObserver();
    resetPlayers();
    if (cuedItem_ && cuedItem_->id() == item->id())
        clearCue();
    setCurrentItemID(item->id());
    setCurrentBlockID(block->id());

    beginFade(*item, false, false);
    setCanSeek(false);
    levelMeter_->reset();
    observeGain(item, block);
    const double level = fade_->current(); // its own lock first, then the live audio's
    {
        std::lock_guard guard(liveAudio_->lock);
        liveAudio_->gain = effectiveVolume(*item, *block) * static_cast<float>(level);
    }

    auto route = LiveRoute::create();
    std::shared_ptr<LiveSession> session = makeLiveSession_ ? makeLiveSession_(source) : LiveSessionFactory::make(source);
    if (!session)
        session = LiveSessionFactory::make(source);
    route->connect(*session,
        LiveRoute::programTargets(liveSink_, liveAudio_, [self = QPointer<PlaylistEngine>(this)](const LiveStatus& status) {
            if (self)
                self->setLiveStatus(status);
        }, session->pictureLatency()));
    liveRoute_ = route;
    liveSession_ = session;

    setIsLiveOnAir(true);
    setIsPlaying(true);
    setLiveStatus(LiveStatus::connecting());
    liveStartDate_ = clock_.now();
    setRemainingTimecode(QStringLiteral("LIVE"));
    setProgress(0);
    setWindowDuration(0);

    liveClock_ = clock_.createTimer([self = QPointer<PlaylistEngine>(this)] {
        if (self)
            self->tickLiveClock();
    });
    liveClock_->start(kLiveClockInterval);

    // Last, so that its first status finds the route and the readouts ready.
    session->start();
}

void PlaylistEngine::tickLiveClock()
{
    Operation operation(*this);
    setCurrentTimecode(TimecodeFormatter::string(clock_.now() - liveStartDate_));
}

} // namespace tessarin
