#pragma once
// What the event editor's live picker offers and how its choices become the
// event's source. A source is known in the picker by its key, the kind's raw
// value, "|" and its address, so two sources with one kind and address are
// one choice. Main thread (reads the catalogue).
#include "media/LiveSource.h"

#include <QString>

#include <optional>
#include <vector>

namespace tessarin {

class SourceLibrary;
struct ScheduleEvent;

class LiveSourceChoices {
public:
    LiveSourceChoices() = delete;

    static QString key(const LiveSource& source);
    // The key of the event's own live source; none without one.
    static std::optional<QString> liveKey(const ScheduleEvent& event);
    // The kind's sources of the catalogue, in order, then the event's own
    // source of that kind when no listed source has its address (a device
    // unplugged, a source removed), so the event keeps showing it, last.
    static std::vector<LiveSource> choices(LiveSourceKind kind, const SourceLibrary& library,
                                           const ScheduleEvent& event);
    // The first choice of the offered kinds with the key; none for the empty
    // key and for a key no choice has.
    static std::optional<LiveSource> source(const QString& key, const SourceLibrary& library,
                                            const ScheduleEvent& event);
};

} // namespace tessarin
