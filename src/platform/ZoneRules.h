#pragma once
// The UTC offsets of one time zone at every instant: a zone file's
// transitions followed by its footer's POSIX rule, or a POSIX rule alone,
// applied as the GNU C library's localtime_r applies them. Read once,
// then a value; any thread.
#include "platform/PosixTimeZone.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tessarin {

class ZoneRules {
public:
    // A zone file (TZif, any version; 64-bit data and the footer from
    // version 2 on); absent when the file cannot be read or is not one.
    static std::optional<ZoneRules> readFile(const std::string& path);
    // Only the rule, at every instant.
    static ZoneRules fromRule(const PosixTimeZone& rule);

    // The offset east of UTC, in seconds, at a Unix time.
    int offsetAt(std::int64_t unixTime) const;

    // The C library's reading of a rule that names daylight time without its
    // changes: this zone's transitions (it is the "posixrules" zone) moved
    // towards the rule's two offsets, then this zone's own footer, offsets
    // and all (so TZ="CET-1CEST" reads New York's offsets after 2037, as
    // every other program on the system does). Absent when this zone has
    // fewer than two kinds of time.
    std::optional<ZoneRules> carrying(const PosixTimeZone& rule) const;

    friend bool operator==(const ZoneRules&, const ZoneRules&) = default;

private:
    struct Type {
        int offset = 0;
        bool daylight = false;
        bool standardClock = false; // transitions given in standard time
        bool universalClock = false; // transitions given in UTC
        friend bool operator==(const Type&, const Type&) = default;
    };

    std::vector<std::int64_t> transitions_;
    std::vector<std::uint8_t> typeAfter_;
    std::vector<Type> types_; // empty: the rule alone
    std::optional<PosixTimeZone> rule_;
};

} // namespace tessarin
