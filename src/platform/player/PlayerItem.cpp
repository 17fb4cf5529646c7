#include "platform/player/PlayerItem.h"

#include "platform/player/VideoOutput.h"

#include <QUrl>

#include <cmath>
#include <limits>

namespace tessarin {

namespace {
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
}

std::shared_ptr<PlayerItem> PlayerItem::create(const QString& path)
{
    QString local = path;
    if (path.startsWith(QLatin1String("file:")))
        local = QUrl(path).toLocalFile();
    return std::shared_ptr<PlayerItem>(new PlayerItem(local));
}

PlayerItem::PlayerItem(QString path)
    : path_(std::move(path))
    , duration_(kNaN)
    , forwardEnd_(kNaN)
{
}

PlayerItem::~PlayerItem() = default;

double PlayerItem::currentTime() const
{
    auto src = source();
    return src ? src->currentTime() : 0.0;
}

VideoTransform PlayerItem::preferredTransform() const
{
    std::lock_guard lock(mutex_);
    return transform_;
}

void PlayerItem::setForwardPlaybackEndTime(double seconds)
{
    if (!std::isfinite(seconds))
        seconds = kNaN;
    forwardEnd_.store(seconds, std::memory_order_relaxed);
    emit forwardPlaybackEndTimeChanged();
}

void PlayerItem::setAudioMix(const AudioMix& mix)
{
    std::lock_guard lock(mutex_);
    mix_ = mix;
}

AudioMix PlayerItem::audioMix() const
{
    std::lock_guard lock(mutex_);
    return mix_;
}

void PlayerItem::addOutput(const std::shared_ptr<VideoOutput>& output)
{
    if (!output)
        return;
    output->attach(weak_from_this());
    std::lock_guard lock(mutex_);
    std::erase_if(outputs_, [&](const std::weak_ptr<VideoOutput>& o) { return o.expired() || o.lock() == output; });
    outputs_.push_back(output);
}

void PlayerItem::removeOutput(const std::shared_ptr<VideoOutput>& output)
{
    if (output && output->item().get() == this)
        output->attach({});
    std::lock_guard lock(mutex_);
    std::erase_if(outputs_, [&](const std::weak_ptr<VideoOutput>& o) { return o.expired() || o.lock() == output; });
}

QSize PlayerItem::pictureSizeLimit() const
{
    return pictureSizeLimit(preferredTransform());
}

QSize PlayerItem::pictureSizeLimit(const VideoTransform& transform) const
{
    std::vector<std::weak_ptr<VideoOutput>> outputs;
    QSize limit;
    {
        std::lock_guard lock(mutex_);
        outputs = outputs_;
        limit = sizeHint_;
    }
    // Pictures are stored as coded: a quarter-turned one is drawn transposed.
    if (transform.a == 0 && transform.d == 0 && transform.b != 0 && transform.c != 0)
        limit.transpose();
    for (const auto& weak : outputs) {
        const auto output = weak.lock();
        if (!output)
            continue;
        const QSize size = output->maximumSize();
        if (size.isEmpty())
            return {}; // someone draws them at their own size
        limit = limit.isEmpty() ? size : limit.expandedTo(size);
    }
    return limit;
}

void PlayerItem::setPictureSizeHint(QSize size)
{
    std::lock_guard lock(mutex_);
    sizeHint_ = size.isValid() && !size.isEmpty() ? size : QSize();
}

std::shared_ptr<PlayerItemSource> PlayerItem::source() const
{
    std::lock_guard lock(mutex_);
    return source_;
}

void PlayerItem::setSource(std::shared_ptr<PlayerItemSource> source)
{
    std::shared_ptr<PlayerItemSource> old;
    {
        std::lock_guard lock(mutex_);
        old = std::move(source_);
        source_ = std::move(source);
    }
    // old is released here, outside the lock.
}

void PlayerItem::setStreamInfo(bool hasAudio, bool hasVideo, VideoTransform transform)
{
    hasAudio_.store(hasAudio, std::memory_order_relaxed);
    hasVideo_.store(hasVideo, std::memory_order_relaxed);
    std::lock_guard lock(mutex_);
    transform_ = transform;
}

void PlayerItem::markReady()
{
    if (status_ != Status::Unknown)
        return;
    status_ = Status::ReadyToPlay;
    emit statusChanged();
}

void PlayerItem::markFailed(const QString& error)
{
    if (status_ == Status::Failed)
        return;
    wasReady_ = status_ == Status::ReadyToPlay;
    status_ = Status::Failed;
    error_ = error;
    emit statusChanged();
}

bool PlayerItem::claim()
{
    if (claimed_)
        return false;
    claimed_ = true;
    return true;
}

} // namespace tessarin
