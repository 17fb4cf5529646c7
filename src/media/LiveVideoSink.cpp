#include "media/LiveVideoSink.h"

#include "platform/Clock.h"
#include "platform/MainThread.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <cmath>

namespace tessarin {

std::shared_ptr<LiveVideoSink> LiveVideoSink::create()
{
    return std::shared_ptr<LiveVideoSink>(new LiveVideoSink());
}

void LiveVideoSink::push(const QImage& frame)
{
    push(frame, HostClock::monotonicSeconds());
}

namespace {

// Whether two pictures are the same, pixel for pixel.
bool samePicture(const QImage& a, const QImage& b)
{
    if (a.isNull() || b.isNull() || a.size() != b.size() || a.format() != b.format())
        return false;
    if (a.constBits() == b.constBits())
        return true;
    const auto rowBytes = std::size_t(a.width()) * std::size_t(a.depth() / 8);
    for (int y = 0; y < a.height(); ++y) {
        if (std::memcmp(a.constScanLine(y), b.constScanLine(y), rowBytes) != 0)
            return false;
    }
    return true;
}

} // namespace

void LiveVideoSink::push(const QImage& frame, double due)
{
    const double now = HostClock::monotonicSeconds();
    if (!std::isfinite(due))
        due = now;
    QImage before;
    {
        std::lock_guard guard(lock_);
        if (!due_.empty())
            before = due_.back().frame;
    }
    // A source slower than the ingest's 30 fps grid has pictures repeated
    // on it (a 25 fps one every fifth): a repeat is no picture of the feed,
    // and waiting as one it would take a render of the program's rate from
    // a picture that is one. The picture before stays on until the next.
    const bool repeat = samePicture(before, frame);
    bool wasPending = false;
    {
        std::lock_guard guard(lock_);
        if (frame.isNull())
            due_.clear();
        // A frame never goes before one pushed earlier: a delay that shrinks
        // holds the newer frames back instead of showing them out of order.
        if (!due_.empty())
            due = std::max(due, due_.back().time);
        if (!repeat || due_.empty())
            due_.push_back({ due, frame, ++pushed_ });
        // The frame due before the cut-off stays: it is what shows until
        // the next one is due.
        while (due_.size() > kMaxFrames || (due_.size() >= 2 && due_[1].time <= now - kKeepSeconds))
            due_.pop_front();
        pending_ = frame;
        latest_ = frame;
        wasPending = hasPending_;
        hasPending_ = true;
    }
    if (wasPending)
        return; // the scheduled update will show this newer frame
    postToMain([weak = weak_from_this()] {
        if (auto self = weak.lock())
            self->update();
    });
}

QImage LiveVideoSink::latest() const
{
    std::lock_guard guard(lock_);
    return latest_;
}

QImage LiveVideoSink::frameAt(double time) const
{
    std::lock_guard guard(lock_);
    for (auto it = due_.rbegin(); it != due_.rend(); ++it) {
        if (it->time <= time)
            return it->frame;
    }
    return QImage();
}

QImage LiveVideoSink::frameAt(double time, double period, LiveFramePick& pick) const
{
    std::lock_guard guard(lock_);
    // At most kMaxFrames: on the stack, no allocation on the render's thread.
    std::array<LiveFramePick::Frame, kMaxFrames> frames;
    std::size_t count = 0;
    for (const Due& d : due_) {
        if (count == frames.size())
            break;
        frames[count++] = { d.id, d.time };
    }
    const int chosen = pick.pick(std::span(frames.data(), count), time, period);
    return chosen >= 0 ? due_[std::size_t(chosen)].frame : QImage();
}

void LiveVideoSink::update()
{
    QImage frame;
    {
        std::lock_guard guard(lock_);
        frame = std::move(pending_);
        pending_ = QImage();
        hasPending_ = false;
    }
    lastImage_ = frame;
    dropReleasedViews();
    // A view's show may register another view; iterate over a copy.
    const auto views = views_;
    for (const auto& view : views) {
        if (view.object && view.show)
            view.show(frame);
    }
}

void LiveVideoSink::addView(QObject* view, Show show)
{
    if (!view || !show)
        return;
    show(lastImage_);
    views_.push_back({ QPointer<QObject>(view), std::move(show) });
}

int LiveVideoSink::viewCount()
{
    dropReleasedViews();
    return static_cast<int>(views_.size());
}

void LiveVideoSink::dropReleasedViews()
{
    std::erase_if(views_, [](const View& v) { return v.object.isNull(); });
}

} // namespace tessarin
