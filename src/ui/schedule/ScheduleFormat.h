#pragma once
// The schedule views' texts of instants and lengths: clock times always on
// the 24-hour clock, day and weekday names in the interface language (not
// the system's region), instants read in the schedule's calendar. Main
// thread (the language is the running interface's).
#include "automation/ScheduleModels.h"

#include <QLocale>
#include <QString>

namespace tessarin {

class ScheduleFormat {
public:
    ScheduleFormat() = delete;

    // "HH:mm:ss" of the instant's local time of day; empty for an instant
    // that is no calendar time.
    static QString time(double instant, const ScheduleCalendar& calendar);
    // Abbreviated weekday, day of month and abbreviated month as the
    // interface language orders them ("ven 10 mag", "Fri, May 10").
    static QString day(double instant, const ScheduleCalendar& calendar);
    // The full weekday name ("venerdì", "Friday").
    static QString weekday(double instant, const ScheduleCalendar& calendar);
    // "%02d:%02d:%02d" of whole seconds, hours not wrapped at 24; negative
    // and not-a-number values count as 0, infinite ones (and lengths beyond
    // any machine integer) give "00:00:00".
    static QString duration(double seconds);

    // The locale of the interface language: Italian or English.
    static QLocale locale();
    // The date pattern of day(): "ddd d MMM" or "ddd, MMM d".
    static QString dayPattern();
};

} // namespace tessarin
