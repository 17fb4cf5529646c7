#pragma once
// A player of one item at a time, with one more queued behind it: replace
// the current item, play, pause, seek, out-point, mute, seamless loop, a
// periodic time observer, the end of the item signalled on the main thread,
// and items handed from one player to another open as they are. All members
// are for the main thread, except currentItem(), which any thread may read.
// FfmpegMediaPlayer is the real one; tests hand the engine a fake behind the
// same interface.
#include "platform/Clock.h"

#include <QObject>

#include <functional>
#include <map>
#include <memory>
#include <mutex>

namespace tessarin {

class PlayerItem;

enum class SeekTolerance {
    Default, // the keyframe at or before the target: fast
    Zero,    // exactly the target's frame and sample
};

class MediaPlayer : public QObject {
    Q_OBJECT
public:
    using TimeObserver = std::function<void(double seconds)>;
    using SeekCompletion = std::function<void(bool finished)>;

    explicit MediaPlayer(Clock& clock, QObject* parent = nullptr);
    ~MediaPlayer() override;

    // Any thread.
    std::shared_ptr<PlayerItem> currentItem() const;

    // Replaces the current item (nullptr empties the player). The new item
    // starts loading and decoding at once, also while paused, so a later
    // play() starts within a frame. The rate is kept.
    virtual void replaceCurrentItem(const std::shared_ptr<PlayerItem>& item) = 0;
    virtual void play() = 0;
    virtual void pause() = 0;
    // 1 while playing, else 0 (also after the item ended).
    virtual double rate() const = 0;
    bool isPlaying() const { return rate() != 0.0; }
    // The current item's time in seconds; 0 without an item.
    virtual double currentTime() const = 0;
    // Moves the current item to a time; the completion runs on the main
    // thread with true once the new position is decoded, or with false when a
    // later seek or a new item replaced this one. Without an item the
    // completion runs (posted) with false.
    virtual void seek(double seconds, SeekTolerance tolerance = SeekTolerance::Default,
        SeekCompletion completion = {}) = 0;

    // The queue behind the current item (a queue player's): queueNext
    // opens item at once, paused and sought exactly to `from`, and the
    // player goes on with it inside the output's render, from the sample
    // after the current item's last one, without waiting for the main
    // thread. Then the queued item becomes the current one
    // (currentItemChanged, the rate stays), and only after that the item
    // that ended signals its end. nullptr empties the queue; replacing the
    // current item empties it too. False when nothing can be queued (then
    // the caller starts the item at the end), or when the player already
    // went on with the queued item.
    virtual bool queueNext(const std::shared_ptr<PlayerItem>& item, double from)
    {
        (void)item;
        (void)from;
        return false;
    }
    virtual std::shared_ptr<PlayerItem> queuedItem() const { return nullptr; }
    // Whether queueNext, takeCurrentItem and cutTo work at all (so that a
    // caller loads nothing ahead for a player that cannot).
    virtual bool canQueue() const { return false; }

    // Takes the current item out of the player as it stands (open, decoded,
    // at its position, paused), carrying its decoding with it; the player
    // is left empty. The item can then go to one player, by cutTo or
    // replaceCurrentItem. nullptr when the player cannot hand items over.
    virtual std::shared_ptr<PlayerItem> takeCurrentItem() { return nullptr; }
    // A cut to an item taken from a player: it becomes the current item and
    // plays from the output's next render on, its first sample right after
    // the last one of the item it replaces, with neither a gap nor an
    // overlap. False when item was not taken from a player (then nothing
    // changed).
    virtual bool cutTo(const std::shared_ptr<PlayerItem>& item)
    {
        (void)item;
        return false;
    }

    // A muted player consumes and clocks its audio but is not heard.
    virtual void setMuted(bool muted) = 0;
    virtual bool isMuted() const = 0;
    // Seamless loop: at the end the item goes on from its start without a
    // gap and without signalling its end.
    virtual void setLooping(bool looping) = 0;
    virtual bool isLooping() const = 0;

    // A main-thread callback with currentTime() every interval seconds while
    // playing, and once after each finished seek. Returns a token.
    int addPeriodicTimeObserver(double intervalSeconds, TimeObserver observer);
    void removeTimeObserver(int token);

    Clock& clock() const { return clock_; }

signals:
    void currentItemChanged();
    void rateChanged();

protected:
    // For implementations: sets what currentItem() returns.
    void setCurrentItemValue(std::shared_ptr<PlayerItem> item);
    // Calls every time observer now (after a seek, a play or a pause).
    void notifyTimeObservers();

private:
    struct Observer;

    Clock& clock_;
    mutable std::mutex itemMutex_; // guards item_
    std::shared_ptr<PlayerItem> item_;
    std::map<int, std::unique_ptr<Observer>> observers_;
    int nextToken_ = 1;
};

} // namespace tessarin
