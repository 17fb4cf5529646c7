#pragma once
// The events of the schedule as a list model for the schedule column: one
// row per event, in the schedule's order. A row's texts and status are
// worked out when a view first asks for them (the rows in view, as they are
// painted) and kept until the next refresh, so a long schedule costs the
// rows on screen, not the whole list, at each second. The model keeps no
// schedule state beyond the ids it lists. Main thread.
#include "ui/schedule/ScheduleRow.h"

#include <QAbstractListModel>
#include <QHash>
#include <QUuid>

#include <optional>
#include <vector>

namespace tessarin {

class MediaBlock;
class PlaylistEngine;
class ScheduleController;

class ScheduleEventModel : public QAbstractListModel {
    Q_OBJECT
public:
    ScheduleEventModel(ScheduleController& schedule, PlaylistEngine& engine, QObject* parent = nullptr);

    // Re-reads the schedule at the whole-second instant now: rows follow the
    // list (an event appended, removed or moved one place keeps the other
    // rows and the current one; any other change resets the list) and every
    // row is worked out afresh when next asked for.
    void refresh(double now);

    int rowCount(const QModelIndex& parent = {}) const override;
    // The display and accessible text: the row's name as read aloud.
    QVariant data(const QModelIndex& index, int role) const override;

    // The row as shown, worked out on the first request after a refresh.
    const ScheduleRow::Shown& row(int row) const;
    // Tells views that the row's texts changed (not its size: the list is
    // not laid out again).
    void announceChanged(int row);
    // The row as worked out before the last refresh, when it was asked for.
    const ScheduleRow::Shown* previousRow(int row) const;
    // The id of the event the row lists; null outside the list.
    QUuid idAt(int row) const { return row >= 0 && std::size_t(row) < ids_.size() ? ids_[std::size_t(row)] : QUuid(); }
    // The row of the first event with the id; -1 when none.
    int rowOf(const QUuid& eventID) const;

    // The state of an event at a whole-second instant.
    ScheduleRow::Status status(const ScheduleEvent& event, bool hasBlock, double now,
                               const ScheduleCalendar& calendar) const;

signals:
    // Every row may show something else: views repaint the rows they show.
    void rowsWorkedOutAfresh();

private:
    struct BlockFigures {
        std::optional<double> duration;
        bool isLive = false;
    };
    void followList();
    std::shared_ptr<MediaBlock> blockOf(const ScheduleEvent& event) const;
    const BlockFigures& figuresOf(const MediaBlock& block) const;
    std::optional<double> plannedStart(int row) const;
    std::optional<double> plannedEnd(const ScheduleEvent& event, std::optional<double> start) const;

    ScheduleController& schedule_;
    PlaylistEngine& engine_;
    double now_ = 0;
    std::optional<ScheduleCalendar> calendar_;
    // The ids of the listed events, in the order of the rows.
    std::vector<QUuid> ids_;

    // Kept until the next refresh: the rows worked out, the planned starts
    // worked out, the blocks by id and each block's figures.
    mutable QHash<int, ScheduleRow::Shown> rows_;
    QHash<int, ScheduleRow::Shown> previous_;
    mutable QHash<int, std::optional<double>> planned_;
    mutable std::optional<QHash<QUuid, std::shared_ptr<MediaBlock>>> blocks_;
    mutable QHash<const MediaBlock*, BlockFigures> figures_;
    ScheduleRow::Shown missing_;
};

} // namespace tessarin
