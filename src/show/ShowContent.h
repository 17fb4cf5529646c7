#pragma once
// What a show is made of in the running program: the engine's blocks and
// overlay layers, the media browser's list and the schedule. The show
// controller saves and rebuilds a show only through this interface; the
// program's implementation works on the engine and the schedule, tests hand
// in a plain one. Main thread.
#include "show/ShowDocument.h"
#include "show/ShowLoading.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>

namespace tessarin {

class ShowContent {
public:
    virtual ~ShowContent() = default;

    // The show as a document. base: the folder that will hold the file, so
    // media below it are also stored by relative path; nullopt for the
    // change-tracking snapshot (absolute paths only). Touches no file.
    virtual ShowDocument document(const std::optional<QString>& base) const = 0;
    // The same, built in the storage of an earlier document (the change
    // watcher's, every 1.5 s).
    virtual ShowDocument document(const std::optional<QString>& base, ShowDocument recycled) const
    {
        (void)recycled;
        return document(base);
    }

    // A count that moves on with every change to what document() gives, for
    // the change watcher to compare documents only when it has moved;
    // nullopt for a content that keeps none (compared at every check).
    virtual std::optional<std::uint64_t> revision() const { return std::nullopt; }
    // Brings a change-tracking snapshot, made when revision() was since, up
    // to the show as it is now, in place, when that costs less than making
    // it anew (only some items' clip settings changed). False when it must
    // be made anew (it may have been changed in part).
    virtual bool update(ShowDocument& snapshot, std::uint64_t since) const
    {
        (void)snapshot;
        (void)since;
        return false;
    }

    // Empties everything: program stopped, cue and selection cleared, no
    // blocks, an empty schedule that does not loop, both layers cleared, an
    // empty browser list.
    virtual void reset() = 0;

    // Rebuilds the show from a document read from a file in showFolder, on
    // top of what reset() left: browser, blocks, schedule, then layers.
    // Media that cannot be found are left out and their names appended to
    // missing, in the order their references failed. Stored numbers are
    // brought into the model's ranges; what can be corrected only later
    // (IN and OUT once an item's duration is known) goes through correction.
    virtual void apply(const ShowDocument& document, const QString& showFolder, QStringList& missing,
                       const ShowLoading::Correction& correction) = 0;

    // The same rebuilding made a slice at a time, so that a show of many
    // thousand items never holds the main thread for long: step() makes the
    // next items apart from the show, finish() then puts the whole show in
    // place at once, as apply() does. A listing given up before finish()
    // leaves the show as reset() left it.
    class Listing {
    public:
        virtual ~Listing() = default;
        // Makes at most about `items` more items (a block or the schedule
        // counts as one); true once everything is made.
        virtual bool step(int items) = 0;
        // Once step() has returned true: the show as apply() would have
        // made it, the names of media not found appended to missing.
        virtual void finish(QStringList& missing) = 0;
    };
    // The listing of document. By default the whole apply() in finish().
    virtual std::unique_ptr<Listing> list(std::shared_ptr<const ShowDocument> document, const QString& showFolder,
                                          const ShowLoading::Correction& correction);
};

} // namespace tessarin
