#include "platform/player/VideoOutput.h"

#include "platform/player/PlayerItem.h"
#include "platform/player/VideoFrame.h"

#include <limits>

namespace tessarin {

void VideoOutput::attach(const std::weak_ptr<PlayerItem>& item)
{
    std::lock_guard lock(mutex_);
    item_ = item;
    last_.reset();
}

void VideoOutput::setMaximumSize(QSize size)
{
    std::lock_guard lock(mutex_);
    maximumSize_ = size.isValid() && !size.isEmpty() ? size : QSize();
}

QSize VideoOutput::maximumSize() const
{
    std::lock_guard lock(mutex_);
    return maximumSize_;
}

std::shared_ptr<PlayerItem> VideoOutput::item() const
{
    std::lock_guard lock(mutex_);
    return item_.lock();
}

double VideoOutput::itemTime(double hostTime, double lookahead) const
{
    auto it = item();
    auto src = it ? it->source() : nullptr;
    if (!src)
        return std::numeric_limits<double>::quiet_NaN();
    return lookahead == 0.0 ? src->itemTime(hostTime) : src->itemTimeAhead(hostTime, lookahead);
}

bool VideoOutput::hasNewFrame(double itemTime) const
{
    auto it = item();
    auto src = it ? it->source() : nullptr;
    if (!src)
        return false;
    auto frame = src->frameAt(itemTime);
    if (!frame)
        return false;
    std::lock_guard lock(mutex_);
    return frame != last_.lock();
}

std::shared_ptr<const VideoFrame> VideoOutput::copyFrame(double itemTime)
{
    auto it = item();
    auto src = it ? it->source() : nullptr;
    if (!src)
        return nullptr;
    auto frame = src->frameAt(itemTime);
    if (frame) {
        std::lock_guard lock(mutex_);
        last_ = frame;
    }
    return frame;
}

} // namespace tessarin
