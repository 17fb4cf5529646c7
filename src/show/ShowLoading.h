#pragma once
// One opening of a show file: turns the stored references of a document
// back into items, blocks, events and layer contents, looking each file up
// absolutely or below the show's folder, and collects the names of the
// media that could not be found, in the order their references failed
// (with repeats). A live source is never missing.
// Every stored number is brought into the range the model declares for it
// (gain, IN and OUT, image duration, loop count, layer settings, schedule
// dates and durations), so the views, the program and the next save see the
// same value; the file itself is not touched. IN and OUT are brought within
// an item once its duration is known, later, through the correction hook.
// Main thread.
#include "show/ShowDocument.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

namespace tessarin {

class MediaBlock;
class MediaFile;
class OverlayLayer;
struct ScheduleEvent;

class ShowLoading {
public:
    // Runs a correction of the opened show that can only be made after the
    // load (correct), so that it counts as part of the load.
    using Correction = std::function<void(const std::function<void()>& correct)>;

    // showFolder: the folder of the show file being opened. correction:
    // none runs corrections as they come.
    explicit ShowLoading(QString showFolder, Correction correction = {});

    // The one place where a stored item becomes an item: a live item for
    // its source, else a file item when the file is found (null and one
    // name on the missing list otherwise), with its clip settings applied.
    // A still's stored image duration is applied only when it differs from
    // the item's own, so the default length is not rendered twice.
    std::shared_ptr<MediaFile> makeFile(const ShowDocument::Item& item);
    // A block with its stored identity (a fresh one when it is not UUID
    // text) and settings, holding the items made from the entry's (the
    // ones found; a block is listed a slice at a time).
    std::shared_ptr<MediaBlock> makeBlock(const ShowDocument::Block& entry,
                                          std::vector<std::shared_ptr<MediaFile>> items);
    // The events in file order; an entry whose media is missing is left out
    // whole. An absent list is an empty schedule.
    std::vector<ScheduleEvent> makeEvents(const std::optional<std::vector<ShowDocument::ScheduleEntry>>& entries);
    // Settings first (opacity, scale, offsets, loops), then the file when it
    // is found; a missing file is named only when "path" was stored. The
    // layer is expected cleared and hidden.
    void applyLayer(OverlayLayer& layer, const ShowDocument::Layer& stored);

    const QStringList& missing() const { return missing_; }

private:
    // ShowPaths::locate, once per stored reference.
    std::optional<QString> locate(const ShowDocument::Item& item);
    void fitTrimOnceDurationIsKnown(const std::shared_ptr<MediaFile>& file);

    QString showFolder_;
    Correction correction_;
    QStringList missing_;
    QHash<QString, std::optional<QString>> located_;
};

} // namespace tessarin
