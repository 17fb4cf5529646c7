#include "ui/schedule/ScheduleEventModel.h"

#include "automation/ScheduleController.h"
#include "engine/PlaylistEngine.h"
#include "media/MediaBlock.h"
#include "ui/kit/Theme.h"

#include <algorithm>

namespace tessarin {

ScheduleEventModel::ScheduleEventModel(ScheduleController& schedule, PlaylistEngine& engine, QObject* parent)
    : QAbstractListModel(parent)
    , schedule_(schedule)
    , engine_(engine)
{
}

void ScheduleEventModel::refresh(double now)
{
    now_ = now;
    // Looked up once a refresh: finding the system's zone reads the file system.
    calendar_ = schedule_.calendar();
    previous_ = std::move(rows_);
    rows_.clear();
    planned_.clear();
    blocks_.reset();
    figures_.clear();
    followList();
    // Not dataChanged over every row: the list view would lay out the whole
    // list again, asking every row its size.
    emit rowsWorkedOutAfresh();
}

void ScheduleEventModel::followList()
{
    const auto& events = schedule_.events();
    const auto sameID = [](const ScheduleEvent& event, const QUuid& id) { return event.id == id; };
    if (std::equal(events.begin(), events.end(), ids_.begin(), ids_.end(), sameID))
        return;
    std::vector<QUuid> ids;
    ids.reserve(events.size());
    for (const ScheduleEvent& event : events)
        ids.push_back(event.id);
    const auto [oldEnd, newEnd] = std::mismatch(ids_.begin(), ids_.end(), ids.begin(), ids.end());
    const int at = int(oldEnd - ids_.begin());
    const int oldCount = int(ids_.size());
    const int newCount = int(ids.size());
    if (oldEnd == ids_.end()) {
        // Appended.
        beginInsertRows({}, oldCount, newCount - 1);
        ids_ = std::move(ids);
        endInsertRows();
    } else if (newCount + 1 == oldCount && std::equal(oldEnd + 1, ids_.end(), newEnd, ids.end())) {
        // One removed.
        beginRemoveRows({}, at, at);
        ids_ = std::move(ids);
        endRemoveRows();
    } else if (newCount == oldCount && at + 1 < newCount && ids_[std::size_t(at)] == ids[std::size_t(at) + 1]
               && ids_[std::size_t(at) + 1] == ids[std::size_t(at)]
               && std::equal(oldEnd + 2, ids_.end(), newEnd + 2, ids.end())) {
        // Two neighbours swapped: the lower one goes up one place.
        beginMoveRows({}, at + 1, at + 1, {}, at);
        ids_ = std::move(ids);
        endMoveRows();
    } else {
        beginResetModel();
        ids_ = std::move(ids);
        endResetModel();
    }
}

int ScheduleEventModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(ids_.size());
}

QVariant ScheduleEventModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return row(index.row()).accessibleName;
    if (role == Qt::ToolTipRole) // the status bar's help text
        return ScheduleRow::label(row(index.row()).content.status);
    return {};
}

void ScheduleEventModel::announceChanged(int row)
{
    const QModelIndex at = index(row);
    emit dataChanged(at, at, { Qt::DisplayRole, Qt::AccessibleTextRole });
}

const ScheduleRow::Shown* ScheduleEventModel::previousRow(int row) const
{
    const auto it = previous_.constFind(row);
    return it == previous_.constEnd() ? nullptr : &*it;
}

int ScheduleEventModel::rowOf(const QUuid& eventID) const
{
    const auto it = std::find(ids_.begin(), ids_.end(), eventID);
    return it == ids_.end() ? -1 : int(it - ids_.begin());
}

