#include "ui/schedule/ScheduleLocalTime.h"

#include <chrono>
#include <cmath>

namespace tessarin {

namespace {

using std::chrono::seconds;

// About ±3000 years: beyond it no instant is a calendar time we show, and
// every conversion to whole seconds stays in range.
constexpr double instantLimit = 1.0e11;

} // namespace

std::optional<LocalDateTime> ScheduleLocalTime::toLocal(double instant, const ScheduleCalendar& calendar)
{
    if (!std::isfinite(instant) || std::fabs(instant) >= instantLimit)
        return std::nullopt;
    const date::sys_seconds whole{seconds{static_cast<std::int64_t>(std::floor(instant))}};
    const date::local_seconds local = calendar.zone().toLocal(whole);
    const date::local_days day = date::floor<date::days>(local);
    const date::year_month_day ymd{day};
    const date::hh_mm_ss<seconds> time{local - day};
    LocalDateTime result;
    result.date = QDate(int(ymd.year()), int(unsigned(ymd.month())), int(unsigned(ymd.day())));
    result.hour = int(time.hours().count());
    result.minute = int(time.minutes().count());
    result.second = int(time.seconds().count());
    return result;
}

std::optional<double> ScheduleLocalTime::fromLocal(const LocalDateTime& local, const ScheduleCalendar& calendar)
{
    if (!local.date.isValid())
        return std::nullopt;
    if (local.hour < 0 || local.hour > 23 || local.minute < 0 || local.minute > 59 || local.second < 0
        || local.second > 59)
        return std::nullopt;
    const date::year_month_day ymd{date::year{local.date.year()}, date::month{unsigned(local.date.month())},
                                   date::day{unsigned(local.date.day())}};
    if (!ymd.ok())
        return std::nullopt;
    const date::local_seconds time
        = date::local_days{ymd} + seconds{local.hour * 3600 + local.minute * 60 + local.second};
    return static_cast<double>(calendar.zone().fromLocal(time).time_since_epoch().count());
}

} // namespace tessarin
