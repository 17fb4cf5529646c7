#include "media/MediaBlock.h"

#include "media/ShowRevision.h"

#include <algorithm>

namespace tessarin {

MediaBlock::MediaBlock(QString name, QUuid id) : id_(id), name_(std::move(name)) {}

// Every value of a block is saved with the show.
#define TESSARIN_PUBLISH(member, signal)            \
    ShowRevision::advanceIfChanging(member, value); \
    member = value;                                 \
    emit signal();                                  \
    emit changed()

void MediaBlock::setName(const QString& value) { TESSARIN_PUBLISH(name_, nameChanged); }
void MediaBlock::setItems(Items value) { TESSARIN_PUBLISH(items_, itemsChanged); }
void MediaBlock::setLoop(bool value) { TESSARIN_PUBLISH(loop_, loopChanged); }
void MediaBlock::setLoopCount(std::int64_t value) { TESSARIN_PUBLISH(loopCount_, loopCountChanged); }
void MediaBlock::setEndBehavior(BlockEndBehavior value) { TESSARIN_PUBLISH(endBehavior_, endBehaviorChanged); }
void MediaBlock::setNormalizeAudio(bool value) { TESSARIN_PUBLISH(normalizeAudio_, normalizeAudioChanged); }

#undef TESSARIN_PUBLISH

void MediaBlock::publishItems()
{
    ShowRevision::advance();
    emit itemsChanged();
    emit changed();
}

void MediaBlock::appendItems(const Items& items)
{
    items_.insert(items_.end(), items.begin(), items.end());
    publishItems();
}

void MediaBlock::insertItem(std::shared_ptr<MediaFile> item, std::size_t index)
{
    index = std::min(index, items_.size());
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(index), std::move(item));
    publishItems();
}

void MediaBlock::removeItem(std::size_t index)
{
    if (index >= items_.size())
        return;
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
    publishItems();
}

void MediaBlock::moveItem(std::size_t from, std::size_t to)
{
    if (from >= items_.size())
        return;
    std::shared_ptr<MediaFile> item = std::move(items_[from]);
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(from));
    to = std::min(to, items_.size());
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(to), std::move(item));
    publishItems();
}

bool MediaBlock::hasLiveSource() const
{
    return std::any_of(items_.begin(), items_.end(), [](const auto& item) { return item && item->isLive(); });
}

std::optional<double> MediaBlock::plannedDuration() const
{
    if (items_.empty())
        return std::nullopt;
    if (loop_ && loopCount_ < 1)
        return std::nullopt;
    double total = 0.0;
    for (const auto& item : items_) {
        if (!item || item->isLive() || item->loop())
            return std::nullopt;
        const double end = item->outPoint().value_or(item->duration());
        if (!(end > 0.0))
            return std::nullopt;
        const double length = end - item->inPoint();
        if (length >= 0.0)
            total += length;
    }
    return total * (loop_ ? static_cast<double>(loopCount_) : 1.0);
}

} // namespace tessarin
