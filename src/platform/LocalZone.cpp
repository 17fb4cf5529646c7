#include "platform/LocalZone.h"

#include "platform/ZoneRules.h"

#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>

namespace tessarin {

namespace {

using std::chrono::seconds;

// Every UTC offset there has been lies well within this reach of UTC, so a
// local time's instant lies within it of the same clock reading in UTC.
constexpr seconds offsetReach{30 * 3600};

const char* const systemZoneFile = "/etc/localtime";

std::string zoneFolder()
{
    const char* folder = std::getenv("TZDIR");
    return folder && *folder ? folder : "/usr/share/zoneinfo";
}

std::string pathOf(const std::string& name)
{
    return name.front() == '/' ? name : zoneFolder() + "/" + name;
}

std::optional<std::string> environmentTz()
{
    const char* tz = std::getenv("TZ");
    return tz ? std::optional<std::string>(tz) : std::nullopt;
}

// What tells a zone file changed: its identity and its last change.
struct FileState {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    std::int64_t changed = 0;
    friend bool operator==(const FileState&, const FileState&) = default;
};

FileState stateOf(const std::string& path)
{
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return {};
    return {true, status.st_dev, status.st_ino, status.st_size,
            std::int64_t{status.st_mtim.tv_sec} * 1'000'000'000 + status.st_mtim.tv_nsec};
}

} // namespace

struct LocalZone::Reading {
    LocalZone zone;
    bool known;
    std::vector<std::string> files; // the files the zone was read from
};

// As the C library reads TZ: unset is the system's zone file; "" is
// Universal; a leading ":" is dropped; then a zone file (a path, or a name in
// the zone folder), else a POSIX rule, whose daylight time without changes
// takes those of the "posixrules" zone; else UTC.
LocalZone::Reading LocalZone::read(const std::optional<std::string>& tz)
{
    if (!tz) {
        auto rules = ZoneRules::readFile(systemZoneFile);
        const bool known = rules.has_value();
        return {LocalZone(std::make_shared<const ZoneRules>(
                              known ? std::move(*rules) : ZoneRules::fromRule(PosixTimeZone::parse("UTC0"))),
                          systemZoneFile),
                known, {systemZoneFile}};
    }
    std::string text = tz->empty() ? std::string("Universal") : *tz;
    if (text.front() == ':')
        text.erase(0, 1);
    if (text.empty())
        return {LocalZone(std::make_shared<const ZoneRules>(ZoneRules::fromRule(PosixTimeZone::parse("UTC0"))), *tz),
                true, {}};
    const std::string path = pathOf(text);
    if (auto rules = ZoneRules::readFile(path))
        return {LocalZone(std::make_shared<const ZoneRules>(std::move(*rules)), *tz), true, {path}};

    const PosixTimeZone rule = PosixTimeZone::parse(text);
    std::vector<std::string> files{path};
    std::optional<ZoneRules> rules;
    if (rule.wantsDefaultChanges()) {
        const std::string defaults = zoneFolder() + "/posixrules";
        files.push_back(defaults);
        if (auto zone = ZoneRules::readFile(defaults))
            rules = zone->carrying(rule);
    }
    if (!rules)
        rules = ZoneRules::fromRule(rule);
    return {LocalZone(std::make_shared<const ZoneRules>(std::move(*rules)), *tz), rule.complete(), std::move(files)};
}

LocalZone LocalZone::forTz(const std::optional<std::string>& tz)
{
    return read(tz).zone;
}

LocalZone LocalZone::process()
{
    static std::mutex mutex;
    static std::optional<Reading> cached;
    static std::optional<std::string> cachedTz;
    static std::string cachedFolder;
    static std::vector<FileState> cachedStates;

    const std::optional<std::string> tz = environmentTz();
    const std::string folder = zoneFolder();
    const std::lock_guard lock(mutex);
    // The system's zone, or the file TZ names, may change while the program
    // runs: the files the zone came from are looked at every time.
    std::vector<FileState> states;
    if (cached) {
        for (const std::string& file : cached->files)
            states.push_back(stateOf(file));
    }
    if (cached && tz == cachedTz && folder == cachedFolder && states == cachedStates)
        return cached->zone;

    cached = read(tz);
    cachedTz = tz;
    cachedFolder = folder;
    cachedStates.clear();
    for (const std::string& file : cached->files)
        cachedStates.push_back(stateOf(file));
    if (!cached->known && !tz)
        std::fprintf(stderr, "The system has no time zone; local times are UTC\n");
    else if (!cached->known)
        std::fprintf(stderr, "The time zone TZ=\"%s\" is unknown; local times are read as the C library reads it (UTC)\n",
                     tz->c_str());
    return cached->zone;
}

std::optional<LocalZone> LocalZone::named(const std::string& name)
{
    if (name.empty() || name.front() == '/')
        return std::nullopt;
    if (auto rules = ZoneRules::readFile(pathOf(name)))
        return LocalZone(std::make_shared<const ZoneRules>(std::move(*rules)), name);
    return std::nullopt;
}

bool operator==(const LocalZone& a, const LocalZone& b)
{
    return a.name_ == b.name_ && (a.rules_ == b.rules_ || *a.rules_ == *b.rules_);
}

seconds LocalZone::offsetAt(date::sys_seconds instant) const
{
    return seconds{rules_->offsetAt(instant.time_since_epoch().count())};
}

date::local_seconds LocalZone::toLocal(date::sys_seconds instant) const
{
    return date::local_seconds{(instant + offsetAt(instant)).time_since_epoch()};
}

// Of the instants whose offset reads back to the local time, the earlier;
// none in a gap, where the result is the transition that ends it. Zones
// change their offset at most once within the reach on either side.
date::sys_seconds LocalZone::fromLocal(date::local_seconds local) const
{
    const date::sys_seconds asUtc{local.time_since_epoch()};
    date::sys_seconds low = asUtc - offsetReach;
    date::sys_seconds high = asUtc + offsetReach;
    const seconds before = offsetAt(low);
    const seconds after = offsetAt(high);
    // The larger offset gives the earlier instant.
    for (const seconds offset : {std::max(before, after), std::min(before, after)}) {
        if (offsetAt(asUtc - offset) == offset)
            return asUtc - offset;
    }
    if (before == after)
        return asUtc - before;
    while (high - low > seconds{1}) {
        const date::sys_seconds middle = low + (high - low) / 2;
        (offsetAt(middle) == before ? low : high) = middle;
    }
    return high;
}

} // namespace tessarin
