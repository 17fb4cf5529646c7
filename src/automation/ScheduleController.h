#pragma once
// The schedule of the open show: the ordered events, the armed and loop
// switches, the records of what the automation has done, the notice shown to
// the operator, and the two timing settings ("Vellumcast.schedule.prepSeconds",
// "Vellumcast.schedule.lateTolerance"). Its clock and its 0.1 s tick timer
// come from the injected Clock; instants are the clock's wall time (double
// seconds since 1970 UTC), read in the user's current calendar.
//
// While armed, each tick ends the running event when its duration is over,
// launches fixed starts due within the late tolerance and cues the first
// item of an upcoming fixed start ahead of time. The controller is the only
// writer of the engine's block-end hook: when the block of the running event
// ends, the hook starts the next follow event (or the top of the list when
// the schedule loops). An event that plays a single file or live source
// plays it through a hidden one-item block handed to the engine.
// Main thread only.
#include "automation/ScheduleModels.h"

#include <QObject>
#include <QPointer>
#include <QUuid>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace tessarin {

class Clock;
class MediaBlock;
class PlaylistEngine;
class Settings;
class Timer;

class ScheduleController : public QObject {
    Q_OBJECT
public:
    using Records = std::map<QUuid, double>;
    using CalendarSource = std::function<ScheduleCalendar()>;

    // Holds the engine weakly and installs its block-end hook (replacing
    // any earlier one); reads the two timing settings and starts the 0.1 s
    // timer. calendar gives the calendar of the moment (tests pass a fixed
    // zone).
    ScheduleController(PlaylistEngine* engine, Settings& settings, Clock& clock,
                       CalendarSource calendar = &ScheduleCalendar::current, QObject* parent = nullptr);
    ~ScheduleController() override;

    const std::vector<ScheduleEvent>& events() const { return events_; }
    // Every assignment brings the hidden one-item blocks up to date.
    void setEvents(std::vector<ScheduleEvent> events);

    bool isArmed() const { return isArmed_; }
    bool loops() const { return loops_; }
    void setLoops(bool loops);
    // The event whose block the automation put on air and still follows.
    const std::optional<QUuid>& runningEventID() const { return runningEventID_; }
    // Per event, the marker of its latest successful launch.
    const Records& started() const { return started_; }
    // The last launch problem; absent after a good launch.
    const std::optional<QString>& notice() const { return notice_; }

    int prepSeconds() const { return prepSeconds_; }
    void setPrepSeconds(int seconds);
    int lateToleranceSeconds() const { return lateToleranceSeconds_; }
    void setLateToleranceSeconds(int seconds);

    // Arming marks every past occurrence of the enabled events as handled,
    // so it never fires a start that already lies in the past.
    void setArmed(bool on);
    // Forgets what the automation has done (re-marking the past when armed).
    void resetProgress();
    // Replaces the whole schedule, disarmed and without records.
    void load(std::vector<ScheduleEvent> events, bool loops);
    // The calls that change the schedule take their event by value: each
    // refreshes the events and the views' rows, where a caller's reference
    // may point.
    void add(ScheduleEvent event);
    // Replaces the event with the same id; its future occurrences are
    // prepared and launched afresh, past ones never.
    void update(ScheduleEvent event);
    void remove(ScheduleEvent event);
    // Swaps the event with the one offset places away, when there is one.
    void moveEvent(ScheduleEvent event, int offset);

    struct FixedStart {
        ScheduleEvent event;
        double date;
    };
    // The earliest next start among the enabled fixed events; on equal
    // instants the one higher in the list.
    std::optional<FixedStart> nextFixed(double after) const;

