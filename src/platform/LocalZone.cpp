#include "platform/LocalZone.h"

#include <date/tz.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <mutex>

namespace tessarin {

namespace {

using std::chrono::seconds;

// Every UTC offset there has been lies well within this reach of UTC, so a
// local time's instant lies within it of the same clock reading in UTC.
constexpr seconds offsetReach{30 * 3600};

// The C library's UTC offset at an instant, under the process's TZ.
seconds cOffsetAt(date::sys_seconds instant)
{
    const std::time_t time = static_cast<std::time_t>(instant.time_since_epoch().count());
    std::tm fields{};
    if (!localtime_r(&time, &fields))
        return seconds{0};
    return seconds{fields.tm_gmtoff};
}

// The instant of a local time from the offsets alone: of the instants whose
// offset reads back to the local time, the earlier; none in a gap, where
// the result is the transition that ends it. Zones change their offset at
// most once within the reach on either side.
date::sys_seconds cFromLocal(date::local_seconds local)
{
    const date::sys_seconds asUtc{local.time_since_epoch()};
    date::sys_seconds low = asUtc - offsetReach;
    date::sys_seconds high = asUtc + offsetReach;
    const seconds before = cOffsetAt(low);
    const seconds after = cOffsetAt(high);
    // The larger offset gives the earlier instant.
    for (const seconds offset : {std::max(before, after), std::min(before, after)}) {
        if (cOffsetAt(asUtc - offset) == offset)
            return asUtc - offset;
    }
    if (before == after)
        return asUtc - before;
    while (high - low > seconds{1}) {
        const date::sys_seconds middle = low + (high - low) / 2;
        (cOffsetAt(middle) == before ? low : high) = middle;
    }
    return high;
}

bool isZoneFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    char magic[4] = {};
    return file.read(magic, sizeof magic) && std::string(magic, sizeof magic) == "TZif";
}

// A reader of the POSIX TZ rule "std offset [dst [offset] [,start[/time],end[/time]]]",
// which only says whether the text is one.
class PosixRule {
public:
    static bool isRule(const std::string& text)
    {
        PosixRule rule{text};
        if (!rule.name() || !rule.time())
            return false;
        if (rule.atEnd())
            return true;
        if (!rule.name() || (!rule.atEnd() && rule.peek() != ',' && !rule.time()))
            return false;
        return rule.atEnd() || (rule.take(',') && rule.date() && rule.take(',') && rule.date() && rule.atEnd());
    }

private:
    explicit PosixRule(const std::string& text) : text_(text) {}

    bool atEnd() const { return at_ == text_.size(); }
    char peek() const { return atEnd() ? '\0' : text_[at_]; }
    bool take(char c) { return peek() == c && (++at_, true); }
    int digits(int most)
    {
        int count = 0;
        while (count < most && std::isdigit(static_cast<unsigned char>(peek())))
            ++at_, ++count;
        return count;
    }
    bool name()
    {
        const std::size_t from = at_;
        if (take('<')) {
            while (std::isalnum(static_cast<unsigned char>(peek())) || peek() == '+' || peek() == '-')
                ++at_;
            return at_ - from >= 4 && take('>');
        }
        while (std::isalpha(static_cast<unsigned char>(peek())))
            ++at_;
        return at_ - from >= 3;
    }
    // [+-]hh[:mm[:ss]]
    bool time()
    {
        if (!take('+'))
            take('-');
        if (digits(3) == 0)
            return false;
        for (int part = 0; part < 2 && take(':'); ++part) {
            if (digits(2) == 0)
                return false;
        }
        return true;
    }
    // Jn, n or Mm.w.d, and an optional "/time".
    bool date()
    {
        if (take('M')) {
            if (!digits(2) || !take('.') || !digits(1) || !take('.') || !digits(1))
                return false;
        } else {
            take('J');
            if (!digits(3))
                return false;
        }
        return !take('/') || time();
    }

    const std::string& text_;
    std::size_t at_ = 0;
};

const date::time_zone* databaseZone(const std::string& name)
{
    if (name.empty())
        return nullptr;
    try {
        return date::locate_zone(name);
    } catch (const std::exception&) {
        return nullptr;
    }
}

std::string zoneFolder()
{
    const char* folder = std::getenv("TZDIR");
    return folder && *folder ? folder : "/usr/share/zoneinfo";
}

void reportUnknown(const std::string& tz)
{
    std::fprintf(stderr, "The time zone TZ=\"%s\" is unknown; local times are read as the C library reads it (UTC)\n",
                 tz.c_str());
}

} // namespace

LocalZone LocalZone::process()
{
    static std::mutex mutex;
    static std::optional<LocalZone> cached;
    static std::optional<std::string> cachedTz;
    static std::string cachedSystem;

    const char* raw = std::getenv("TZ");
    const std::optional<std::string> tz = raw ? std::optional<std::string>(raw) : std::nullopt;
    // Without TZ the zone is the system's, which its owner may change while
    // the program runs: the name it has now is asked every time.
    std::string system;
    if (!tz) {
        try {
            system = std::string(date::current_zone()->name());
        } catch (const std::exception&) {
            system.clear();
        }
    }
    const std::lock_guard lock(mutex);
    if (!cached || tz != cachedTz || system != cachedSystem) {
        cachedSystem = system;
        // The C library reads TZ again only when told to.
        tzset();
        cached = resolve(tz);
        cachedTz = tz;
    }
    return *cached;
}

LocalZone LocalZone::resolve(const std::optional<std::string>& tz)
{
    if (!tz) {
        try {
            const date::time_zone* zone = date::current_zone();
            return LocalZone(zone, std::string(zone->name()));
        } catch (const std::exception&) {
            // A copied zone file names no zone; the C library reads it.
            const std::string system = "/etc/localtime";
            if (!isZoneFile(system))
                std::fprintf(stderr, "The system has no time zone; local times are UTC\n");
            return LocalZone(nullptr, system);
        }
    }
    // ":" may lead any form.
    const std::string text = !tz->empty() && tz->front() == ':' ? tz->substr(1) : *tz;
    if (text.empty())
        return LocalZone(nullptr, *tz); // the C library's UTC
    if (text.front() == '/') {
        if (!isZoneFile(text))
            reportUnknown(*tz);
        return LocalZone(nullptr, *tz);
    }
    if (const date::time_zone* zone = databaseZone(text))
        return LocalZone(zone, std::string(zone->name()));
    if (!isZoneFile(zoneFolder() + "/" + text) && !PosixRule::isRule(text))
        reportUnknown(*tz);
    return LocalZone(nullptr, *tz);
}

std::optional<LocalZone> LocalZone::named(const std::string& name)
{
    if (const date::time_zone* zone = databaseZone(name))
        return LocalZone(zone, std::string(zone->name()));
    return std::nullopt;
}

date::local_seconds LocalZone::toLocal(date::sys_seconds instant) const
{
    if (database_)
        return date::zoned_time<seconds>{database_, instant}.get_local_time();
    return date::local_seconds{(instant + cOffsetAt(instant)).time_since_epoch()};
}

date::sys_seconds LocalZone::fromLocal(date::local_seconds local) const
{
    if (database_)
        return date::zoned_time<seconds>{database_, local, date::choose::earliest}.get_sys_time();
    return cFromLocal(local);
}

} // namespace tessarin
