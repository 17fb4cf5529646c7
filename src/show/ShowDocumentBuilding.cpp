// The running show turned into its document, and a stored schedule entry
// turned back into an event.
#include "show/ShowDocument.h"

#include "automation/ScheduleModels.h"
#include "engine/OverlayLayer.h"
#include "media/MediaBlock.h"
#include "media/MediaFile.h"
#include "platform/Json.h"
#include "show/ShowPaths.h"

namespace tessarin {
namespace {

QString localPath(const QUrl& url)
{
    return url.isLocalFile() ? url.toLocalFile() : url.path();
}

ShowDocument::Block blockEntry(const MediaBlock& block, const std::optional<QString>& base)
{
    ShowDocument::Block entry;
    entry.id = json::uuidText(block.id());
    entry.name = block.name();
    entry.loop = block.loop();
    entry.loopCount = block.loopCount();
    entry.endBehavior = BlockEndBehaviors::rawValue(block.endBehavior());
    entry.normalizeAudio = block.normalizeAudio();
    entry.items.reserve(block.items().size());
    for (const auto& item : block.items()) {
        if (item)
            entry.items.push_back(ShowDocument::item(*item, base));
    }
    return entry;
}

ShowDocument::Layer layerEntry(const OverlayLayer& layer, const std::optional<QString>& base)
{
    ShowDocument::Layer entry;
    if (!layer.url().isEmpty()) {
        const auto ref = ShowPaths::reference(localPath(layer.url()), base);
        entry.path = ref.path;
        entry.relativePath = ref.relative;
    }
    entry.opacity = layer.opacity();
    entry.scale = layer.scale();
    entry.offsetX = layer.offsetX();
    entry.offsetY = layer.offsetY();
    entry.loops = layer.loops();
    return entry;
}

ShowDocument::ScheduleEntry scheduleEntry(const ScheduleEvent& event, const std::optional<QString>& base)
{
    ShowDocument::ScheduleEntry entry;
    entry.id = json::uuidText(event.id);
    if (event.blockID)
        entry.blockID = json::uuidText(*event.blockID);
    entry.start = ScheduleEvent::rawValue(event.start);
    entry.date = event.date;
    entry.repeats = ScheduleEvent::rawValue(event.repeats);
    entry.isEnabled = event.isEnabled;
    entry.duration = event.duration;
    if (event.media)
        entry.media = ShowDocument::item(*event.media, base);
    return entry;
}

} // namespace

ShowDocument ShowDocument::build(const std::vector<std::shared_ptr<MediaBlock>>& blocks,
                                 const std::vector<std::shared_ptr<OverlayLayer>>& layers,
                                 const std::vector<ScheduleEvent>& schedule, bool scheduleLoops,
                                 const std::vector<std::shared_ptr<MediaFile>>& browser,
                                 const std::optional<QString>& base)
{
    return build(blocks, layers, schedule, scheduleLoops, browser, base, ShowDocument {});
}

ShowDocument ShowDocument::build(const std::vector<std::shared_ptr<MediaBlock>>& blocks,
                                 const std::vector<std::shared_ptr<OverlayLayer>>& layers,
                                 const std::vector<ScheduleEvent>& schedule, bool scheduleLoops,
                                 const std::vector<std::shared_ptr<MediaFile>>& browser,
                                 const std::optional<QString>& base, ShowDocument recycled)
{
    ShowDocument doc;
    // The storage of an earlier document's long lists, emptied: a list of
    // thousands of items is a block of megabytes, which the allocator maps
    // afresh (a page fault a page) each time it is made anew.
    doc.browser = std::move(recycled.browser);
    doc.browser.clear();
    doc.blocks = std::move(recycled.blocks);
    doc.blocks.clear();
    doc.version = 1;
    doc.browser.reserve(browser.size());
    for (const auto& file : browser) {
        if (file)
            doc.browser.push_back(item(*file, base));
    }
    for (const auto& block : blocks) {
        if (block)
            doc.blocks.push_back(blockEntry(*block, base));
    }
    for (const auto& layer : layers) {
        if (layer)
            doc.layers.push_back(layerEntry(*layer, base));
    }
    doc.schedule.emplace();
    for (const auto& event : schedule)
        doc.schedule->push_back(scheduleEntry(event, base));
    doc.scheduleLoops = scheduleLoops;
    return doc;
}

ShowDocument::Item ShowDocument::item(const MediaFile& file, const std::optional<QString>& base)
{
    Item item;
    item.loop = file.loop();
    item.isMuted = file.isMuted();
    item.gainDB = file.gainDB();
    item.inPoint = file.inPoint();
    item.outPoint = file.outPoint();
    if (file.isImage())
        item.imageDuration = file.imageDuration();
    if (file.liveSource()) {
        item.liveSource = *file.liveSource();
        return item;
    }
    const auto ref = ShowPaths::reference(file.path(), base);
    item.path = ref.path;
    item.relativePath = ref.relative;
    return item;
}

ScheduleEvent scheduleEvent(const ShowDocument::ScheduleEntry& entry, std::shared_ptr<MediaFile> media)
{
    ScheduleEvent event;
    event.id = json::parseUuid(entry.id).value_or(QUuid::createUuid());
    if (entry.blockID)
        event.blockID = json::parseUuid(*entry.blockID);
    event.start = ScheduleEvent::startFromRaw(entry.start).value_or(ScheduleEvent::Start::manual);
    event.date = entry.date;
    event.repeats = ScheduleEvent::repeatFromRaw(entry.repeats).value_or(ScheduleEvent::Repeat::none);
    event.isEnabled = entry.isEnabled;
    event.duration = entry.duration;
    event.media = std::move(media);
    return event;
}

} // namespace tessarin
