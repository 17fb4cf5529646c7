#include "platform/PosixTimeZone.h"

#include <algorithm>
#include <cctype>
#include <optional>

namespace tessarin {

namespace {

constexpr std::int64_t secondsPerDay = 86400;
constexpr int hour = 3600;

bool isDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }
bool isAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool isLeap(std::int64_t year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

// Days of the year before each month, and the days of the whole year.
constexpr int daysBefore[2][13] = {
    {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365},
    {0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335, 366},
};

// The UTC calendar year of a Unix time.
std::int64_t yearOf(std::int64_t unixTime)
{
    std::int64_t days = unixTime / secondsPerDay - (unixTime % secondsPerDay < 0 ? 1 : 0);
    // Civil from days (proleptic Gregorian), on eras of 400 years.
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t monthFromMarch = (5 * dayOfYear + 2) / 153;
    return yearOfEra + era * 400 + (monthFromMarch >= 10 ? 1 : 0);
}

} // namespace

// Reads the text the way the C library's TZ parser does, field by field,
// leaving each field it cannot read as that parser leaves it.
class PosixTimeZone::Reader {
public:
    Reader(std::string_view text, PosixTimeZone& zone) : text_(text), zone_(zone) {}

    void read()
    {
        if (!name() || !offset(0))
            return;
        if (atEnd()) {
            zone_.offset_[1] = zone_.offset_[0];
            zone_.complete_ = true;
            return;
        }
        if (name()) {
            offset(1);
            if (atEnd() || (peek() == ',' && at_ + 1 == text_.size()))
                zone_.wantsDefaultChanges_ = true;
        }
        zone_.complete_ = change(0) && change(1) && atEnd();
    }

private:
    bool atEnd() const { return at_ >= text_.size(); }
    char peek() const { return atEnd() ? '\0' : text_[at_]; }
    bool take(char c) { return peek() == c && (++at_, true); }

    // Decimal digits as an unsigned short takes them; none: absent.
    std::optional<int> number()
    {
        if (!isDigit(peek()))
            return std::nullopt;
        unsigned value = 0;
        while (isDigit(peek()))
            value = (value * 10 + static_cast<unsigned>(text_[at_++] - '0')) & 0xFFFFu;
        return static_cast<int>(value);
    }
    // hh[:mm[:ss]], each part kept only when it is there; false without hh.
    bool clock(int& hh, int& mm, int& ss)
    {
        const auto hours = number();
        if (!hours)
            return false;
        hh = *hours;
        for (int* part : {&mm, &ss}) {
            if (peek() != ':' || at_ + 1 >= text_.size() || !isDigit(text_[at_ + 1]))
                break;
            ++at_;
            *part = *number();
        }
        return true;
    }

    bool name()
    {
        const std::size_t from = at_;
        while (isAlpha(peek()))
            ++at_;
        if (at_ - from >= 3)
            return true;
        at_ = from;
        if (!take('<'))
            return false;
        const std::size_t inner = at_;
        while (isAlpha(peek()) || isDigit(peek()) || peek() == '+' || peek() == '-')
            ++at_;
        const std::size_t length = at_ - inner;
        if (!take('>') || length < 3) {
            at_ = from;
            return false;
        }
        return true;
    }

    // [+-]hh[:mm[:ss]], west of UTC when unsigned; hours up to 24. Standard
    // time must have one; daylight time without one is an hour ahead.
    bool offset(int which)
    {
        if (which == 0 && peek() != '+' && peek() != '-' && !isDigit(peek()))
            return false;
        const int sign = take('-') ? 1 : (take('+'), -1);
        int hh = 0, mm = 0, ss = 0;
        if (!clock(hh, mm, ss)) {
            zone_.offset_[which] = which == 0 ? 0 : zone_.offset_[0] + hour;
            return which != 0;
        }
        zone_.offset_[which] = sign * (std::min(ss, 59) + std::min(mm, 59) * 60 + std::min(hh, 24) * hour);
        return true;
    }

