#include "ui/browser/BrowserFileModel.h"

#include "media/MediaFile.h"

#include <algorithm>

namespace tessarin {
namespace {

// The decoded thumbnails kept: a few pages of rows at the largest thumbnail.
constexpr qsizetype kDecodedBytes = 8 * 1024 * 1024;
// A change of the list made of more runs of removed or added files than
// this resets the list rather than telling views of each run.
constexpr int kMostRuns = 16;
// More rows than this whose selection changed are told as one span.
constexpr int kMostSelectionRows = 32;

// The runs of consecutive files from begin to end for which isIn(file)
// holds, as [first, last] pairs in order, counted from offset at begin.
template <typename IsIn>
std::vector<std::pair<int, int>> runsOf(BrowserFiles::Files::const_iterator begin,
                                        BrowserFiles::Files::const_iterator end, int offset, IsIn isIn)
{
    std::vector<std::pair<int, int>> runs;
    for (int at = offset; begin != end; ++begin, ++at) {
        if (!isIn(**begin))
            continue;
        if (!runs.empty() && runs.back().second == at - 1)
            runs.back().second = at;
        else
            runs.emplace_back(at, at);
    }
    return runs;
}

} // namespace

BrowserFileModel::BrowserFileModel(QObject* parent)
    : QAbstractListModel(parent)
    , decoded_(kDecodedBytes)
{
}

void BrowserFileModel::setFiles(const BrowserFiles::Files& files)
{
    // The files the list starts and ends with as before are left as they
    // are: only the part between (all of it for a new list, nothing but the
    // file added for an append) is gone through.
    const int count = int(files_.size());
    const int newCount = int(files.size());
    int first = 0;
    while (first < count && first < newCount && files[std::size_t(first)] == files_[std::size_t(first)])
        ++first;
    int kept = 0;
    while (kept < count - first && kept < newCount - first
           && files[std::size_t(newCount - 1 - kept)] == files_[std::size_t(count - 1 - kept)])
        ++kept;
    const int end = count - kept;
    // The part between, each file once: one that the list names twice, or
    // that stands before or after that part too, is left out.
    BrowserFiles::Files between;
    QSet<QUuid> ids;
    for (int at = first; at < newCount - kept; ++at) {
        const auto& file = files[std::size_t(at)];
        const int row = rowOf(file->id());
        if (ids.contains(file->id()) || (row >= 0 && (row < first || row >= end)))
            continue;
        ids.insert(file->id());
        between.push_back(file);
    }
    for (int at = first; at < end; ++at) {
        const QUuid id = files_[std::size_t(at)]->id();
        if (ids.contains(id))
            continue;
        if (followed_.remove(id))
            disconnect(files_[std::size_t(at)].get(), nullptr, this, nullptr);
        decoded_.remove(id);
    }
    changeRows(first, end, between, ids);
}

void BrowserFileModel::changeRows(int first, int end, const BrowserFiles::Files& between, const QSet<QUuid>& ids)
{
    const auto removed = runsOf(files_.begin() + first, files_.begin() + end, first,
                                [&](const MediaFile& f) { return !ids.contains(f.id()); });
    const auto added = runsOf(between.begin(), between.end(), first,
                              [&](const MediaFile& f) { return !rows_.contains(f.id()); });
    const auto reindexFrom = [this](int at) {
        for (; at < int(files_.size()); ++at)
            rows_.insert(files_[std::size_t(at)]->id(), at);
    };
    const auto withBetween = [&](const BrowserFiles::Files& middle) {
        BrowserFiles::Files list(files_.begin(), files_.begin() + first);
        list.insert(list.end(), middle.begin(), middle.end());
        list.insert(list.end(), files_.begin() + end, files_.end());
        return list;
    };
    if (int(removed.size() + added.size()) > kMostRuns) {
        beginResetModel();
        files_ = withBetween(between);
        rows_.clear();
        reindexFrom(0);
        endResetModel();
        return;
    }
    // Removed from the last run up, so the runs before keep their rows.
    for (auto run = removed.rbegin(); run != removed.rend(); ++run) {
        beginRemoveRows({}, run->first, run->second);
        for (int at = run->first; at <= run->second; ++at)
            rows_.remove(files_[std::size_t(at)]->id());
        files_.erase(files_.begin() + run->first, files_.begin() + run->second + 1);
        end -= run->second - run->first + 1;
        reindexFrom(run->first);
        endRemoveRows();
    }
    BrowserFiles::Files stayed;
    for (const auto& file : between) {
        if (rows_.contains(file->id()))
            stayed.push_back(file);
    }
    if (!std::equal(stayed.begin(), stayed.end(), files_.begin() + first, files_.begin() + end))
        moveKeptRows(withBetween(stayed));
    // Inserted from the first run down: the rows before each run are the
    // list's already.
    for (const auto& [from, to] : added) {
        beginInsertRows({}, from, to);
        files_.insert(files_.begin() + from, between.begin() + (from - first), between.begin() + (to - first) + 1);
        reindexFrom(from);
        endInsertRows();
    }
}

void BrowserFileModel::moveKeptRows(const BrowserFiles::Files& kept)
{
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    QHash<QUuid, int> rows;
    for (int at = 0; at < int(kept.size()); ++at)
        rows.insert(kept[std::size_t(at)]->id(), at);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& index : before)
        after.append(index.isValid() ? this->index(rows.value(file(index.row())->id())) : QModelIndex());
    files_ = kept;
    rows_ = std::move(rows);
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void BrowserFileModel::setSelection(const QSet<QUuid>& ids)
{
    QSet<QUuid> changed = ids;
    changed.unite(selection_);
    changed.subtract(QSet<QUuid>(ids).intersect(selection_));
    selection_ = ids;
    std::vector<int> rows;
    for (const QUuid& id : std::as_const(changed)) {
        const int row = rowOf(id);
        if (row >= 0)
            rows.push_back(row);
    }
    if (rows.empty())
        return;
    if (int(rows.size()) > kMostSelectionRows) {
        const auto [first, last] = std::minmax_element(rows.begin(), rows.end());
        emit dataChanged(index(*first), index(*last), { SelectedRole });
        return;
    }
    for (int row : rows)
        emit dataChanged(index(row), index(row), { SelectedRole });
}

void BrowserFileModel::follow(const std::shared_ptr<MediaFile>& file) const
{
    const QUuid id = file->id();
    if (followed_.contains(id))
        return;
    followed_.insert(id);
    auto* self = const_cast<BrowserFileModel*>(this);
    connect(file.get(), &MediaFile::thumbnailChanged, self, [self, id] {
        self->decoded_.remove(id);
        self->decoding_.remove(id);
        self->announce(id, { Qt::DecorationRole });
    });
    connect(file.get(), &MediaFile::durationChanged, self, [self, id] {
        self->announce(id, { DurationRole, Qt::AccessibleTextRole });
    });
}

void BrowserFileModel::announce(const QUuid& id, const QList<int>& roles)
{
    const int row = rowOf(id);
    if (row >= 0)
        emit dataChanged(index(row), index(row), roles);
}

QImage BrowserFileModel::thumbnail(int row) const
{
    const auto& file = this->file(row);
    follow(file);
    const PackedPicture& picture = file->packedThumbnail();
    if (picture.isNull())
        return {};
    const QUuid id = file->id();
    if (const Decoded* decoded = decoded_.object(id); decoded && decoded->picture == picture)
        return decoded->image;
    if (decoding_.contains(id))
        return {};
    decoding_.insert(id);
    auto* self = const_cast<BrowserFileModel*>(this);
    picture.unpackLater(self, [self, id, picture](const QImage& image) {
        self->decoding_.remove(id);
        const int row = self->rowOf(id);
        // A newer picture has been announced already: its row asks again.
        if (row < 0 || !(self->file(row)->packedThumbnail() == picture))
            return;
        self->decoded_.insert(id, new Decoded { picture, image }, std::max<qsizetype>(1, image.sizeInBytes()));
        self->announce(id, { Qt::DecorationRole });
    });
    return {};
}

BrowserRow::Look BrowserFileModel::look(int row) const
{
    const MediaFile& file = *this->file(row);
    BrowserRow::Look look;
    look.name = BrowserRow::displayName(file);
    look.duration = BrowserRow::durationText(file);
    look.thumbnail = thumbnail(row);
    look.symbol = BrowserRow::placeholderSymbol(file);
    look.index = row;
    look.isSelected = isSelected(row);
    return look;
}

int BrowserFileModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(files_.size()); }

QVariant BrowserFileModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const auto& file = this->file(index.row());
    follow(file);
    switch (role) {
    case Qt::DisplayRole:
        return BrowserRow::displayName(*file);
    case Qt::AccessibleTextRole:
        return BrowserRow::accessibleName(*file);
    case Qt::DecorationRole:
        return thumbnail(index.row());
    case DurationRole:
        return BrowserRow::durationText(*file);
    case SymbolRole:
        return BrowserRow::placeholderSymbol(*file);
    case SelectedRole:
        return isSelected(index.row());
    default:
        return {};
    }
}

Qt::ItemFlags BrowserFileModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    // Selectable: screen readers take the rows for ones that take the focus.
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

} // namespace tessarin
