#include "automation/ScheduleController.h"

#include "engine/PlaylistEngine.h"
#include "media/MediaBlock.h"
#include "media/MediaFile.h"
#include "media/ShowRevision.h"
#include "platform/Clock.h"
#include "platform/MainThread.h"
#include "platform/Settings.h"
#include "platform/player/MediaPlayer.h"

#include <QHash>

#include <algorithm>
#include <cassert>
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

// The file name of an item's URL without its (last) extension.
QString fileTitle(const QUrl& url)
{
    QString name = url.fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot > 0)
        name.truncate(dot);
    return name;
}

// The name of the hidden block and the title of an event that plays one item.
QString itemTitle(const MediaFile& item)
{
    if (const auto& source = item.liveSource())
        return source->name;
    return fileTitle(item.url());
}

} // namespace

ScheduleController::ScheduleController(PlaylistEngine* engine, Settings& settings, Clock& clock,
                                       CalendarSource calendar, QObject* parent)
    : QObject(parent)
    , engine_(engine)
    , settings_(settings)
    , clock_(clock)
    , calendar_(std::move(calendar))
{
    prepSeconds_ = storedSeconds(settings_, prepSecondsKey);
    lateToleranceSeconds_ = storedSeconds(settings_, lateToleranceKey);
    if (engine_) {
        QPointer<ScheduleController> self(this);
        engine_->setBlockEndHandler([self](const std::shared_ptr<MediaBlock>& ended) {
            assert(isMainThread());
            return self && ended ? self->blockEnded(*ended) : false;
        });
    }
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
    eventsEdited();
}

