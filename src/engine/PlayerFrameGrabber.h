#pragma once
// Takes a player's pictures for the program renderer: attaches a video
// output of its own to the player's current item (moving to a new item
// whenever the player's item changes, and taking the output off the item it
// leaves) and hands out the frame due at a host time, repeating the last
// one when no newer frame is due. When the player goes on to a new item
// (a join, a loop, a take), the picture shown until then stays until the
// new item's sound is heard, as the old sound plays until then. Render
// thread only (one user at a time); the player is held weakly.
#include "platform/BgraView.h"

#include <QSize>

#include <memory>

namespace tessarin {

class MediaPlayer;
class PlayerItem;
class VideoFrame;
class VideoOutput;
struct VideoTransform;

class PlayerFrameGrabber {
public:
    // A picture and how it is turned for display.
    struct Picture {
        std::shared_ptr<const VideoFrame> frame;
        Orientation orientation = Orientation::up;
        explicit operator bool() const { return frame != nullptr; }
    };

    explicit PlayerFrameGrabber(std::weak_ptr<MediaPlayer> player);
    ~PlayerFrameGrabber();
    PlayerFrameGrabber(const PlayerFrameGrabber&) = delete;
    PlayerFrameGrabber& operator=(const PlayerFrameGrabber&) = delete;

    // The player's picture due lookahead seconds after hostTime (the
    // caller's now), as the player's clock stands at hostTime; nothing when
    // the player is gone, has no item, has nothing decoded yet or, started
    // from stop, has not yet had its item's first sample heard.
    Picture image(double hostTime, double lookahead = 0.0);

    // The largest size the picture is drawn at, upright (empty: its own
    // size); the player converts its pictures to at most that size.
    void setDrawnSize(QSize size);

    // Whether this grabber reads player (and that player still exists).
    bool reads(const std::shared_ptr<MediaPlayer>& player) const;
    // The output attached now (null while not attached); for tests.
    const std::shared_ptr<VideoOutput>& output() const { return output_; }

    // How the video track's preferred transform turns the picture: the
    // three quarter and half turns; anything else (translation, mirroring)
    // counts as upright.
    static Orientation orientationOf(const VideoTransform& transform);

    // The longest a picture stays after its item has left the player:
    // beyond the output's latency and the new item's start.
    static constexpr double kHoldSeconds = 1.0;
    // Only a picture asked for this recently was on show to stay.
    static constexpr double kShownSeconds = 0.25;

    // Drops a reference to a player taken on the render thread. Players are
    // main-thread objects: should this be the last reference (the main
    // thread let go of the player meanwhile), the player is destroyed on the
    // main thread instead.
    static void release(std::shared_ptr<MediaPlayer>&& player);

private:
    void attach(const std::shared_ptr<PlayerItem>& item, double hostTime);
    void detach();
    void applyDrawnSize();

    std::weak_ptr<MediaPlayer> player_;
    std::weak_ptr<PlayerItem> item_;
    std::shared_ptr<VideoOutput> output_;
    // Whether the item's stream info was known when the orientation was
    // read; until then it is read again on every frame.
    bool orientationKnown_ = false;
    Orientation orientation_ = Orientation::up;
    std::shared_ptr<const VideoFrame> latest_;
    // The last item's picture, shown until the new item's first picture is
    // due, for at most kHoldSeconds from heldSince_.
    Picture held_;
    double heldSince_ = 0.0;
    double lastAsked_ = -1e9; // host time of the last image()
    QSize drawnSize_;
};

} // namespace tessarin
