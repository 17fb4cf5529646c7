#include "media/LiveVideoSink.h"

#include "platform/MainThread.h"

#include <algorithm>

namespace tessarin {

std::shared_ptr<LiveVideoSink> LiveVideoSink::create()
{
    return std::shared_ptr<LiveVideoSink>(new LiveVideoSink());
}

void LiveVideoSink::push(const QImage& frame)
{
    bool wasPending = false;
    {
        std::lock_guard guard(lock_);
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
