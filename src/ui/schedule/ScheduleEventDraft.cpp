#include "ui/schedule/ScheduleEventDraft.h"

#include "media/MediaBlock.h"
#include "media/MediaFile.h"


#include <algorithm>
#include <cmath>

namespace tessarin {

QString ScheduleEventDraft::label(ContentKind kind)
{
    switch (kind) {
    case ContentKind::block: return tr("Blocco");
    case ContentKind::file: return tr("File");
    case ContentKind::live: return tr("Diretta");
    }
    return {};
}

ScheduleEventDraft::ContentKind ScheduleEventDraft::contentKindOf(const ScheduleEvent& event)
{
    if (!event.media)
        return ContentKind::block;
    return event.media->isLive() ? ContentKind::live : ContentKind::file;
}

ScheduleEventDraft::ScheduleEventDraft(ScheduleEvent event, QObject* parent)
    : QObject(parent)
    , event_(std::move(event))
    , contentKind_(contentKindOf(event_))
{
}

void ScheduleEventDraft::publish()
{
    emit changed();
}

void ScheduleEventDraft::setContentKind(ContentKind kind)
{
    contentKind_ = kind;
    if (event_.media) {
        const bool live = event_.media->isLive();
        if (kind == ContentKind::block || (kind == ContentKind::file && live) || (kind == ContentKind::live && !live))
            event_.media.reset();
    }
    publish();
}

void ScheduleEventDraft::setBlockID(std::optional<QUuid> blockID, const Blocks& blocks)
{
    const bool changedID = blockID != event_.blockID;
    event_.blockID = blockID;
    if (changedID && !event_.duration) {
        const auto block = selectedBlock(blocks);
        if (block && block->hasLiveSource())
            event_.duration = kLiveDurationPreset;
    }
    publish();
}

void ScheduleEventDraft::setMedia(std::shared_ptr<MediaFile> media)
{
    const bool changedID = (media ? media->id() : QUuid()) != (event_.media ? event_.media->id() : QUuid());
    event_.media = std::move(media);
    if (changedID && event_.media && event_.media->isLive() && !event_.duration)
        event_.duration = kLiveDurationPreset;
    publish();
}

void ScheduleEventDraft::setStart(ScheduleEvent::Start start)
{
    event_.start = start;
    publish();
}

void ScheduleEventDraft::setDate(double date)
{
    event_.date = date;
    publish();
}

void ScheduleEventDraft::setRepeats(ScheduleEvent::Repeat repeats)
{
    event_.repeats = repeats;
    publish();
}

void ScheduleEventDraft::setLimited(bool limited)
{
    if (!limited)
        event_.duration.reset();
    else if (!event_.duration)
        event_.duration = kLiveDurationPreset;
    publish();
}

void ScheduleEventDraft::setDuration(double seconds)
{
    const double shortest = ScheduleEvent::durationRange.lower;
    event_.duration = std::isfinite(seconds) ? std::max(seconds, shortest) : shortest;
    publish();
}

std::shared_ptr<MediaBlock> ScheduleEventDraft::selectedBlock(const Blocks& blocks) const
{
    if (!event_.blockID)
        return nullptr;
    const auto it = std::find_if(blocks.begin(), blocks.end(),
                                 [&](const auto& block) { return block && block->id() == *event_.blockID; });
    return it == blocks.end() ? nullptr : *it;
}

bool ScheduleEventDraft::isLiveContent(const Blocks& blocks) const
{
    switch (contentKind_) {
    case ContentKind::live: return true;
    case ContentKind::file: return false;
    case ContentKind::block: {
        const auto block = selectedBlock(blocks);
        return block && block->hasLiveSource();
    }
    }
    return false;
}

bool ScheduleEventDraft::canSave(const Blocks& blocks) const
{
    if (contentKind_ == ContentKind::block)
        return selectedBlock(blocks) != nullptr;
    return event_.media != nullptr;
}

QString ScheduleEventDraft::startExplanation() const
{
    switch (event_.start) {
    case ScheduleEvent::Start::fixed:
        return tr("Va in onda all'ora indicata. Se in quel momento c'è altro in onda, viene sostituito.");
    case ScheduleEvent::Start::follow:
        return tr("Parte da solo appena finisce l'evento che lo precede nell'elenco.");
    case ScheduleEvent::Start::manual:
        return tr("Non parte da solo: lo avvii tu con il pulsante Play della riga.");
    }
    return {};
}

bool ScheduleEventDraft::durationWarns(const Blocks& blocks) const
{
    return isLiveContent(blocks) && !event_.duration;
}

QString ScheduleEventDraft::durationExplanation(const Blocks& blocks) const
{
    if (durationWarns(blocks))
        return tr("Una diretta non ha una fine: senza limite resta in onda finché non parte un evento a orario fisso "
                  "o la fermi tu, e gli eventi “a seguire” e il loop non scattano.");
    if (!event_.duration)
        return tr("Senza limite l'evento dura quanto il suo blocco.");
    return tr("Allo scadere l'evento finisce e passa a ciò che viene dopo: l'evento “a seguire”, il loop o la fine "
              "del blocco.");
}

ScheduleEvent ScheduleEventDraft::finished() const
{
    ScheduleEvent result = event_;
    if (std::isfinite(result.date))
        result.date = std::floor(result.date);
    if (contentKind_ == ContentKind::block)
        result.media.reset();
    else
        result.blockID.reset();
    return result;
}

} // namespace tessarin