const ScheduleRow::Shown& ScheduleEventModel::row(int row) const
{
    const auto kept = rows_.constFind(row);
    if (kept != rows_.constEnd())
        return *kept;
    const auto& events = schedule_.events();
    // The list and the rows agree between a change and its refresh, which
    // the schedule's change signal brings at once.
    if (row < 0 || std::size_t(row) >= events.size() || events[std::size_t(row)].id != ids_[std::size_t(row)]
        || !calendar_)
        return missing_;
    const ScheduleEvent& event = events[std::size_t(row)];
    ScheduleRow::Content content;
    content.event = event;
    content.index = row;
    content.count = int(events.size());
    content.block = blockOf(event);
    if (const MediaBlock* block = content.block.get()) {
        const BlockFigures& figures = figuresOf(*block);
        content.blockDuration = figures.duration;
        content.blockIsLive = figures.isLive;
    }
    content.status = status(event, content.block != nullptr, now_, *calendar_);
    content.plannedStart = plannedStart(row);
    content.background = row % 2 == 0 ? Theme::rowDark() : Theme::rowLight();
    QString title = content.block && !event.media ? content.block->name() : schedule_.title(event);
    return *rows_.insert(row, ScheduleRow::shown(std::move(content), std::move(title), *calendar_));
}

std::shared_ptr<MediaBlock> ScheduleEventModel::blockOf(const ScheduleEvent& event) const
{
    if (event.media)
        return schedule_.block(event);
    if (!event.blockID)
        return nullptr;
    if (!blocks_) {
        blocks_.emplace();
        for (const auto& block : engine_.blocks())
            blocks_->insert(block->id(), block);
    }
    return blocks_->value(*event.blockID);
}

const ScheduleEventModel::BlockFigures& ScheduleEventModel::figuresOf(const MediaBlock& block) const
{
    auto it = figures_.find(&block);
    if (it == figures_.end())
        it = figures_.insert(&block, {block.plannedDuration(), block.hasLiveSource()});
    return *it;
}

std::optional<double> ScheduleEventModel::plannedStart(int row) const
{
    // As ScheduleController::plannedStartList plans the whole list, for one
    // row: a fixed event starts by the calendar, a follow event at the
    // planned end of the enabled event before it (none after a manual one),
    // disabled events are passed over. Only the chain back to the nearest
    // enabled fixed or manual event is worked out, and kept.
    const auto& events = schedule_.events();
    const auto known = planned_.constFind(row);
    if (known != planned_.constEnd())
        return *known;
    // The rows of the chain, from row back to its head.
    std::vector<int> chain;
    std::optional<double> cursor;
    for (int at = row; at >= 0; --at) {
        const ScheduleEvent& event = events[std::size_t(at)];
        if (!event.isEnabled) {
            if (at == row)
                return *planned_.insert(row, std::nullopt);
            continue;
        }
        if (at != row) {
            const auto kept = planned_.constFind(at);
            if (kept != planned_.constEnd()) {
                cursor = plannedEnd(event, *kept);
                break;
            }
        }
        chain.push_back(at);
        if (event.start != ScheduleEvent::Start::follow)
            break;
    }
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        const ScheduleEvent& event = events[std::size_t(*it)];
        const std::optional<double> start = ScheduleController::plannedStart(event, cursor, now_, *calendar_);
        planned_.insert(*it, start);
        cursor = plannedEnd(event, start);
    }
    return planned_.value(row);
}

std::optional<double> ScheduleEventModel::plannedEnd(const ScheduleEvent& event, std::optional<double> start) const
{
    const auto block = blockOf(event);
    return ScheduleController::plannedEnd(event, start, block ? figuresOf(*block).duration : std::nullopt);
}

ScheduleRow::Status ScheduleEventModel::status(const ScheduleEvent& event, bool hasBlock, double now,
                                               const ScheduleCalendar& calendar) const
{
    using Status = ScheduleRow::Status;
    if (!hasBlock)
        return Status::missingBlock;
    if (schedule_.isRunning(event))
        return Status::running;
    if (!event.isEnabled)
        return Status::disabled;
    const bool started = schedule_.started().count(event.id) > 0;
    if (event.start != ScheduleEvent::Start::fixed)
        return started ? Status::done : Status::waiting;
    if (event.repeats != ScheduleEvent::Repeat::none)
        return Status::waiting;
    if (!ScheduleClock::latestOccurrence(event, now, calendar))
        return Status::waiting;
    return started ? Status::done : Status::missed;
}

} // namespace tessarin
