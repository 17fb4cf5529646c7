#include "platform/player/ItemClock.h"

#include <algorithm>
#include <limits>

namespace tessarin {

double ItemClock::nowLocked(double hostTime) const
{
    if (!playing_ || held_)
        return pausedTime_;
    double t;
    if (audioDriven_) {
        if (!audioValid_)
            return floor_;
        // The newest block heard by hostTime says where the sound is (a
        // block rendered since is still waiting in the output); the clock
        // does not run past its end while the next block is late. Before
        // the oldest block kept is heard, the clock waits at its start.
        const Heard* at = nullptr;
        for (int i = 0; i < blockCount_; ++i) {
            const Heard& block = blocks_[std::size_t((blocksEnd_ - 1 - i + kHeardBlocks) % kHeardBlocks)];
            at = &block;
            if (block.heard <= hostTime)
                break;
        }
        t = at->pts + std::clamp(hostTime - at->heard, 0.0, at->seconds);
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

double ItemClock::ahead(double hostTime, double lookahead) const
{
    std::lock_guard lock(mutex_);
    if (!playing_)
        return nowLocked(hostTime);
    // Playing but held for the first picture of a new position (a start, a
    // seek): no time yet, its sound is not even mixed.
    if (held_)
        return std::numeric_limits<double>::quiet_NaN();
    if (audioDriven_) {
        const double at = hostTime + lookahead;
        if (!audioValid_ || firstHeard_ > at)
            return std::numeric_limits<double>::quiet_NaN();
        if (firstHeard_ > hostTime)
            return firstPts_ + (at - firstHeard_);
    }
    return nowLocked(hostTime) + lookahead;
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

double ItemClock::startedFrom() const
{
    std::lock_guard lock(mutex_);
    return anchorMedia_;
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
    restartAtLocked(pausedTime_, hostTime);
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
    restartAtLocked(pausedTime_, hostTime);
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
    pausedTime_ = t;
    audioDriven_ = hasAudio_;
    restartAtLocked(t, hostTime);
}

void ItemClock::restartAtLocked(double t, double hostTime)
{
    mixedLead_ = 0.0;
    floor_ = t;
    anchorMedia_ = t;
    anchorHost_ = hostTime;
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
    if (!audioValid_) {
        blockCount_ = 0;
        firstHeard_ = hostTime + latency;
        firstPts_ = pts;
    }
    blocks_[std::size_t(blocksEnd_)] = Heard { pts, frames / 48000.0, hostTime + latency };
    blocksEnd_ = (blocksEnd_ + 1) % kHeardBlocks;
    blockCount_ = std::min(blockCount_ + 1, kHeardBlocks);
    audioValid_ = true;
}

void ItemClock::audioFinished(double endPts, double hostTime, double delay)
{
    std::lock_guard lock(mutex_);
    if (!audioDriven_)
        return;
    // The host clock takes over from what is heard now: the blocks still
    // waiting in the output are heard as it runs on to endPts.
    const double heard = nowLocked(hostTime);
    audioDriven_ = false;
    anchorMedia_ = endPts;
    anchorHost_ = hostTime + delay;
    mixedLead_ = delay;
    if (playing_)
        floor_ = std::min(std::max(floor_, heard), endPts);
}

} // namespace tessarin
