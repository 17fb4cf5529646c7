#pragma once
// What one event of the schedule column's list shows: its status (decided
// by the list's model), the start time with its caption, what the event
// plays with its length and state, and the name a screen reader reads for
// the row. Pure values and texts; the model computes them for the rows in
// view and the delegate paints them. Main thread (the texts are localised).
#include "automation/ScheduleModels.h"

#include <QColor>
#include <QCoreApplication>
#include <QString>

#include <memory>
#include <optional>

namespace tessarin {

class MediaBlock;

class ScheduleRow {
    Q_DECLARE_TR_FUNCTIONS(tessarin::ScheduleRow)
public:
    enum class Status { waiting, running, done, missed, disabled, missingBlock };

    // What the model computes for a row: a copy of the event, its position,
    // the block it plays (none when missing) with the block's planned length
    // and whether it holds a live source, its status and planned start, and
    // the alternating background behind it.
    struct Content {
        ScheduleEvent event;
        int index = 0;
        int count = 0;
        std::shared_ptr<MediaBlock> block;
        std::optional<double> blockDuration;
        bool blockIsLive = false;
        Status status = Status::waiting;
        std::optional<double> plannedStart;
        QColor background;
        bool operator==(const Content&) const = default;
    };

    // A row as shown: its content and texts, in the schedule's calendar.
    struct Shown {
        Content content;
        QString time;
        QString caption;
        QString title;
        QString detail;
        // One name for screen readers, read as the row reads.
        QString accessibleName;
        bool operator==(const Shown&) const = default;
    };
    static Shown shown(Content content, QString title, const ScheduleCalendar& calendar);

    static QString label(Status status);
    static QColor color(Status status);

    // The row's texts, in the schedule's calendar.
    static QString timeText(const ScheduleEvent& event, std::optional<double> plannedStart,
                            const ScheduleCalendar& calendar);
    static QString startCaption(const ScheduleEvent& event, std::optional<double> plannedStart,
                                const ScheduleCalendar& calendar);
    static QString detail(const Content& content);
    // The symbol of what the event plays.
    static QString contentSymbol(const ScheduleEvent& event);
};

} // namespace tessarin
