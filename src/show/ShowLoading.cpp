#include "show/ShowLoading.h"

#include "automation/ScheduleModels.h"
#include "engine/OverlayLayer.h"
#include "media/MediaBlock.h"
#include "media/MediaFile.h"
#include "platform/Json.h"
#include "show/ShowPaths.h"

#include <QUrl>

namespace tessarin {

ShowLoading::ShowLoading(QString showFolder) : showFolder_(std::move(showFolder)) {}

std::shared_ptr<MediaFile> ShowLoading::makeFile(const ShowDocument::Item& item)
{
    std::shared_ptr<MediaFile> file;
    if (item.liveSource) {
        file = MediaFile::create(*item.liveSource);
    } else {
        const auto found = ShowPaths::locate(item.path, item.relativePath, showFolder_);
        if (!found) {
            missing_.append(ShowPaths::missingName(item.path));
            return nullptr;
        }
        file = MediaFile::create(QUrl::fromLocalFile(*found));
    }
    file->setLoop(item.loop.value_or(false));
    file->setIsMuted(item.isMuted.value_or(false));
    file->setGainDB(item.gainDB.value_or(0.0));
    file->setInPoint(item.inPoint.value_or(0.0));
    file->setOutPoint(item.outPoint);
    if (file->isImage() && item.imageDuration && *item.imageDuration != file->imageDuration())
        file->setImageDuration(*item.imageDuration);
    return file;
}

std::vector<std::shared_ptr<MediaFile>> ShowLoading::makeFiles(const std::vector<ShowDocument::Item>& items)
{
    std::vector<std::shared_ptr<MediaFile>> files;
    files.reserve(items.size());
    for (const auto& item : items) {
        if (auto file = makeFile(item))
            files.push_back(std::move(file));
    }
    return files;
}

std::shared_ptr<MediaBlock> ShowLoading::makeBlock(const ShowDocument::Block& entry)
{
    const auto id = entry.id ? json::parseUuid(*entry.id) : std::nullopt;
    auto block = std::make_shared<MediaBlock>(entry.name, id.value_or(QUuid::createUuid()));
    block->setLoop(entry.loop);
    block->setLoopCount(entry.loopCount);
    block->setEndBehavior(entry.endBehavior == QLatin1String("cueNextBlock") ? BlockEndBehavior::cueNextBlock
                                                                              : BlockEndBehavior::pauseBlack);
    block->setNormalizeAudio(entry.normalizeAudio);
    block->setItems(makeFiles(entry.items));
    return block;
}

std::vector<ScheduleEvent> ShowLoading::makeEvents(
    const std::optional<std::vector<ShowDocument::ScheduleEntry>>& entries)
{
    std::vector<ScheduleEvent> events;
    if (!entries)
        return events;
    for (const auto& entry : *entries) {
        std::shared_ptr<MediaFile> media;
        if (entry.media) {
            media = makeFile(*entry.media);
            if (!media)
                continue; // its name is on the missing list already
        }
        events.push_back(scheduleEvent(entry, std::move(media)));
    }
    return events;
}

void ShowLoading::applyLayer(OverlayLayer& layer, const ShowDocument::Layer& stored)
{
    layer.setOpacity(stored.opacity);
    layer.setScale(stored.scale);
    layer.setOffsetX(stored.offsetX);
    layer.setOffsetY(stored.offsetY);
    layer.setLoops(stored.loops);
    if (const auto found = ShowPaths::locate(stored.path, stored.relativePath, showFolder_))
        layer.load(QUrl::fromLocalFile(*found));
    else if (stored.path)
        missing_.append(ShowPaths::missingName(stored.path));
}

} // namespace tessarin
