#include "automation/ScheduleModels.h"

#include <QCoreApplication>
#include <QTimeZone>

#include <date/tz.h>

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
    const date::zoned_time<seconds> zoned{calendar.zone(), wholeSeconds(instant)};
    const date::local_seconds local = zoned.get_local_time();
    const date::local_days day = date::floor<date::days>(local);
    return {day, local - day};
}

// The instant of a time of day on a local date: in a gap, the first instant
// after it; when repeated, the earlier instant.
double resolve(date::local_days day, seconds timeOfDay, const ScheduleCalendar& calendar)
{
    const date::zoned_time<seconds> zoned{calendar.zone(), day + timeOfDay, date::choose::earliest};
    return toInstant(zoned.get_sys_time());
}

// How many days the weekly searches look at: the reference day and the
// seven after (or before) it always hold the weekday.
constexpr int weeklyPasses = 8;

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

ScheduleCalendar ScheduleCalendar::current()
{
    const QByteArray id = QTimeZone::systemTimeZoneId();
    if (auto calendar = named(id.toStdString()))
        return *calendar;
    try {
        return ScheduleCalendar(date::current_zone());
    } catch (const std::exception&) {
        return ScheduleCalendar(date::locate_zone("Etc/UTC"));
    }
}

std::optional<ScheduleCalendar> ScheduleCalendar::named(const std::string& zoneName)
{
    if (zoneName.empty())
        return std::nullopt;
    try {
        return ScheduleCalendar(date::locate_zone(zoneName));
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::optional<double> ScheduleClock::nextOccurrence(const ScheduleEvent& event, double after,
                                                    const ScheduleCalendar& calendar)
{
    if (event.start != ScheduleEvent::Start::fixed || !usable(event.date) || !usable(after))
        return std::nullopt;
    if (after < event.date)
        return event.date;

    const seconds timeOfDay = localTime(event.date, calendar).timeOfDay;
    date::local_days day = localTime(after, calendar).day;
    switch (event.repeats) {
    case ScheduleEvent::Repeat::none:
        return std::nullopt;
    case ScheduleEvent::Repeat::daily: {
        const double candidate = resolve(day, timeOfDay, calendar);
        if (candidate > after)
            return candidate;
        return resolve(day + date::days{1}, timeOfDay, calendar);
    }
    case ScheduleEvent::Repeat::weekly: {
        const date::weekday weekday = localTime(event.date, calendar).weekday();
        for (int pass = 0; pass < weeklyPasses; ++pass, day += date::days{1}) {
            const double candidate = resolve(day, timeOfDay, calendar);
            if (candidate > after && date::weekday{day} == weekday)
                return candidate;
        }
        return resolve(day, timeOfDay, calendar);
    }
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

    const seconds timeOfDay = localTime(event.date, calendar).timeOfDay;
    date::local_days day = localTime(atOrBefore, calendar).day;
    double candidate = 0;
    switch (event.repeats) {
    case ScheduleEvent::Repeat::none:
        return event.date;
    case ScheduleEvent::Repeat::daily:
        candidate = resolve(day, timeOfDay, calendar);
        if (candidate > atOrBefore)
            candidate = resolve(day - date::days{1}, timeOfDay, calendar);
        break;
    case ScheduleEvent::Repeat::weekly: {
        const date::weekday weekday = localTime(event.date, calendar).weekday();
        bool found = false;
        for (int pass = 0; pass < weeklyPasses; ++pass, day -= date::days{1}) {
            candidate = resolve(day, timeOfDay, calendar);
            if (candidate <= atOrBefore && date::weekday{day} == weekday) {
                found = true;
                break;
            }
        }
        if (!found)
            candidate = resolve(day, timeOfDay, calendar);
        break;
    }
    }
    return std::max(candidate, event.date);
}

} // namespace tessarin
