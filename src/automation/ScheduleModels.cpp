#include "automation/ScheduleModels.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cmath>

namespace tessarin {

namespace {

using std::chrono::seconds;

bool usable(double instant)
{
    return ScheduleEvent::dateRange.contains(instant);
}

date::sys_seconds wholeSeconds(double instant)
{
    return date::sys_seconds{seconds{static_cast<std::int64_t>(std::floor(instant))}};
}

double toInstant(date::sys_seconds time)
{
    return static_cast<double>(time.time_since_epoch().count());
}

// The local calendar day and time of day of an instant.
struct LocalTime {
    date::local_days day;
    seconds timeOfDay;
    date::weekday weekday() const { return date::weekday{day}; }
};

LocalTime localTime(double instant, const ScheduleCalendar& calendar)
{
    const date::local_seconds local = calendar.zone().toLocal(wholeSeconds(instant));
    const date::local_days day = date::floor<date::days>(local);
    return {day, local - day};
}

// The start at a time of day on a local date: in a gap, the first instant
// after it; when repeated, the earlier instant; none when that instant is
// on another date (the date was skipped, or the gap runs past midnight).
std::optional<double> startOn(date::local_days day, seconds timeOfDay, const ScheduleCalendar& calendar)
{
    const date::sys_seconds start = calendar.zone().fromLocal(day + timeOfDay);
    if (date::floor<date::days>(calendar.zone().toLocal(start)) != day)
        return std::nullopt;
    return toInstant(start);
}

// How many dates the searches look at: the reference date and the fourteen
// after (or before) it hold the weekday twice, so a date without a start is
// passed over.
constexpr int searchedDates = 15;

} // namespace

bool operator==(const ScheduleEvent& a, const ScheduleEvent& b)
{
    return a.id == b.id && a.blockID == b.blockID && a.start == b.start && a.date == b.date
        && a.repeats == b.repeats && a.isEnabled == b.isEnabled && a.duration == b.duration
        && a.media == b.media;
}

QString ScheduleEvent::rawValue(Start start)
{
    switch (start) {
    case Start::fixed: return QStringLiteral("fixed");
    case Start::follow: return QStringLiteral("follow");
    case Start::manual: return QStringLiteral("manual");
    }
    return {};
}

QString ScheduleEvent::rawValue(Repeat repeat)
{
    switch (repeat) {
    case Repeat::none: return QStringLiteral("none");
    case Repeat::daily: return QStringLiteral("daily");
    case Repeat::weekly: return QStringLiteral("weekly");
    }
    return {};
}

std::optional<ScheduleEvent::Start> ScheduleEvent::startFromRaw(const QString& raw)
{
    for (const Start start : allStarts()) {
        if (rawValue(start) == raw)
            return start;
    }
    return std::nullopt;
}

std::optional<ScheduleEvent::Repeat> ScheduleEvent::repeatFromRaw(const QString& raw)
{
    for (const Repeat repeat : allRepeats()) {
        if (rawValue(repeat) == raw)
            return repeat;
    }
    return std::nullopt;
}

QString ScheduleEvent::label(Start start)
{
    switch (start) {
    case Start::fixed: return QCoreApplication::translate("ScheduleEvent", "Orario fisso");
    case Start::follow: return QCoreApplication::translate("ScheduleEvent", "A seguire");
    case Start::manual: return QCoreApplication::translate("ScheduleEvent", "Manuale");
    }
    return {};
}

QString ScheduleEvent::label(Repeat repeat)
{
    switch (repeat) {
    case Repeat::none: return QCoreApplication::translate("ScheduleEvent", "Una volta");
    case Repeat::daily: return QCoreApplication::translate("ScheduleEvent", "Ogni giorno");
    case Repeat::weekly: return QCoreApplication::translate("ScheduleEvent", "Ogni settimana");
    }
    return {};
}

double ScheduleEvent::loadedDuration(double seconds)
{
    return seconds == 0.0 ? 0.0 : durationRange.clamp(seconds, durationRange.lower);
}

ScheduleCalendar ScheduleCalendar::current()
{
    return ScheduleCalendar(LocalZone::process());
}

std::optional<ScheduleCalendar> ScheduleCalendar::named(const std::string& zoneName)
{
    if (auto zone = LocalZone::named(zoneName))
        return ScheduleCalendar(std::move(*zone));
    return std::nullopt;
}

std::optional<double> ScheduleClock::nextOccurrence(const ScheduleEvent& event, double after,
                                                    const ScheduleCalendar& calendar)
{
    if (event.start != ScheduleEvent::Start::fixed || !usable(event.date) || !usable(after))
        return std::nullopt;
    if (after < event.date)
        return event.date;
    if (event.repeats == ScheduleEvent::Repeat::none)
        return std::nullopt;

    const LocalTime first = localTime(event.date, calendar);
    const bool weekly = event.repeats == ScheduleEvent::Repeat::weekly;
    date::local_days day = localTime(after, calendar).day;
    for (int pass = 0; pass < searchedDates; ++pass, day += date::days{1}) {
        if (weekly && date::weekday{day} != first.weekday())
            continue;
        const auto start = startOn(day, first.timeOfDay, calendar);
        if (start && *start > after)
            return start;
    }
    return std::nullopt;
}

std::optional<double> ScheduleClock::latestOccurrence(const ScheduleEvent& event, double atOrBefore,
                                                      const ScheduleCalendar& calendar)
{
    if (event.start != ScheduleEvent::Start::fixed || !usable(event.date) || !usable(atOrBefore))
        return std::nullopt;
    if (atOrBefore < event.date)
        return std::nullopt;
    if (event.repeats == ScheduleEvent::Repeat::none)
        return event.date;

    const LocalTime first = localTime(event.date, calendar);
    const bool weekly = event.repeats == ScheduleEvent::Repeat::weekly;
    date::local_days day = localTime(atOrBefore, calendar).day;
    for (int pass = 0; pass < searchedDates && day >= first.day; ++pass, day -= date::days{1}) {
        if (weekly && date::weekday{day} != first.weekday())
            continue;
        const auto start = startOn(day, first.timeOfDay, calendar);
        if (start && *start <= atOrBefore)
            return std::max(*start, event.date);
    }
    return event.date;
}

} // namespace tessarin
