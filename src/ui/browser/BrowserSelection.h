#pragma once
// The browser's selection of files: a set of item ids, plus the anchor a
// Shift-click range extends from. Wherever selected files are needed in
// order they are taken from the file list in list order. A stale anchor
// (its file removed) behaves like no anchor. View state of the column.
// Main thread.
#include "show/BrowserFiles.h"

#include <QSet>
#include <QUuid>

#include <optional>

namespace tessarin {

class BrowserSelection {
public:
    using Files = BrowserFiles::Files;

    const QSet<QUuid>& ids() const { return ids_; }
    const std::optional<QUuid>& anchor() const { return anchor_; }
    bool contains(const QUuid& id) const { return ids_.contains(id); }

    // A click on the file at index with Shift and/or Command (Ctrl here):
    // Shift with a usable anchor selects the range between them (added to
    // the selection with Command); else Command toggles the file; else the
    // file alone is selected. Except for the range, the file becomes the anchor.
    void click(const Files& files, const MediaFile& file, int index, bool shift, bool command);
    // Every file; the anchor becomes the first (none when empty).
    void selectAll(const Files& files);
    // The files a drag from file carries: an unselected file becomes the
    // selection alone (and the anchor) first; then the selected files in list order.
    Files dragTargets(const Files& files, const MediaFile& file);
    // The files "Rimuovi" acts on: the selected ones in list order when file
    // is selected, else file alone.
    Files removalTargets(const Files& files, const std::shared_ptr<MediaFile>& file) const;
    // The selected files, in list order.
    Files selectedFiles(const Files& files) const;
    // Forgets ids; the anchor stays.
    void remove(const QSet<QUuid>& ids);
    // Forgets the ids no file of the list has; the anchor stays.
    void keepOnly(const Files& files);

private:
    QSet<QUuid> ids_;
    std::optional<QUuid> anchor_;
};

} // namespace tessarin
