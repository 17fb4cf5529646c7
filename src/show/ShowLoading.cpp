#include "show/ShowLoading.h"

#include "automation/ScheduleModels.h"
#include "engine/OverlayLayer.h"
#include "media/MediaBlock.h"
#include "media/MediaFile.h"
#include "platform/Json.h"
#include "show/ShowPaths.h"

#include <QUrl>

#include <algorithm>
#include <cmath>

namespace tessarin {

namespace {

// A stored number that is no number counts as absent.
std::optional<double> number(const std::optional<double>& stored)
{
    return stored && !std::isnan(*stored) ? stored : std::nullopt;
}

} // namespace

ShowLoading::ShowLoading(QString showFolder, Correction correction)
    : showFolder_(std::move(showFolder)), correction_(std::move(correction))
{
}

std::shared_ptr<MediaFile> ShowLoading::makeFile(const ShowDocument::Item& item)
{
    std::shared_ptr<MediaFile> file;
    if (item.liveSource) {
        file = MediaFile::create(*item.liveSource);
    } else {
        const auto found = locate(item);
        if (!found) {
            missing_.append(ShowPaths::unfoundName(item.path));
            return nullptr;
        }
        // A still's stored duration from the start: its clip is rendered
        // once, at that duration.
        file = MediaFile::create(QUrl::fromLocalFile(*found), number(item.imageDuration));
    }
    file->setLoop(item.loop.value_or(false));
    file->setIsMuted(item.isMuted.value_or(false));
    file->setGainDB(MediaFile::gainDBRange.clamp(item.gainDB.value_or(0.0), 0.0));
    // The end of the item is not known yet: IN and OUT keep their order now
    // and come within the item when its duration arrives.
    const double in = std::max(number(item.inPoint).value_or(0.0), 0.0);
    file->setInPoint(in);
    const auto out = number(item.outPoint);
    file->setOutPoint(out ? std::optional(std::max(*out, in + MediaFile::minimumPlayLength)) : std::nullopt);
    fitTrimOnceDurationIsKnown(file);
    return file;
}

std::optional<QString> ShowLoading::locate(const ShowDocument::Item& item)
{
    // A show's browser usually names the files its blocks name: each is
    // looked for once.
    const QString path = item.path.value_or(QString());
    const QString key = item.relativePath ? path + QChar(0) + *item.relativePath : path; // mostly shared, not copied
    if (const auto it = located_.constFind(key); it != located_.constEnd())
        return *it;
    auto found = ShowPaths::locate(item.path, item.relativePath, showFolder_);
    located_.insert(key, found);
    return found;
}

void ShowLoading::fitTrimOnceDurationIsKnown(const std::shared_ptr<MediaFile>& file)
{
    const auto fitNow = [correction = correction_](MediaFile& item) {
        if (item.fittedTrim() == MediaFile::Trim { item.inPoint(), item.outPoint() })
            return;
        std::weak_ptr<MediaFile> weak = item.shared_from_this();
        const auto fit = [weak] {
            if (auto alive = weak.lock())
                alive->fitTrimToDuration();
        };
        if (correction)
            correction(fit);
        else
            fit();
    };
    if (file->isLive())
        return;
    if (file->duration() > 0.0) {
        fitNow(*file);
        return;
    }
    // A file's duration is read once, in the background; a still's comes
    // with its clip.
    auto connection = std::make_shared<QMetaObject::Connection>();
    MediaFile* item = file.get();
    *connection = QObject::connect(item, &MediaFile::durationChanged, item, [item, connection, fitNow] {
        if (!(item->duration() > 0.0))
            return;
        QObject::disconnect(*connection);
        fitNow(*item);
    });
}

std::shared_ptr<MediaBlock> ShowLoading::makeBlock(const ShowDocument::Block& entry,
                                                   std::vector<std::shared_ptr<MediaFile>> items)
{
    const auto id = entry.id ? json::parseUuid(*entry.id) : std::nullopt;
    auto block = std::make_shared<MediaBlock>(entry.name, id.value_or(QUuid::createUuid()));
    block->setLoop(entry.loop);
    block->setLoopCount(std::clamp<qint64>(entry.loopCount, 0, MediaBlock::maximumLoopCount));
    block->setEndBehavior(entry.endBehavior == QLatin1String("cueNextBlock") ? BlockEndBehavior::cueNextBlock
                                                                              : BlockEndBehavior::pauseBlack);
    block->setNormalizeAudio(entry.normalizeAudio);
    block->setItems(std::move(items));
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
        ScheduleEvent event = scheduleEvent(entry, std::move(media));
        event.date = ScheduleEvent::dateRange.clamp(event.date, 0.0);
        if (event.duration)
            event.duration = ScheduleEvent::loadedDuration(*event.duration);
        events.push_back(std::move(event));
    }
    return events;
}

void ShowLoading::applyLayer(OverlayLayer& layer, const ShowDocument::Layer& stored)
{
    // A value that is no number takes the value a new layer has.
    layer.setOpacity(OverlayLayer::opacityRange.clamp(stored.opacity, 1.0));
    layer.setScale(OverlayLayer::scaleRange.clamp(stored.scale, 1.0));
    layer.setOffsetX(OverlayLayer::offsetRange.clamp(stored.offsetX, 0.0));
    layer.setOffsetY(OverlayLayer::offsetRange.clamp(stored.offsetY, 0.0));
    layer.setLoops(stored.loops);
    if (const auto found = ShowPaths::locate(stored.path, stored.relativePath, showFolder_))
        layer.load(QUrl::fromLocalFile(*found));
    else if (stored.path)
        missing_.append(ShowPaths::unfoundName(stored.path));
}

} // namespace tessarin
