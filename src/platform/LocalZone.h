#pragma once
// The time zone that local times are shown and scheduled in: the local
// calendar time of an instant and the instant of a local time. The process
// zone follows TZ in every form the C library reads (a zone name, ":name",
// a zoneinfo file, a POSIX rule) and the system zone without TZ, so every
// clock and calendar of the program reads one zone. Values; any thread.
#include <date/date.h>

#include <optional>
#include <string>

namespace date {
class time_zone;
}

namespace tessarin {

class LocalZone {
public:
    // The zone of the process. Names the zone database knows are read from
    // it; files and rules through the C library under TZ, exactly as its
    // local time reads them. A TZ that names no zone is reported once on
    // stderr and read as the C library reads it (UTC), so the times shown
    // and the times scheduled never part.
    static LocalZone process();
    // A zone of the database ("Europe/Rome"); absent when it lacks the name.
    static std::optional<LocalZone> named(const std::string& name);

    date::local_seconds toLocal(date::sys_seconds instant) const;
    // A local time in a gap is the first instant after the gap; one that
    // occurs twice is the earlier instant.
    date::sys_seconds fromLocal(date::local_seconds local) const;

    // The database name, or the TZ text the C library reads.
    const std::string& name() const { return name_; }

    friend bool operator==(const LocalZone&, const LocalZone&) = default;

private:
    LocalZone(const date::time_zone* database, std::string name) : database_(database), name_(std::move(name)) {}
    static LocalZone resolve(const std::optional<std::string>& tz);

    // Null: the C library's zone under the process's TZ.
    const date::time_zone* database_ = nullptr;
    std::string name_;
};

} // namespace tessarin