    // The block the event plays: its hidden block for a file or live source,
    // else the playlist block named by blockID (none once it is deleted).
    std::shared_ptr<MediaBlock> block(const ScheduleEvent& event) const;
    // Per enabled event, its planned start: fixed events by the calendar,
    // follow events after the planned end of the event before them.
    Records plannedStarts(double now) const;
    // The same, in the order of events(): absent for events without one.
    std::vector<std::optional<double>> plannedStartList(double now) const;
    // The rules of both for one enabled event: a fixed one starts by the
    // calendar (its next start from half a second ago, else its latest), a
    // follow one at cursor, the planned end of the enabled event before it;
    // that event ends after its block's planned length, cut to its duration.
    static std::optional<double> plannedStart(const ScheduleEvent& event, std::optional<double> cursor, double now,
                                              const ScheduleCalendar& calendar);
    static std::optional<double> plannedEnd(const ScheduleEvent& event, std::optional<double> start,
                                            std::optional<double> blockLength);
    // The event is on air under the automation: it is the running event,
    // its block is the one on air and the program is playing.
    bool isRunning(const ScheduleEvent& event) const;
    // The live source's name, the file name without extension, the block's
    // name, or "Blocco mancante".
    QString title(const ScheduleEvent& event) const;

    // Puts the event's block on air and records it as the running event;
    // false when there is no engine, no block, an empty block, or the engine
    // neither put the block on air nor started a fade towards it. The
    // operator's "send now" and the automation both launch through it.
    bool launch(ScheduleEvent event, double marker);

    // Per event, the fixed occurrence already dealt with and the one
    // prepared; read-only views for the row status and for tests.
    const Records& handled() const { return handled_; }
    const Records& prepared() const { return prepared_; }

    // The clock's current calendar time.
    double now() const;
    // The clock and the calendar of the moment that the schedule runs on,
    // for views that show its times and refresh with it.
    Clock& clock() const { return clock_; }
    ScheduleCalendar calendar() const { return calendar_(); }

signals:
    void eventsChanged();
    void isArmedChanged();
    void loopsChanged();
    void runningEventIDChanged();
    void startedChanged();
    void noticeChanged();
    void prepSecondsChanged();
    void lateToleranceSecondsChanged();
    void changed();

private:
    void setIsArmed(bool armed);
    void setRunningEventID(const std::optional<QUuid>& id);
    void setStarted(Records started);
    void setNotice(const std::optional<QString>& notice);
    void markPastOccurrences(double now);
    void syncContentBlocks();
    // The list changed in place: counted, its blocks kept in step, told.
    void eventsEdited();

    // The automation.
    void tick();
    void endRunningEventAtDeadline(double now);
    void prepare(const ScheduleEvent& event, double now, std::optional<double> next);
    bool blockEnded(const MediaBlock& ended);
    const ScheduleEvent* eventWithID(const QUuid& id) const;

    QPointer<PlaylistEngine> engine_;
    Settings& settings_;
    Clock& clock_;
    CalendarSource calendar_;

    std::vector<ScheduleEvent> events_;
    bool isArmed_ = false;
    bool loops_ = false;
    std::optional<QUuid> runningEventID_;
    std::optional<double> runningDeadline_;
    Records started_;
    std::optional<QString> notice_;
    int prepSeconds_ = 10;
    int lateToleranceSeconds_ = 10;
    // Per event, the fixed occurrence already dealt with (launched or let
    // pass as too late), and the occurrence whose first item was cued.
    Records handled_;
    Records prepared_;
    // Per event with media, its hidden one-item block (holding the very
    // item object of the event).
    std::map<QUuid, std::shared_ptr<MediaBlock>> contentBlocks_;
    std::unique_ptr<Timer> timer_;

    // What the tick reads, kept between ticks: the calendar (read again
    // once a minute, so a change of the system's zone is seen), and each
    // fixed event's latest and next start, which stay as they are until
    // the earliest next start comes, the events or the zone change, or the
    // clock is set back.
    struct Occurrences {
        std::optional<double> latest;
        std::optional<double> next;
    };
    const ScheduleCalendar& tickCalendar(double now);
    const Occurrences& occurrencesOf(const ScheduleEvent& event, double now);
    std::optional<ScheduleCalendar> calendarCache_;
    double calendarReadAt_ = 0.0;
    std::uint64_t eventsGeneration_ = 0;
    std::uint64_t occurrencesGeneration_ = ~std::uint64_t(0);
    std::optional<LocalZone> occurrencesZone_;
    double occurrencesFrom_ = 0.0;
    double occurrencesUntil_ = 0.0;
    std::map<QUuid, Occurrences> occurrences_;
};

} // namespace tessarin
