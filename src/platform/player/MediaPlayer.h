#pragma once
// A player of one item at a time: replace the current item, play, pause,
// seek, out-point, mute, seamless loop, a periodic time observer, and the end
// of the item signalled on the main thread. All members are for the main
// thread, except currentItem(), which any thread may read. FfmpegMediaPlayer
// is the real one; tests hand the engine a fake behind the same interface.
#include "platform/Clock.h"

#include <QObject>

#include <functional>
#include <map>
#include <memory>
#include <mutex>

namespace tessarin {

class PlayerItem;
struct AudioMix;

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

    // Joins this player's current item (loaded, paused) onto the end of
    // previous's current item: it starts playing in the output's render at
    // the sample after previous's last one, without waiting for the main
    // thread, and reports its rate once play() is called. Calling play() or
    // pause() first, or replacing either item, undoes the join. False when
    // the join cannot be made (then the caller starts the item at the end).
    virtual bool playAfter(MediaPlayer& previous) { (void)previous; return false; }
    // Whether playAfter can join at all (so that a caller loads nothing
    // ahead for a player that cannot).
    virtual bool canPlayAfter() const { return false; }

    // A cut to source's current item as it stands (open, decoded, paused at
    // its position): the item moves into this player, with mix as its audio
    // mix from its first sample, and plays from the output's next render on;
    // stopping (this player or another) pauses between the same two
    // renders, so the new item's first sample follows stopping's last one
    // with neither a gap nor an overlap. source is left empty; stopping
    // keeps its item unless it is this player. False when it cannot be done
    // (then nothing changed, and the caller loads the item afresh).
    virtual bool cutToItemOf(MediaPlayer& source, const AudioMix& mix, MediaPlayer& stopping)
    {
        (void)source;
        (void)mix;
        (void)stopping;
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
