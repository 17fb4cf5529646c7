#include "ui/schedule/ScheduleFormat.h"

#include "platform/Localization.h"
#include "ui/schedule/ScheduleLocalTime.h"

#include <cmath>
#include <cstdint>

namespace tessarin {

namespace {

bool isEnglish()
{
    return Localization::current() == QLatin1String("en");
}

QString twoDigits(std::int64_t value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

} // namespace

QLocale ScheduleFormat::locale()
{
    return isEnglish() ? QLocale(QLocale::English, QLocale::UnitedStates) : QLocale(QLocale::Italian, QLocale::Italy);
}

QString ScheduleFormat::dayPattern()
{
    return isEnglish() ? QStringLiteral("ddd, MMM d") : QStringLiteral("ddd d MMM");
}

QString ScheduleFormat::time(double instant, const ScheduleCalendar& calendar)
{
    const auto local = ScheduleLocalTime::toLocal(instant, calendar);
    if (!local)
        return {};
    return twoDigits(local->hour) + QLatin1Char(':') + twoDigits(local->minute) + QLatin1Char(':')
        + twoDigits(local->second);
}

QString ScheduleFormat::day(double instant, const ScheduleCalendar& calendar)
{
    const auto local = ScheduleLocalTime::toLocal(instant, calendar);
    if (!local)
        return {};
    return locale().toString(local->date, dayPattern());
}

QString ScheduleFormat::weekday(double instant, const ScheduleCalendar& calendar)
{
    const auto local = ScheduleLocalTime::toLocal(instant, calendar);
    if (!local)
        return {};
    return locale().dayName(local->date.dayOfWeek(), QLocale::LongFormat);
}

QString ScheduleFormat::duration(double seconds)
{
    if (std::isnan(seconds) || seconds < 0)
        seconds = 0;
    // 2^53: every whole number of seconds up to it is exact in a double and
    // fits the integer below.
    if (!std::isfinite(seconds) || seconds >= 9007199254740992.0)
        return QStringLiteral("00:00:00");
    const auto total = static_cast<std::int64_t>(seconds);
    return twoDigits(total / 3600) + QLatin1Char(':') + twoDigits(total % 3600 / 60) + QLatin1Char(':')
        + twoDigits(total % 60);
}

} // namespace tessarin
