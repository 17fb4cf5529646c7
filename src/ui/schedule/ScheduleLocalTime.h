#pragma once
// Local calendar date and time of day of schedule instants, read and built
// in a ScheduleCalendar's time zone (the zone the schedule itself runs on),
// with its rules for clock changes: a local time in a spring-forward gap is
// the first instant after the gap, a repeated one the earlier instant.
// Pure functions; any thread.
#include "automation/ScheduleModels.h"

#include <QDate>

#include <optional>

namespace tessarin {

struct LocalDateTime {
    QDate date;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

class ScheduleLocalTime {
public:
    ScheduleLocalTime() = delete;

    // The local date and time of day of the instant's whole second (its
    // fraction dropped); nothing for an instant that is not a usable
    // calendar time (not finite, or thousands of years away).
    static std::optional<LocalDateTime> toLocal(double instant, const ScheduleCalendar& calendar);
    // The instant of a local date and time of day; nothing for an invalid
    // date or a time of day outside 00:00:00 ... 23:59:59.
    static std::optional<double> fromLocal(const LocalDateTime& local, const ScheduleCalendar& calendar);
};

} // namespace tessarin
