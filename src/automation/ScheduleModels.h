#pragma once
// One entry of the schedule (ScheduleEvent) and the calendar rules of
// fixed starts (ScheduleClock). Pure values and functions: no state, no
// timers, no I/O. Instants are double seconds since 1970-01-01 UTC on the
// system clock; local times are those of a ScheduleCalendar's time zone.
#include "media/ValueRange.h"
#include "platform/LocalZone.h"

#include <QList>
#include <QString>
#include <QUuid>

#include <memory>
#include <optional>
#include <string>

namespace tessarin {

class MediaFile;

struct ScheduleEvent {
    enum class Start { fixed, follow, manual };
    enum class Repeat { none, daily, weekly };

    // Instants beyond about ±3000 years are not calendar times we deal in
    // (and keep every conversion to whole seconds in range): a fixed start
    // outside this range has no occurrence.
    static constexpr ValueRange dateRange { -1.0e11, 1.0e11 };
    // The longest time on air the event editor sets, from 1 s to 99:59:59.
    static constexpr ValueRange durationRange { 1.0, 99 * 3600 + 59 * 60 + 59 };
    // A stored time on air brought into durationRange, but for 0, which is
    // kept as it is (the event ends at the first tick after its launch).
    static double loadedDuration(double seconds);

    QUuid id;
    // The engine block played; absent when the event plays media instead.
    std::optional<QUuid> blockID;
    Start start = Start::manual;
    // For a fixed event, the instant of its first (or only) start;
    // repetitions take its local time of day and, weekly, its weekday.
    double date = 0;
    Repeat repeats = Repeat::none;
    // Disabled events still have occurrences; callers leave them out.
    bool isEnabled = true;
    // Longest time on air in seconds after the launch; absent: until the
    // block ends.
    std::optional<double> duration;
    // A single file or live source played instead of a block (shared with
    // the browser and the hidden block that plays it).
    std::shared_ptr<MediaFile> media;

    // Memberwise; media items compare by identity (every item has its own
    // id, so the same object means the same id).
    friend bool operator==(const ScheduleEvent& a, const ScheduleEvent& b);

    static QList<Start> allStarts() { return {Start::fixed, Start::follow, Start::manual}; }
    static QList<Repeat> allRepeats() { return {Repeat::none, Repeat::daily, Repeat::weekly}; }
    // "fixed", "follow", "manual"; "none", "daily", "weekly".
    static QString rawValue(Start start);
    static QString rawValue(Repeat repeat);
    // Exact, case-sensitive; anything else is absent.
    static std::optional<Start> startFromRaw(const QString& raw);
    static std::optional<Repeat> repeatFromRaw(const QString& raw);
    // Interface texts ("Orario fisso", "Ogni giorno", ...), localised.
    static QString label(Start start);
    static QString label(Repeat repeat);
};

// The calendar that local times are read in: a time zone.
class ScheduleCalendar {
public:
    // The user's current calendar: the zone of the process, the one every
    // clock of the program shows (TZ in any form, else the system zone).
    static ScheduleCalendar current();
    // A named zone ("Europe/Rome"); absent when the database lacks it.
    static std::optional<ScheduleCalendar> named(const std::string& zoneName);

    const LocalZone& zone() const { return zone_; }

    friend bool operator==(const ScheduleCalendar&, const ScheduleCalendar&) = default;

private:
    explicit ScheduleCalendar(LocalZone zone) : zone_(std::move(zone)) {}
    LocalZone zone_;
};

// The two rules of fixed starts. A repetition starts at most once on a
// local date, and only on its own weekday when weekly: its time of day is
// resolved afresh on each date; in a spring-forward gap it is the first
// instant after the gap, when repeated the earlier instant, and a date on
// which it would land on another date (a skipped date, a gap across
// midnight) has no start. Days are stepped on the calendar date.
class ScheduleClock {
public:
    ScheduleClock() = delete;

    // The first start strictly after `after`: date itself while `after` is
    // earlier than it; absent for non-fixed and finished one-off events.
    static std::optional<double> nextOccurrence(const ScheduleEvent& event, double after,
                                                const ScheduleCalendar& calendar);
    // The latest start at or before `atOrBefore`, never earlier than date;
    // absent for non-fixed events and before date.
    static std::optional<double> latestOccurrence(const ScheduleEvent& event, double atOrBefore,
                                                  const ScheduleCalendar& calendar);
};

} // namespace tessarin
