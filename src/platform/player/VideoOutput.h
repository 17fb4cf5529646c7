#pragma once
// A reader of one player item's pictures, for a view or a renderer that
// pulls frames at its own rate. Several outputs can read the same item; each
// remembers which frame it handed out last. Any thread, but one user at a
// time per output.
#include <QImage>
#include <QSize>

#include <memory>
#include <mutex>

namespace tessarin {

class PlayerItem;
class VideoFrame;

class VideoOutput {
public:
    VideoOutput() = default;

    // The item's time shown at a host time (HostClock seconds), or
    // lookahead seconds after it as the clock stands then; NaN while the
    // output is not attached to an item, and while the item's sound at its
    // current position has not begun to be heard by then (its pictures wait
    // for it).
    double itemTime(double hostTime, double lookahead = 0.0) const;
    // True when the frame for itemTime differs from the last one copied.
    bool hasNewFrame(double itemTime) const;
    // The frame for itemTime (largest media time not after it, else the
    // earliest decoded); nullptr when none is decoded yet. Remembers it as
    // the last frame handed out.
    std::shared_ptr<const VideoFrame> copyFrame(double itemTime);

    // The item attached (set by PlayerItem::addOutput).
    std::shared_ptr<PlayerItem> item() const;

    // The largest size this output draws the pictures at (an empty size, the
    // default: their own size). The player converts each picture once, to
    // the largest size any output of the item asks for (aspect kept, never
    // enlarged), so a 4K picture drawn into a 1080p program is scaled in
    // the same pass that makes it BGRA, and no drawing scales it again.
    void setMaximumSize(QSize size);
    QSize maximumSize() const;

private:
    friend class PlayerItem;
    void attach(const std::weak_ptr<PlayerItem>& item);

    mutable std::mutex mutex_; // guards the fields below
    std::weak_ptr<PlayerItem> item_;
    std::weak_ptr<const VideoFrame> last_;
    QSize maximumSize_;
};

} // namespace tessarin
