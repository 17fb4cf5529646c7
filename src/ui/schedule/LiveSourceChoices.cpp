#include "ui/schedule/LiveSourceChoices.h"

#include "automation/ScheduleModels.h"
#include "media/MediaFile.h"
#include "media/SourceLibrary.h"

#include <algorithm>

namespace tessarin {

QString LiveSourceChoices::key(const LiveSource& source)
{
    return LiveSourceKinds::rawValue(source.kind) + QLatin1Char('|') + source.address;
}

std::optional<QString> LiveSourceChoices::liveKey(const ScheduleEvent& event)
{
    if (!event.media || !event.media->liveSource())
        return std::nullopt;
    return key(*event.media->liveSource());
}

std::vector<LiveSource> LiveSourceChoices::choices(LiveSourceKind kind, const SourceLibrary& library,
                                                   const ScheduleEvent& event)
{
    std::vector<LiveSource> list = library.sources(kind);
    if (event.media && event.media->liveSource() && event.media->liveSource()->kind == kind) {
        const LiveSource& own = *event.media->liveSource();
        const bool listed
            = std::any_of(list.begin(), list.end(), [&](const LiveSource& s) { return s.address == own.address; });
        if (!listed)
            list.push_back(own);
    }
    return list;
}

std::optional<LiveSource> LiveSourceChoices::source(const QString& key, const SourceLibrary& library,
                                                    const ScheduleEvent& event)
{
    if (key.isEmpty())
        return std::nullopt;
    for (const LiveSourceKind kind : LiveSourceKinds::offered()) {
        for (const LiveSource& choice : choices(kind, library, event)) {
            if (LiveSourceChoices::key(choice) == key)
                return choice;
        }
    }
    return std::nullopt;
}

} // namespace tessarin