    // [,](Jn | n | Mm.w.d)[/time]; nothing at all: the US changes.
    bool change(int which)
    {
        Change& change = zone_.change_[which];
        take(',');
        if (peek() == 'J' || isDigit(peek())) {
            change.kind = peek() == 'J' ? Change::Kind::julianDay : Change::Kind::dayOfYear;
            if (change.kind == Change::Kind::julianDay && (++at_, !isDigit(peek())))
                return false;
            long day = 0;
            while (isDigit(peek()))
                day = std::min(day * 10 + (text_[at_++] - '0'), 1000L);
            if (day > 365 || (change.kind == Change::Kind::julianDay && day == 0))
                return false;
            change.day = static_cast<int>(day);
        } else if (take('M')) {
            change.kind = Change::Kind::monthWeekDay;
            int* parts[] = {&change.month, &change.week, &change.day};
            for (int part = 0; part < 3; ++part) {
                if (part > 0 && !take('.'))
                    return false;
                const auto value = number();
                if (!value)
                    return false;
                *parts[part] = *value;
            }
            if (change.month < 1 || change.month > 12 || change.week < 1 || change.week > 5 || change.day > 6)
                return false;
        } else if (atEnd()) {
            change.kind = Change::Kind::monthWeekDay;
            change.month = which == 0 ? 3 : 11;
            change.week = which == 0 ? 2 : 1;
            change.day = 0;
        } else {
            return false;
        }
        if (!atEnd() && peek() != '/' && peek() != ',')
            return false;
        if (!take('/')) {
            change.secondsIntoDay = 2 * hour;
            return true;
        }
        if (atEnd())
            return false;
        const int sign = take('-') ? -1 : 1;
        int hh = 2, mm = 0, ss = 0;
        clock(hh, mm, ss);
        change.secondsIntoDay = sign * (hh * hour + mm * 60 + ss);
        return true;
    }

    std::string_view text_;
    PosixTimeZone& zone_;
    std::size_t at_ = 0;
};

PosixTimeZone PosixTimeZone::parse(std::string_view text)
{
    PosixTimeZone zone;
    Reader(text, zone).read();
    return zone;
}

PosixTimeZone PosixTimeZone::withOffsets(int standard, int daylight) const
{
    PosixTimeZone zone = *this;
    zone.offset_[0] = standard;
    zone.offset_[1] = daylight;
    return zone;
}

// The instant of a change in a year, counted as the C library counts it
// (which takes every year before 1970 for 1970).
std::int64_t PosixTimeZone::changeIn(int which, std::int64_t year) const
{
    const Change& change = change_[which];
    std::int64_t start = 0;
    if (year > 1970) {
        start = ((year - 1970) * 365 + ((year - 1) / 4 - 1970 / 4) - ((year - 1) / 100 - 1970 / 100)
                 + ((year - 1) / 400 - 1970 / 400))
            * secondsPerDay;
    }
    const bool leap = isLeap(year);
    switch (change.kind) {
    case Change::Kind::julianDay:
        start += (change.day - 1) * secondsPerDay;
        if (change.day >= 60 && leap)
            start += secondsPerDay;
        break;
    case Change::Kind::dayOfYear:
        start += change.day * secondsPerDay;
        break;
    case Change::Kind::monthWeekDay: {
        // A month left out of range by a rule read only in part is no month
        // at all (the C library reads outside its table there).
        const int month = std::clamp(change.month, 1, 12);
        const int* days = daysBefore[leap ? 1 : 0];
        start += days[month - 1] * secondsPerDay;
        // Zeller's congruence: the weekday of the month's first day.
        const int shifted = (month + 9) % 12 + 1;
        const std::int64_t y = month <= 2 ? year - 1 : year;
        const std::int64_t century = y / 100;
        const std::int64_t inCentury = y % 100;
        std::int64_t weekday = ((26 * shifted - 2) / 10 + 1 + inCentury + inCentury / 4 + century / 4 - 2 * century) % 7;
        if (weekday < 0)
            weekday += 7;
        std::int64_t day = change.day - weekday;
        if (day < 0)
            day += 7;
        const int monthLength = days[month] - days[month - 1];
        for (int week = 1; week < change.week && day + 7 < monthLength; ++week)
            day += 7;
        start += day * secondsPerDay;
        break;
    }
    }
    return start - offset_[which] + change.secondsIntoDay;
}

int PosixTimeZone::offsetAt(std::int64_t unixTime) const
{
    const std::int64_t year = yearOf(unixTime);
    const std::int64_t begins = changeIn(0, year);
    const std::int64_t ends = changeIn(1, year);
    // Daylight time that spans the new year (the southern hemisphere).
    const bool daylight = begins > ends ? (unixTime < ends || unixTime >= begins)
                                        : (unixTime >= begins && unixTime < ends);
    return offset_[daylight ? 1 : 0];
}

} // namespace tessarin
