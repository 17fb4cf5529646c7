#pragma once
// A POSIX TZ rule, "std offset [dst [offset] [,start[/time],end[/time]]]",
// read and applied exactly as the GNU C library reads and applies it: both
// the rule a TZ variable gives and the rule a zone file's footer gives for
// the instants after its last transition. Values; any thread.
#include <cstdint>
#include <string_view>

namespace tessarin {

class PosixTimeZone {
public:
    // One of the rule's two changes: the day, and the time of day in the
    // local time that the change ends.
    struct Change {
        enum class Kind { dayOfYear, julianDay, monthWeekDay }; // n, Jn, Mm.w.d
        Kind kind = Kind::dayOfYear;
        int month = 0;
        int week = 0;
        int day = 0;
        int secondsIntoDay = 0;
        friend bool operator==(const Change&, const Change&) = default;
    };

    // The rule of the text. Text that is not one is read as far as it is one,
    // as the C library reads it (what it cannot read stays UTC).
    static PosixTimeZone parse(std::string_view text);

    // True when the whole text is a rule.
    bool complete() const { return complete_; }
    // True when the text names a daylight-saving time but gives no changes:
    // the C library then takes the changes of the "posixrules" zone.
    bool wantsDefaultChanges() const { return wantsDefaultChanges_; }

    // Offsets east of UTC, in seconds.
    int standardOffset() const { return offset_[0]; }
    int daylightOffset() const { return offset_[1]; }
    // The same changes between the given offsets.
    PosixTimeZone withOffsets(int standard, int daylight) const;

    // The offset east of UTC at a Unix time.
    int offsetAt(std::int64_t unixTime) const;

    friend bool operator==(const PosixTimeZone&, const PosixTimeZone&) = default;

private:
    class Reader;
    std::int64_t changeIn(int which, std::int64_t year) const;

    int offset_[2] = {0, 0};
    Change change_[2];
    bool complete_ = false;
    bool wantsDefaultChanges_ = false;
};

} // namespace tessarin
