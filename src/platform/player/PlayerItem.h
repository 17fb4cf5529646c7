#pragma once
// One media file as a player plays it: its loading status and duration, the
// out-point (forward playback end time), the audio mix, the video outputs
// attached to it and the end-of-item signal. Made on the main thread; a
// player opens and decodes it once it becomes the player's current item.
// One item belongs to at most one player, once (an item taken out of its
// player moves on, open and decoded as it is, to another one:
// MediaPlayer::takeCurrentItem).
#include "platform/player/AudioTap.h"

#include <QObject>
#include <QSize>
#include <QString>

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

namespace tessarin {

class VideoFrame;
class VideoOutput;

// What a player provides for an item it plays: the item's clock and its
// decoded pictures. Every member is safe from any thread and never blocks
// for longer than a lock held for a copy.
class PlayerItemSource {
public:
    virtual ~PlayerItemSource() = default;
    // Item time (seconds, the timeline of the frames) shown at a host time
    // (HostClock::monotonicSeconds()).
    virtual double itemTime(double hostTime) const = 0;
    // Item time lookahead seconds after a host time, as the clock stands at
    // that host time (a frame due ahead of now).
    virtual double itemTimeAhead(double hostTime, double lookahead) const { return itemTime(hostTime + lookahead); }
    // The current time as the player reports it (0 before anything played).
    virtual double currentTime() const = 0;
    // The picture for an item time: the queued frame with the largest time
    // not after it, else the earliest queued one if it is due within 0.2 s
    // (a file whose pictures start seconds after its sound shows none
    // before then). For a time that is not a number, the earliest queued
    // one; nullptr with none queued.
    virtual std::shared_ptr<const VideoFrame> frameAt(double itemTime) const = 0;
};

// The preferred transform of the video track (a, b, c, d of the display
// matrix in the other platform's convention; translation left out).
struct VideoTransform {
    double a = 1, b = 0, c = 0, d = 1;
    bool operator==(const VideoTransform&) const = default;
};

class PlayerItem : public QObject, public std::enable_shared_from_this<PlayerItem> {
    Q_OBJECT
public:
    enum class Status { Unknown, ReadyToPlay, Failed };

    // Main thread. A local file path (a "file:" URL is also understood).
    static std::shared_ptr<PlayerItem> create(const QString& path);
    ~PlayerItem() override;

    const QString& path() const { return path_; }

    // Main thread.
    Status status() const { return status_; }
    // Whether the item was ready to play before its status became what it
    // is (a file that broke while it played).
    bool wasReady() const { return wasReady_; }
    QString errorString() const { return error_; }

    // Any thread. Seconds; NaN until the header has been read (and for a
    // file that failed).
    double duration() const { return duration_.load(std::memory_order_relaxed); }
    // Any thread. The item's position as its player reports it.
    double currentTime() const;
    // Any thread. Known once the header has been read.
    bool hasAudio() const { return hasAudio_.load(std::memory_order_relaxed); }
    bool hasVideo() const { return hasVideo_.load(std::memory_order_relaxed); }
    VideoTransform preferredTransform() const;

    // Main thread, before or after the item is given to a player: the item
    // ends when playback reaches this time (NaN for none, the default).
    void setForwardPlaybackEndTime(double seconds);
    double forwardPlaybackEndTime() const { return forwardEnd_.load(std::memory_order_relaxed); }

    // Main thread, before the item is given to a player (or by the player
    // that takes it over in a cut).
    void setAudioMix(const AudioMix& mix);
    AudioMix audioMix() const;

    // Any thread (the renderer attaches on its own queue). Several outputs
    // per item; an output belongs to one item.
    void addOutput(const std::shared_ptr<VideoOutput>& output);
    void removeOutput(const std::shared_ptr<VideoOutput>& output);
    // Any thread: the size the pictures are converted to, at most; empty
    // for their own size (no output and no hint, or an output without a
    // maximum size).
    QSize pictureSizeLimit() const;
    // The same for a video track turned by `transform` (before the item
    // knows its own).
    QSize pictureSizeLimit(const VideoTransform& transform) const;

    // Any thread, best before the item is given to a player: the largest
    // size the item's pictures will be drawn at upright (empty: none
    // known), counted like the maximum size of an output of its own for the
    // item's whole life. The decoder is set up, and the first pictures are
    // converted, from the outputs and the hint there are when the item
    // opens, so an item loaded before anything draws it (loaded ahead,
    // cued) is made for where it will go.
    void setPictureSizeHint(QSize size);

    // --- for MediaPlayer implementations -------------------------------
    // Any thread.
    std::shared_ptr<PlayerItemSource> source() const;
    void setSource(std::shared_ptr<PlayerItemSource> source);
    void setStreamInfo(bool hasAudio, bool hasVideo, VideoTransform transform);
    void setDuration(double seconds) { duration_.store(seconds, std::memory_order_relaxed); }
    // Main thread: status changes (each emits statusChanged once). A ready
    // item can still fail: its file changed or ended short while it played.
    void markReady();
    void markFailed(const QString& error);
    // Main thread: emits didPlayToEndTime.
    void postEnd() { emit didPlayToEndTime(); }
    // Main thread: true the first time (a player takes an item only once).
    bool claim();

signals:
    void statusChanged();
    void forwardPlaybackEndTimeChanged();
    // Main thread: playback reached the end (the out-point, or the end of
    // the media). Not emitted for an item that failed to load.
    void didPlayToEndTime();

private:
    explicit PlayerItem(QString path);

    QString path_;
    Status status_ = Status::Unknown;
    QString error_;
    bool claimed_ = false;
    bool wasReady_ = false;
    std::atomic<double> duration_;
    std::atomic<double> forwardEnd_;
    std::atomic<bool> hasAudio_ { false };
    std::atomic<bool> hasVideo_ { false };

    mutable std::mutex mutex_; // guards the fields below, for one read or write
    VideoTransform transform_;
    AudioMix mix_;
    std::shared_ptr<PlayerItemSource> source_;
    std::vector<std::weak_ptr<VideoOutput>> outputs_;
    QSize sizeHint_;
};

} // namespace tessarin
