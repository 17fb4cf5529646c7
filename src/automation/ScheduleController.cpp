#include "automation/ScheduleController.h"

#include "platform/Clock.h"
#include "platform/Settings.h"

#include <algorithm>
#include <limits>

namespace tessarin {

namespace {

const QString prepSecondsKey = QStringLiteral("Vellumcast.schedule.prepSeconds");
const QString lateToleranceKey = QStringLiteral("Vellumcast.schedule.lateTolerance");
constexpr int defaultSeconds = 10;
constexpr double tickInterval = 0.1;

// A stored whole number that fits an int, else the default.
int storedSeconds(const Settings& settings, const QString& key)
{
    const auto value = settings.intValue(key);
    if (!value || *value < std::numeric_limits<int>::min() || *value > std::numeric_limits<int>::max())
        return defaultSeconds;
    return static_cast<int>(*value);
}

} // namespace

ScheduleController::ScheduleController(Settings& settings, Clock& clock, CalendarSource calendar, QObject* parent)
    : QObject(parent)
    , settings_(settings)
    , clock_(clock)
    , calendar_(std::move(calendar))
{
    prepSeconds_ = storedSeconds(settings_, prepSecondsKey);
    lateToleranceSeconds_ = storedSeconds(settings_, lateToleranceKey);
    timer_ = clock_.createTimer([this] { tick(); });
    timer_->start(tickInterval);
}

ScheduleController::~ScheduleController() = default;

double ScheduleController::now() const
{
    return clock_.wallNow();
}

void ScheduleController::setEvents(std::vector<ScheduleEvent> events)
{
    events_ = std::move(events);
    emit eventsChanged();
    emit changed();
}

void ScheduleController::setIsArmed(bool armed)
{
    isArmed_ = armed;
    emit isArmedChanged();
    emit changed();
}

void ScheduleController::setLoops(bool loops)
{
    loops_ = loops;
    emit loopsChanged();
    emit changed();
}

void ScheduleController::setRunningEventID(const std::optional<QUuid>& id)
{
    runningEventID_ = id;
    emit runningEventIDChanged();
    emit changed();
}

void ScheduleController::setStarted(Records started)
{
    started_ = std::move(started);
    emit startedChanged();
    emit changed();
}

void ScheduleController::setNotice(const std::optional<QString>& notice)
{
    notice_ = notice;
    emit noticeChanged();
    emit changed();
}

void ScheduleController::setPrepSeconds(int seconds)
{
    prepSeconds_ = seconds;
    settings_.setInt(prepSecondsKey, seconds);
    emit prepSecondsChanged();
    emit changed();
}

void ScheduleController::setLateToleranceSeconds(int seconds)
{
    lateToleranceSeconds_ = seconds;
    settings_.setInt(lateToleranceKey, seconds);
    emit lateToleranceSecondsChanged();
    emit changed();
}

void ScheduleController::markPastOccurrences(double now)
{
    const ScheduleCalendar calendar = calendar_();
    for (const ScheduleEvent& event : events_) {
        if (!event.isEnabled)
            continue;
        if (const auto latest = ScheduleClock::latestOccurrence(event, now, calendar))
            handled_[event.id] = *latest;
    }
}

void ScheduleController::setArmed(bool on)
{
    if (on == isArmed_)
        return;
    if (on) {
        markPastOccurrences(now());
        setNotice(std::nullopt);
    }
    setIsArmed(on);
}

void ScheduleController::resetProgress()
{
    setStarted({});
    handled_.clear();
    prepared_.clear();
    setRunningEventID(std::nullopt);
    setNotice(std::nullopt);
    if (isArmed_)
        markPastOccurrences(now());
}

void ScheduleController::load(std::vector<ScheduleEvent> events, bool loops)
{
    setIsArmed(false);
    setEvents(std::move(events));
    setLoops(loops);
    setStarted({});
    handled_.clear();
    prepared_.clear();
    setRunningEventID(std::nullopt);
    setNotice(std::nullopt);
}

void ScheduleController::add(const ScheduleEvent& event)
{
    auto events = events_;
    events.push_back(event);
    setEvents(std::move(events));
}

void ScheduleController::update(const ScheduleEvent& event)
{
    const auto it = std::find_if(events_.begin(), events_.end(), [&](const auto& e) { return e.id == event.id; });
    if (it == events_.end())
        return;
    auto events = events_;
    events[static_cast<std::size_t>(it - events_.begin())] = event;
    setEvents(std::move(events));
    handled_.erase(event.id);
    prepared_.erase(event.id);
    if (isArmed_) {
        if (const auto latest = ScheduleClock::latestOccurrence(event, now(), calendar_()))
            handled_[event.id] = *latest;
    }
}

void ScheduleController::remove(const ScheduleEvent& event)
{
    auto events = events_;
    std::erase_if(events, [&](const auto& e) { return e.id == event.id; });
    setEvents(std::move(events));
    if (started_.count(event.id)) {
        auto started = started_;
        started.erase(event.id);
        setStarted(std::move(started));
    }
    handled_.erase(event.id);
    prepared_.erase(event.id);
    if (runningEventID_ == event.id)
        setRunningEventID(std::nullopt);
}

void ScheduleController::moveEvent(const ScheduleEvent& event, int offset)
{
    const auto it = std::find_if(events_.begin(), events_.end(), [&](const auto& e) { return e.id == event.id; });
    if (it == events_.end())
        return;
    const qint64 i = it - events_.begin();
    const qint64 j = i + offset;
    if (j < 0 || j >= static_cast<qint64>(events_.size()))
        return;
    auto events = events_;
    std::swap(events[static_cast<std::size_t>(i)], events[static_cast<std::size_t>(j)]);
    setEvents(std::move(events));
}

std::optional<ScheduleController::FixedStart> ScheduleController::nextFixed(double after) const
{
    const ScheduleCalendar calendar = calendar_();
    std::optional<FixedStart> best;
    for (const ScheduleEvent& event : events_) {
        if (!event.isEnabled || event.start != ScheduleEvent::Start::fixed)
            continue;
        const auto next = ScheduleClock::nextOccurrence(event, after, calendar);
        if (next && (!best || *next < best->date))
            best = FixedStart{event, *next};
    }
    return best;
}

void ScheduleController::tick()
{
    // Launching, preparing and ending events act on the playback engine;
    // with none attached there is nothing to drive.
}

} // namespace tessarin
