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

// The runs of consecutive entries of list for which isIn(entry) holds, as
// [first, last] pairs in order.
template <typename IsIn>
std::vector<std::pair<int, int>> runsOf(const BrowserFiles::Files& list, IsIn isIn)
{
    std::vector<std::pair<int, int>> runs;
    for (int at = 0; at < int(list.size()); ++at) {
        if (!isIn(*list[std::size_t(at)]))
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
    BrowserFiles::Files listed;
    listed.reserve(files.size());
    QSet<QUuid> seen;
    seen.reserve(qsizetype(files.size()));
    for (const auto& file : files) {
        if (seen.contains(file->id()))
            continue; // one row per file, even if the list names it twice
        seen.insert(file->id());
        listed.push_back(file);
    }
    for (const auto& file : files_) {
        if (seen.contains(file->id()))
            continue;
        if (followed_.remove(file->id()))
            disconnect(file.get(), nullptr, this, nullptr);
        decoded_.remove(file->id());
    }
    changeRows(std::move(listed));
}

void BrowserFileModel::changeRows(BrowserFiles::Files listed)
{
    QSet<QUuid> staying;
    for (const auto& file : listed)
        staying.insert(file->id());
    const auto removed = runsOf(files_, [&](const MediaFile& f) { return !staying.contains(f.id()); });
    const auto added = runsOf(listed, [&](const MediaFile& f) { return !rows_.contains(f.id()); });
    const auto reindexFrom = [this](int first) {
        for (int at = first; at < int(files_.size()); ++at)
            rows_.insert(files_[std::size_t(at)]->id(), at);
    };
    if (int(removed.size() + added.size()) > kMostRuns) {
        beginResetModel();
        files_ = std::move(listed);
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
        reindexFrom(run->first);
        endRemoveRows();
    }
    BrowserFiles::Files kept;
    kept.reserve(files_.size());
    for (const auto& file : listed) {
        if (rows_.contains(file->id()))
            kept.push_back(file);
    }
    if (kept != files_)
        moveKeptRows(kept);
    // Inserted from the first run down: the rows before each run are the
    // list's already.
    for (const auto& [first, last] : added) {
        beginInsertRows({}, first, last);
        files_.insert(files_.begin() + first, listed.begin() + first, listed.begin() + last + 1);
        reindexFrom(first);
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