void ScheduleController::eventsEdited()
{
    ShowRevision::advance(); // saved with the show
    ++eventsGeneration_;
    syncContentBlocks();
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
    ShowRevision::advanceIfChanging(loops_, loops); // saved with the show
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

void ScheduleController::add(ScheduleEvent event)
{
    events_.push_back(std::move(event));
    eventsEdited();
}

void ScheduleController::update(ScheduleEvent event)
{
    const auto it = std::find_if(events_.begin(), events_.end(), [&](const auto& e) { return e.id == event.id; });
    if (it == events_.end())
        return;
    *it = event;
    eventsEdited();
    handled_.erase(event.id);
    prepared_.erase(event.id);
    if (isArmed_) {
        if (const auto latest = ScheduleClock::latestOccurrence(event, now(), calendar_()))
            handled_[event.id] = *latest;
    }
}

void ScheduleController::remove(ScheduleEvent event)
{
    const QUuid id = event.id; // the event may be one of the list's own
    std::erase_if(events_, [&](const auto& e) { return e.id == id; });
    eventsEdited();
    if (started_.count(id)) {
        auto started = started_;
        started.erase(id);
        setStarted(std::move(started));
    }
    handled_.erase(id);
    prepared_.erase(id);
    if (runningEventID_ == id)
        setRunningEventID(std::nullopt);
}

void ScheduleController::moveEvent(ScheduleEvent event, int offset)
{
    const auto it = std::find_if(events_.begin(), events_.end(), [&](const auto& e) { return e.id == event.id; });
    if (it == events_.end())
        return;
    const qint64 i = it - events_.begin();
    const qint64 j = i + offset;
    if (j < 0 || j >= static_cast<qint64>(events_.size()))
        return;
    std::swap(events_[static_cast<std::size_t>(i)], events_[static_cast<std::size_t>(j)]);
    eventsEdited();
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


// --- hidden one-item blocks ---

void ScheduleController::syncContentBlocks()
{
    std::map<QUuid, std::shared_ptr<MediaBlock>> blocks;
    for (const ScheduleEvent& event : events_) {
        if (!event.media)
            continue;
        const auto kept = contentBlocks_.find(event.id);
        if (kept != contentBlocks_.end() && !kept->second->items().empty()
            && kept->second->items().front()->id() == event.media->id()) {
            blocks[event.id] = kept->second;
            continue;
        }
        auto block = std::make_shared<MediaBlock>(itemTitle(*event.media), QUuid::createUuid());
        block->setItems({event.media});
        blocks[event.id] = std::move(block);
    }
    contentBlocks_ = std::move(blocks);
    if (!engine_)
        return;
    std::vector<std::shared_ptr<MediaBlock>> hidden;
    hidden.reserve(contentBlocks_.size());
    for (const auto& [id, block] : contentBlocks_)
        hidden.push_back(block);
    engine_->setScheduleBlocks(std::move(hidden));
}

// --- queries ---

std::shared_ptr<MediaBlock> ScheduleController::block(const ScheduleEvent& event) const
{
    if (event.media) {
        const auto it = contentBlocks_.find(event.id);
        return it == contentBlocks_.end() ? nullptr : it->second;
    }
    if (!event.blockID || !engine_)
        return nullptr;
    for (const auto& block : engine_->blocks()) {
        if (block->id() == *event.blockID)
            return block;
    }
    return nullptr;
}

ScheduleController::Records ScheduleController::plannedStarts(double now) const
{
    Records result;
    const auto starts = plannedStartList(now);
    for (std::size_t i = 0; i < starts.size(); ++i) {
        if (starts[i])
            result[events_[i].id] = *starts[i];
    }
    return result;
}

std::vector<std::optional<double>> ScheduleController::plannedStartList(double now) const
{
    const ScheduleCalendar calendar = calendar_();
    std::vector<std::optional<double>> result(events_.size());
    // Blocks by id, and each block's planned length once: a long schedule
    // of long blocks stays one pass over the events.
    QHash<QUuid, const MediaBlock*> blocks;
    if (engine_) {
        for (const auto& block : engine_->blocks())
            blocks.insert(block->id(), block.get());
    }
    QHash<const MediaBlock*, std::optional<double>> lengths;
    std::optional<double> cursor;
    for (std::size_t i = 0; i < events_.size(); ++i) {
        const ScheduleEvent& event = events_[i];
        if (!event.isEnabled)
            continue;
        const std::optional<double> start = plannedStart(event, cursor, now, calendar);
        if (!start) {
            cursor.reset();
            continue;
        }
        result[i] = *start;
        const MediaBlock* b = nullptr;
        if (event.media) {
            const auto it = contentBlocks_.find(event.id);
            b = it == contentBlocks_.end() ? nullptr : it->second.get();
        } else if (event.blockID) {
            b = blocks.value(*event.blockID);
        }
        std::optional<double> length;
        if (b) {
            auto it = lengths.find(b);
            if (it == lengths.end())
                it = lengths.insert(b, b->plannedDuration());
            length = *it;
        }
        cursor = plannedEnd(event, start, length);
    }
    return result;
}

std::optional<double> ScheduleController::plannedStart(const ScheduleEvent& event, std::optional<double> cursor,
                                                      double now, const ScheduleCalendar& calendar)
{
    switch (event.start) {
    case ScheduleEvent::Start::fixed:
        if (const auto next = ScheduleClock::nextOccurrence(event, now - 0.5, calendar))
            return next;
        return ScheduleClock::latestOccurrence(event, now, calendar);
    case ScheduleEvent::Start::follow:
        return cursor;
    case ScheduleEvent::Start::manual:
        break;
    }
    return std::nullopt;
}

std::optional<double> ScheduleController::plannedEnd(const ScheduleEvent& event, std::optional<double> start,
                                                      std::optional<double> blockLength)
{
    if (!start)
        return std::nullopt;
    if (event.duration)
        blockLength = blockLength ? std::min(*blockLength, *event.duration) : *event.duration;
    return blockLength ? std::optional<double>(*start + *blockLength) : std::nullopt;
}

bool ScheduleController::isRunning(const ScheduleEvent& event) const
{
    if (runningEventID_ != event.id || !engine_ || !engine_->isPlaying())
        return false;
    const auto b = block(event);
    const std::optional<QUuid> blockID = b ? std::optional<QUuid>(b->id()) : std::nullopt;
    return engine_->currentBlockID() == blockID;
}

QString ScheduleController::title(const ScheduleEvent& event) const
{
    if (event.media)
        return itemTitle(*event.media);
    if (const auto b = block(event))
        return b->name();
    return tr("Blocco mancante");
}

const ScheduleEvent* ScheduleController::eventWithID(const QUuid& id) const
{
    const auto it = std::find_if(events_.begin(), events_.end(), [&](const auto& e) { return e.id == id; });
    return it == events_.end() ? nullptr : &*it;
}

// --- the automation ---


bool ScheduleController::launch(ScheduleEvent event, double marker)
{
    if (!engine_)
        return false;
    const auto b = block(event);
    if (!b) {
        setNotice(tr("Un evento del palinsesto punta a un blocco che non esiste più."));
        return false;
    }
    if (b->items().empty()) {
        setNotice(tr("Il blocco “%1” è vuoto: non c'è nulla da mandare in onda.").arg(b->name()));
        return false;
    }
    setNotice(std::nullopt);
    setRunningEventID(event.id);
    runningDeadline_.reset();

    // With the fade style, a take that replaces a live source, or brings one
    // while a file plays, changes the block on air only at the middle of a
    // fade through black, which then carries this take. The launch has
    // succeeded once that fade is heading for the block: counting it as
    // failed would leave the event without its duration and its followers,
    // and inside the block-end hook it would let the engine stop the program,
    // dropping the fade and the take with it.
    engine_->play(b);

    const bool onAir = engine_ && (engine_->currentBlockID() == b->id() || engine_->pendingBlockID() == b->id());
    if (engine_ && runningEventID_ == event.id && onAir) {
        if (event.duration)
            runningDeadline_ = now() + *event.duration;
        auto started = started_;
        started[event.id] = marker;
        setStarted(std::move(started));
        return true;
    }
    if (runningEventID_ == event.id)
        setRunningEventID(std::nullopt);
    return false;
}

void ScheduleController::tick()
{
    if (!isArmed_ || !engine_)
        return;
    const double n = now();
    endRunningEventAtDeadline(n);
    if (!isArmed_ || !engine_)
        return;

    // A copy: launches below may run the block-end hook, which reads events_.
    const std::vector<ScheduleEvent> events = events_;
    for (const ScheduleEvent& event : events) {
        if (!event.isEnabled || event.start != ScheduleEvent::Start::fixed)
            continue;
        const Occurrences found = occurrencesOf(event, n);
        const auto& latest = found.latest;
        const auto mark = handled_.find(event.id);
        if (latest && (mark == handled_.end() || mark->second != *latest)) {
            handled_[event.id] = *latest;
            if (n - *latest <= static_cast<double>(lateToleranceSeconds_))
                launch(event, *latest);
            continue;
        }
        prepare(event, n, found.next);
    }
}

const ScheduleCalendar& ScheduleController::tickCalendar(double now)
{
    if (!calendarCache_ || now - calendarReadAt_ >= 60.0 || now < calendarReadAt_) {
        calendarCache_ = calendar_();
        calendarReadAt_ = now;
    }
    return *calendarCache_;
}

const ScheduleController::Occurrences& ScheduleController::occurrencesOf(const ScheduleEvent& event, double now)
{
    const ScheduleCalendar& calendar = tickCalendar(now);
    const bool stale = occurrencesGeneration_ != eventsGeneration_ || occurrencesZone_ != calendar.zone()
        || now < occurrencesFrom_ || now >= occurrencesUntil_;
    if (stale) {
        occurrences_.clear();
        occurrencesGeneration_ = eventsGeneration_;
        occurrencesZone_ = calendar.zone();
        occurrencesFrom_ = now;
        occurrencesUntil_ = now + 3600.0; // and at least once an hour
    }
    auto it = occurrences_.find(event.id);
    if (it == occurrences_.end()) {
        Occurrences found;
        found.latest = ScheduleClock::latestOccurrence(event, now, calendar);
        found.next = ScheduleClock::nextOccurrence(event, now, calendar);
        // Both hold until the next start comes.
        if (found.next)
            occurrencesUntil_ = std::min(occurrencesUntil_, *found.next);
        it = occurrences_.emplace(event.id, found).first;
    }
    return it->second;
}

void ScheduleController::endRunningEventAtDeadline(double now)
{
    if (!runningDeadline_ || now < *runningDeadline_)
        return;
    runningDeadline_.reset();
    const ScheduleEvent* running = runningEventID_ ? eventWithID(*runningEventID_) : nullptr;
    if (running) {
        const auto b = block(*running);
        const std::optional<QUuid> blockID = b ? std::optional<QUuid>(b->id()) : std::nullopt;
        if (engine_->currentBlockID() == blockID) {
            // The engine's block end runs the hook, which clears the running
            // event and goes on with the chain.
            engine_->endBlockNow();
            return;
        }
    }
    setRunningEventID(std::nullopt);
}

void ScheduleController::prepare(const ScheduleEvent& event, double now, std::optional<double> next)
{
    if (prepSeconds_ < 1)
        return;
    if (!next || *next - now > static_cast<double>(prepSeconds_))
        return;
    const auto mark = prepared_.find(event.id);
    if (mark != prepared_.end() && mark->second == *next)
        return;
    if (engine_->cuedItem())
        return;
    const auto b = block(event);
    if (!b || engine_->currentBlockID() == b->id() || b->items().empty())
        return;
    const auto& first = b->items().front();
    if (first->isLive())
        return;
    prepared_[event.id] = *next;
    engine_->cue(first, b);
}

bool ScheduleController::blockEnded(const MediaBlock& ended)
{
    if (!isArmed_ || !runningEventID_)
        return false;
    // A copy: the signals emitted below reach views that may edit the list.
    const std::vector<ScheduleEvent> events = events_;
    const auto running = std::find_if(events.begin(), events.end(),
                                      [&](const auto& e) { return e.id == *runningEventID_; });
    if (running == events.end())
        return false;
    const auto b = block(*running);
    if (!b || b->id() != ended.id())
        return false;
    setRunningEventID(std::nullopt);
    runningDeadline_.reset();

    const auto isEnabled = [](const ScheduleEvent& e) { return e.isEnabled; };
    const auto after = std::find_if(std::next(running), events.end(), isEnabled);
    if (after != events.end())
        return after->start == ScheduleEvent::Start::follow && launch(*after, now());
    if (!loops_)
        return false;
    const auto top = std::find_if(events.begin(), events.end(), isEnabled);
    if (top == events.end())
        return false;
    Records kept = started_;
    setStarted({});
    if (launch(*top, now()))
        return true;
    setStarted(std::move(kept));
    return false;
}

} // namespace tessarin
