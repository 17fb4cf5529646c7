#include "engine/PlayerFrameGrabber.h"

#include "platform/MainThread.h"
#include "platform/player/MediaPlayer.h"
#include "platform/player/PlayerItem.h"
#include "platform/player/VideoFrame.h"
#include "platform/player/VideoOutput.h"

#include <cmath>

namespace tessarin {

PlayerFrameGrabber::PlayerFrameGrabber(std::weak_ptr<MediaPlayer> player)
    : player_(std::move(player))
{
}

PlayerFrameGrabber::~PlayerFrameGrabber()
{
    detach();
}

bool PlayerFrameGrabber::reads(const std::shared_ptr<MediaPlayer>& player) const
{
    return player && !player_.expired() && !player_.owner_before(player) && !player.owner_before(player_);
}

void PlayerFrameGrabber::release(std::shared_ptr<MediaPlayer>&& player)
{
    if (player && player.use_count() == 1 && !isMainThread())
        postToMain([last = std::move(player)] { });
    player.reset();
}

Orientation PlayerFrameGrabber::orientationOf(const VideoTransform& t)
{
    if (t.a == 0 && t.b == 1 && t.c == -1 && t.d == 0)
        return Orientation::right;
    if (t.a == 0 && t.b == -1 && t.c == 1 && t.d == 0)
        return Orientation::left;
    if (t.a == -1 && t.b == 0 && t.c == 0 && t.d == -1)
        return Orientation::down;
    return Orientation::up;
}

void PlayerFrameGrabber::detach()
{
    // An output left on an item would stay there for the item's life: a
    // looping overlay or a long show would collect one per item change.
    if (output_) {
        if (auto old = item_.lock())
            old->removeOutput(output_);
    }
    output_.reset();
    item_.reset();
    latest_.reset();
    held_ = {};
    orientationKnown_ = false;
    orientation_ = Orientation::up;
}

void PlayerFrameGrabber::attach(const std::shared_ptr<PlayerItem>& item, double hostTime)
{
    // The picture on show stays until the new item's own is due.
    Picture shown { latest_, orientation_ };
    detach();
    if (shown && hostTime - lastAsked_ <= kShownSeconds) {
        held_ = std::move(shown);
        heldSince_ = hostTime;
    }
    item_ = item;
    output_ = std::make_shared<VideoOutput>();
    applyDrawnSize();
    item->addOutput(output_);
}

void PlayerFrameGrabber::setDrawnSize(QSize size)
{
    if (size == drawnSize_)
        return;
    drawnSize_ = size;
    applyDrawnSize();
}

void PlayerFrameGrabber::applyDrawnSize()
{
    if (!output_)
        return;
    // Pictures are stored as coded: a quarter-turned one is drawn transposed.
    const bool quarter = orientation_ == Orientation::left || orientation_ == Orientation::right;
    output_->setMaximumSize(quarter ? drawnSize_.transposed() : drawnSize_);
}

PlayerFrameGrabber::Picture PlayerFrameGrabber::image(double hostTime, double lookahead)
{
    auto player = player_.lock();
    auto item = player ? player->currentItem() : nullptr;
    release(std::move(player));
    if (!item) {
        detach();
        return {};
    }
    if (item != item_.lock())
        attach(item, hostTime);
    lastAsked_ = hostTime;
    if (!orientationKnown_) {
        // The transform is known once the file's header has been read; a
        // file without video keeps the identity.
        orientation_ = orientationOf(item->preferredTransform());
        orientationKnown_ = item->hasVideo() || item->hasAudio();
        applyDrawnSize();
    }

    const double t = output_->itemTime(hostTime, lookahead);
    if (held_) {
        if (!std::isfinite(t) && hostTime - heldSince_ < kHoldSeconds)
            return held_;
        held_ = {};
    }
    if (std::isfinite(t) && output_->hasNewFrame(t)) {
        if (auto frame = output_->copyFrame(t)) {
            latest_ = std::move(frame);
            return { latest_, orientation_ };
        }
    }
    if (latest_)
        return { latest_, orientation_ };
    // Nothing grabbed yet for this item: its picture at its current time,
    // unless its clock has no time yet. An item started from stop has no
    // picture on show to keep; its first one is due with its first sample,
    // which is heard one output latency after it is mixed (shown at once,
    // it came 160 ms before its sound on the streams).
    if (!std::isfinite(t))
        return {};
    if (auto frame = output_->copyFrame(item->currentTime())) {
        latest_ = std::move(frame);
        return { latest_, orientation_ };
    }
    return {};
}

} // namespace tessarin
