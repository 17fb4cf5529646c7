#include "platform/player/ItemClock.h"

#include <algorithm>

namespace tessarin {

double ItemClock::nowLocked(double hostTime) const
{
    if (!playing_ || held_)
        return pausedTime_;
    double t;
    if (audioDriven_) {
        if (!audioValid_)
            return floor_;
        // The consumed block is heard from bufferHost_ + latency on; the
        // clock does not run past its end while the next block is late.
        t = bufferPts_ + std::clamp(hostTime - bufferHost_, 0.0, bufferSeconds_);
    } else {
        t = anchorMedia_ + (hostTime - anchorHost_);
    }
    return std::max(t, floor_);
}

double ItemClock::now(double hostTime) const
{
    std::lock_guard lock(mutex_);
    return nowLocked(hostTime);
}

double ItemClock::mixedNow(double hostTime) const
{
    std::lock_guard lock(mutex_);
    const double heard = nowLocked(hostTime);
    if (!playing_ || held_ || audioDriven_)
        return heard;
    // The host clock, run from the moment the last sample was mixed.
    return std::max(heard, anchorMedia_ + (hostTime - anchorHost_) + mixedLead_);
}

bool ItemClock::isPlaying() const
{
    std::lock_guard lock(mutex_);
    return playing_;
}

bool ItemClock::isRunning() const
{
    std::lock_guard lock(mutex_);
    return playing_ && !held_;
}

void ItemClock::hold(double hostTime)
{
    std::lock_guard lock(mutex_);
    if (held_)
        return;
    pausedTime_ = nowLocked(hostTime);
    held_ = true;
}

void ItemClock::release(double hostTime)
{
    std::lock_guard lock(mutex_);
    if (!held_)
        return;
    held_ = false;
    mixedLead_ = 0.0;
    floor_ = pausedTime_;
    anchorMedia_ = pausedTime_;
    anchorHost_ = hostTime;
    audioValid_ = false;
}

void ItemClock::setAudioDriven(bool audioDriven)
{
    std::lock_guard lock(mutex_);
    mixedLead_ = 0.0;
    hasAudio_ = audioDriven;
    audioDriven_ = audioDriven;
    audioValid_ = false;
}

void ItemClock::play(double hostTime)
{
    std::lock_guard lock(mutex_);
    if (playing_)
        return;
    playing_ = true;
    mixedLead_ = 0.0;
    floor_ = pausedTime_;
    anchorMedia_ = pausedTime_;
    anchorHost_ = hostTime;
    audioValid_ = false;
}

void ItemClock::pause(double hostTime)
{
    std::lock_guard lock(mutex_);
    if (!playing_)
        return;
    pausedTime_ = nowLocked(hostTime); // while held: the held position
    playing_ = false;
}

void ItemClock::jump(double t, double hostTime)
{
    std::lock_guard lock(mutex_);
    mixedLead_ = 0.0;
    pausedTime_ = t;
    floor_ = t;
    anchorMedia_ = t;
    anchorHost_ = hostTime;
    audioDriven_ = hasAudio_;
    audioValid_ = false;
}

void ItemClock::freeze(double t)
{
    std::lock_guard lock(mutex_);
    mixedLead_ = 0.0;
    pausedTime_ = t;
    floor_ = t;
    playing_ = false;
    held_ = false;
}

void ItemClock::audioRendered(double pts, int frames, double hostTime, double latency)
{
    std::lock_guard lock(mutex_);
    if (!playing_ || held_ || !audioDriven_)
        return;
    bufferPts_ = pts;
    bufferSeconds_ = frames / 48000.0;
    bufferHost_ = hostTime + latency;
    audioValid_ = true;
}

void ItemClock::audioFinished(double endPts, double hostTime, double delay)
{
    std::lock_guard lock(mutex_);
    if (!audioDriven_)
        return;
    audioDriven_ = false;
    anchorMedia_ = endPts;
    anchorHost_ = hostTime + delay;
    mixedLead_ = delay;
    if (playing_)
        floor_ = std::min(std::max(floor_, audioValid_ ? bufferPts_ : floor_), endPts);
}

} // namespace tessarin
