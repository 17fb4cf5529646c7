#include "ui/playlist/BlockItemModel.h"

#include "engine/FollowEngine.h"
#include "engine/PlaylistEngine.h"
#include "media/MediaBlock.h"
#include "media/MediaFile.h"

#include <algorithm>
#include <cstdlib>

namespace tessarin {

BlockItemModel::BlockItemModel(std::shared_ptr<MediaBlock> block, PlaylistEngine& engine, QObject* parent)
    : QAbstractListModel(parent)
    , block_(std::move(block))
    , engine_(engine)
{
    connect(block_.get(), &MediaBlock::itemsChanged, this, &BlockItemModel::syncItems);
    followEngine(engine_, this,
        { &PlaylistEngine::currentItemIDChanged, &PlaylistEngine::isPlayingChanged, &PlaylistEngine::cuedItemChanged,
          &PlaylistEngine::selectedItemChanged, &PlaylistEngine::liveStatusChanged },
        [this] { refreshMarks(); });
    syncItems();
}

int BlockItemModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(listed_.size());
}

QVariant BlockItemModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= int(listed_.size()))
        return {};
    const MediaFile& file = *item(index.row());
    switch (role) {
    case Qt::DisplayRole: return MediaRowView::displayName(file);
    case Qt::AccessibleTextRole: return MediaRowView::spokenText(file, marks(index.row()));
    default: return {};
    }
}

MediaRowView::Marks BlockItemModel::marks(int row) const
{
    const MediaFile& file = *item(row);
    const auto& current = engine_.currentItemID();
    const auto& cued = engine_.cuedItem();
    const auto& selected = engine_.selectedItem();
    MediaRowView::Marks marks;
    marks.index = row;
    marks.isOnAir = current && *current == file.id();
    marks.isPlaying = marks.isOnAir && engine_.isPlaying();
    marks.isCued = cued && cued->id() == file.id();
    marks.isSelected = selected && selected->id() == file.id();
    if (marks.isOnAir && file.isLive())
        marks.liveStatus = engine_.liveStatus();
    return marks;
}

void BlockItemModel::announceItem(const QUuid& itemID)
{
    const int row = rowOf(itemID);
    if (row >= 0)
        emit dataChanged(index(row), index(row));
}

void BlockItemModel::follow(const std::shared_ptr<MediaFile>& file)
{
    if (followed_.contains(file->id()))
        return;
    followed_.insert(file->id(), connect(file.get(), &MediaFile::changed, this, [this, id = file->id()] {
        announceItem(id);
    }));
}

void BlockItemModel::reindex(int from, int to)
{
    for (int i = from; i <= to; ++i)
        rows_.insert(listed_[std::size_t(i)]->id(), i);
}

void BlockItemModel::syncItems()
{
    std::vector<std::shared_ptr<MediaFile>> next;
    next.reserve(block_->items().size());
    QHash<QUuid, int> seen;
    for (const auto& file : block_->items()) {
        if (file && !seen.contains(file->id())) {
            seen.insert(file->id(), int(next.size()));
            next.push_back(file);
        }
    }
    marksSource_ = marksSourceNow();
    if (next == listed_)
        return;
    // One item moved by one or more places: its row moves, the others and
    // the views' rows made for them stay.
    if (next.size() == listed_.size() && !next.empty()) {
        const int n = int(next.size());
        int first = 0;
        while (first < n && next[std::size_t(first)] == listed_[std::size_t(first)])
            ++first;
        int last = n - 1;
        while (last > first && next[std::size_t(last)] == listed_[std::size_t(last)])
            --last;
        const auto span = [&](int shift, const auto& a, const auto& b) {
            for (int i = first; i + shift <= last && i <= last; ++i) {
                if (a[std::size_t(i)] != b[std::size_t(i + shift)])
                    return false;
            }
            return true;
        };
        // Down: the first of the span went to its end; up: the last to its start.
        const bool down = next[std::size_t(last)] == listed_[std::size_t(first)] && span(1, next, listed_);
        const bool up = !down && next[std::size_t(first)] == listed_[std::size_t(last)] && span(1, listed_, next);
        if (down || up) {
            const int from = down ? first : last;
            const int to = down ? last : first;
            beginMoveRows({}, from, from, {}, down ? to + 1 : to);
            listed_ = std::move(next);
            reindex(first, last);
            endMoveRows();
            emit dataChanged(index(first), index(last)); // their stripes
            return;
        }
    }
    if (insertOrRemove(next))
        return;
    beginResetModel();
    listed_ = std::move(next);
    rows_ = std::move(seen);
    for (auto it = followed_.begin(); it != followed_.end();) {
        if (rows_.contains(it.key())) {
            ++it;
        } else {
            disconnect(*it);
            it = followed_.erase(it);
        }
    }
    for (const auto& file : listed_)
        follow(file);
    endResetModel();
}

bool BlockItemModel::insertOrRemove(std::vector<std::shared_ptr<MediaFile>>& next)
{
    // One run of items came or went, the others kept their order: rows are
    // inserted or removed, so views keep theirs (and screen readers their place).
    const int n = int(next.size());
    const int m = int(listed_.size());
    if (n == m || std::min(n, m) == 0)
        return false;
    int first = 0;
    while (first < std::min(n, m) && next[std::size_t(first)] == listed_[std::size_t(first)])
        ++first;
    int kept = 0; // at the end
    while (kept < std::min(n, m) - first && next[std::size_t(n - 1 - kept)] == listed_[std::size_t(m - 1 - kept)])
        ++kept;
    if (first + kept != std::min(n, m))
        return false;
    const int last = first + std::abs(n - m) - 1;
    if (n > m) {
        beginInsertRows({}, first, last);
        listed_ = std::move(next);
        reindex(first, n - 1);
        for (int i = first; i <= last; ++i)
            follow(listed_[std::size_t(i)]);
        endInsertRows();
    } else {
        beginRemoveRows({}, first, last);
        for (int i = first; i <= last; ++i) {
            const QUuid id = listed_[std::size_t(i)]->id();
            rows_.remove(id);
            disconnect(followed_.take(id));
        }
        listed_ = std::move(next);
        reindex(first, n - 1);
        endRemoveRows();
    }
    // The rows below changed places: their stripes.
    const int moved = n > m ? last + 1 : first;
    if (moved < n)
        emit dataChanged(index(moved), index(n - 1));
    return true;
}

BlockItemModel::MarksSource BlockItemModel::marksSourceNow() const
{
    MarksSource now;
    now.current = engine_.currentItemID();
    if (engine_.cuedItem())
        now.cued = engine_.cuedItem()->id();
    if (engine_.selectedItem())
        now.selected = engine_.selectedItem()->id();
    now.playing = engine_.isPlaying();
    now.liveStatus = engine_.liveStatus();
    return now;
}

void BlockItemModel::refreshMarks()
{
    const MarksSource now = marksSourceNow();
    if (now == marksSource_)
        return;
    const MarksSource before = marksSource_;
    marksSource_ = now;
    std::vector<int> told;
    for (const auto& id : { before.current, before.cued, before.selected, now.current, now.cued, now.selected }) {
        const int row = id ? rowOf(*id) : -1;
        if (row < 0 || std::find(told.begin(), told.end(), row) != told.end())
            continue;
        told.push_back(row);
        emit dataChanged(index(row), index(row));
    }
}

} // namespace tessarin
