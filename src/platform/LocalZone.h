#pragma once
// The time zone that local times are shown and scheduled in: the local
// calendar time of an instant and the instant of a local time. The process
// zone follows TZ in every form the C library reads (a zone name, ":name",
// a zone file, a POSIX rule, unset for the system zone) and agrees with its
// localtime_r at every instant, also after a zone file's last transition,
// where the file's footer rule goes on. Values; any thread.
#include <date/date.h>

#include <memory>
#include <optional>
#include <string>

namespace tessarin {

class ZoneRules;

class LocalZone {
public:
    // The zone of the process, read again when TZ or the zone file it names
    // changes. A TZ that names no zone is reported once on stderr and read as
    // the C library reads it (UTC), so the times shown and the times
    // scheduled never part.
    static LocalZone process();
    // The zone the C library reads under this TZ (absent: the system's
    // zone), leaving the process's TZ alone.
    static LocalZone forTz(const std::optional<std::string>& tz);
    // A zone of the zone folder ("Europe/Rome"); absent when it lacks the name.
    static std::optional<LocalZone> named(const std::string& name);

    date::local_seconds toLocal(date::sys_seconds instant) const;
    // A local time in a gap is the first instant after the gap; one that
    // occurs twice is the earlier instant.
    date::sys_seconds fromLocal(date::local_seconds local) const;

    // The TZ text it was read from, the zone's name, or the system's zone file.
    const std::string& name() const { return name_; }

    friend bool operator==(const LocalZone& a, const LocalZone& b);

private:
    struct Reading;
    LocalZone(std::shared_ptr<const ZoneRules> rules, std::string name)
        : rules_(std::move(rules)), name_(std::move(name)) {}
    static Reading read(const std::optional<std::string>& tz);
    std::chrono::seconds offsetAt(date::sys_seconds instant) const;

    std::shared_ptr<const ZoneRules> rules_;
    std::string name_;
};

} // namespace tessarin
