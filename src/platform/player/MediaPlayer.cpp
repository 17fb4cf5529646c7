#include "platform/player/MediaPlayer.h"

#include "platform/player/PlayerItem.h"

#include <cmath>

namespace tessarin {

// The callback is shared with its timer's callback, so an observer removed
// from inside its own call runs to its end.
struct MediaPlayer::Observer {
    std::shared_ptr<const TimeObserver> callback;
    std::unique_ptr<Timer> timer;
};

MediaPlayer::MediaPlayer(Clock& clock, QObject* parent)
    : QObject(parent)
    , clock_(clock)
{
}

MediaPlayer::~MediaPlayer() = default;

std::shared_ptr<PlayerItem> MediaPlayer::currentItem() const
{
    std::lock_guard lock(itemMutex_);
    return item_;
}

void MediaPlayer::setCurrentItemValue(std::shared_ptr<PlayerItem> item)
{
    std::shared_ptr<PlayerItem> old;
    {
        std::lock_guard lock(itemMutex_);
        old = std::move(item_);
        item_ = std::move(item);
    }
}

int MediaPlayer::addPeriodicTimeObserver(double intervalSeconds, TimeObserver observer)
{
    const int token = nextToken_++;
    auto entry = std::make_unique<Observer>();
    entry->callback = std::make_shared<const TimeObserver>(std::move(observer));
    entry->timer = clock_.createTimer([this, callback = entry->callback] {
        if (isPlaying() && currentItem() && *callback)
            (*callback)(currentTime());
    });
    if (!std::isfinite(intervalSeconds) || intervalSeconds < 0.001)
        intervalSeconds = 0.001;
    entry->timer->start(intervalSeconds);
    observers_.emplace(token, std::move(entry));
    return token;
}

void MediaPlayer::removeTimeObserver(int token)
{
    observers_.erase(token);
}

void MediaPlayer::notifyTimeObservers()
{
    if (!currentItem())
        return;
    // Copies: a callback may remove observers.
    std::vector<std::shared_ptr<const TimeObserver>> callbacks;
    for (auto& [token, entry] : observers_)
        callbacks.push_back(entry->callback);
    const double t = currentTime();
    for (auto& cb : callbacks)
        if (*cb)
            (*cb)(t);
}

} // namespace tessarin
