#pragma once
// One opening of a show file: turns the stored references of a document
// back into items, blocks, events and layer contents, looking each file up
// absolutely or below the show's folder, and collects the names of the
// media that could not be found, in the order their references failed
// (with repeats). A live source is never missing. Main thread.
#include "show/ShowDocument.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace tessarin {

class MediaBlock;
class MediaFile;
class OverlayLayer;
struct ScheduleEvent;

class ShowLoading {
public:
    // showFolder: the folder of the show file being opened.
    explicit ShowLoading(QString showFolder);

    // The one place where a stored item becomes an item: a live item for
    // its source, else a file item when the file is found (null and one
    // name on the missing list otherwise), with its clip settings applied.
    // A still's stored image duration is applied only when it differs from
    // the item's own, so the default length is not rendered twice.
    std::shared_ptr<MediaFile> makeFile(const ShowDocument::Item& item);
    // The items that are found, in order.
    std::vector<std::shared_ptr<MediaFile>> makeFiles(const std::vector<ShowDocument::Item>& items);
    // A block with its stored identity (a fresh one when it is not UUID
    // text), settings and the items that are found.
    std::shared_ptr<MediaBlock> makeBlock(const ShowDocument::Block& entry);
    // The events in file order; an entry whose media is missing is left out
    // whole. An absent list is an empty schedule.
    std::vector<ScheduleEvent> makeEvents(const std::optional<std::vector<ShowDocument::ScheduleEntry>>& entries);
    // Settings first (opacity, scale, offsets, loops), then the file when it
    // is found; a missing file is named only when "path" was stored. The
    // layer is expected cleared and hidden.
    void applyLayer(OverlayLayer& layer, const ShowDocument::Layer& stored);

    const QStringList& missing() const { return missing_; }

private:
    QString showFolder_;
    QStringList missing_;
};

} // namespace tessarin
