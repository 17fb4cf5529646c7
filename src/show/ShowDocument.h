#pragma once
// The show file's value tree (a .vellumcast file): the browser list, the
// playlist blocks, the two overlay layers and the schedule. Plain values
// whose fields are exactly the file's keys; reading is strict and all or
// nothing, writing is exact (sorted keys, "\/", absent optionals left out,
// no non-finite numbers). Reading and writing: any thread. Building from
// the running show and back: main thread.
#include "media/LiveSource.h"

#include <QByteArray>
#include <QString>
#include <QUuid>

#include <memory>
#include <optional>
#include <vector>

namespace tessarin {

class MediaBlock;
class MediaFile;
class OverlayLayer;
struct ScheduleEvent;

struct ShowDocument {
    // One media reference with its clip settings (browser, block items,
    // a schedule entry's media). Every key is optional when read.
    struct Item {
        std::optional<QString> path;          // absolute path
        std::optional<QString> relativePath;  // below the show's folder
        // In LiveSource's own JSON form: all five keys written and required;
        // a bad "id" or "kind" makes the document unreadable.
        std::optional<LiveSource> liveSource;
        std::optional<bool> loop;
        std::optional<bool> isMuted;
        std::optional<double> gainDB;
        std::optional<double> inPoint;
        std::optional<double> outPoint;
        std::optional<double> imageDuration;
        bool operator==(const Item&) const = default;
    };

    struct Block {
        std::optional<QString> id;  // UUID text; anything else gives a fresh identity when opened
        QString name;
        bool loop = false;
        qint64 loopCount = 0;
        QString endBehavior = QStringLiteral("pauseBlack");
        bool normalizeAudio = false;
        std::vector<Item> items;
        bool operator==(const Block&) const = default;
    };

    struct Layer {
        std::optional<QString> path;
        std::optional<QString> relativePath;
        double opacity = 1.0;
        double scale = 1.0;
        double offsetX = 0.0;
        double offsetY = 0.0;
        bool loops = false;
        bool operator==(const Layer&) const = default;
    };

    struct ScheduleEntry {
        QString id;                      // UUID text
        std::optional<QString> blockID;  // UUID text
        QString start = QStringLiteral("manual");  // "fixed", "follow", "manual"
        double date = 0.0;               // seconds since 1970-01-01 00:00:00 UTC
        QString repeats = QStringLiteral("none");  // "none", "daily", "weekly"
        bool isEnabled = true;
        std::optional<double> duration;
        std::optional<Item> media;
        bool operator==(const ScheduleEntry&) const = default;
    };

    qint64 version = 1;
    std::vector<Item> browser;
    std::vector<Block> blocks;
    std::vector<Layer> layers;
    std::optional<std::vector<ScheduleEntry>> schedule;
    std::optional<bool> scheduleLoops;
    bool operator==(const ShowDocument&) const = default;

    // The file's bytes as a document: nullopt when they are not one JSON
    // object, a required key is missing, any key holds another JSON type than
    // its own (null counts as absent for optional keys only), an integer is
    // not whole, or a live source has a bad "id" or "kind". Unknown keys are
    // ignored at every level. why, when given, receives a short reason.
    static std::optional<ShowDocument> fromJson(const QByteArray& bytes, QString* why = nullptr);

    enum class Layout {
        pretty,   // the file: line breaks and indentation
        compact,  // change-tracking snapshots
    };
    // UTF-8 JSON with keys sorted in every object and "/" written as "\/";
    // nullopt when a number is not finite (nothing is written as null).
    std::optional<QByteArray> toJson(Layout layout) const;
    // Whether toJson can write it: every number is finite.
    bool hasOnlyFiniteNumbers() const;

    // The running show as a document: the playlist blocks (not the
    // schedule's hidden ones), the overlay layers, the schedule's events
    // and loop flag and the browser's files, each in list order. base: the
    // folder that will hold the file, so media below it also get a
    // "relativePath"; nullopt for change-tracking snapshots. Reads only
    // what is in memory: no file is touched.
    static ShowDocument build(const std::vector<std::shared_ptr<MediaBlock>>& blocks,
                              const std::vector<std::shared_ptr<OverlayLayer>>& layers,
                              const std::vector<ScheduleEvent>& schedule, bool scheduleLoops,
                              const std::vector<std::shared_ptr<MediaFile>>& browser,
                              const std::optional<QString>& base);
    // The same, in the storage of an earlier document's lists.
    static ShowDocument build(const std::vector<std::shared_ptr<MediaBlock>>& blocks,
                              const std::vector<std::shared_ptr<OverlayLayer>>& layers,
                              const std::vector<ScheduleEvent>& schedule, bool scheduleLoops,
                              const std::vector<std::shared_ptr<MediaFile>>& browser,
                              const std::optional<QString>& base, ShowDocument recycled);
    // One item with its clip settings: a live item by its source, a file by
    // its paths; "outPoint" only when set, "imageDuration" only for a still.
    static Item item(const MediaFile& file, const std::optional<QString>& base);
};

// A stored schedule entry as an event, with its media already resolved
// (null for none). Identities that are not UUID text give a fresh event id
// or no block; unknown start and repeat texts give manual and none.
ScheduleEvent scheduleEvent(const ShowDocument::ScheduleEntry& entry, std::shared_ptr<MediaFile> media);

} // namespace tessarin
