#pragma once
// The show file's value tree (a .vellumcast file): the browser list, the
// playlist blocks, the two overlay layers and the schedule. Plain values
// whose fields are exactly the file's keys; reading is strict and all or
// nothing, writing is exact (sorted keys, "\/", absent optionals left out,
// no non-finite numbers). Any thread.
#include "media/LiveSource.h"

#include <QByteArray>
#include <QString>
#include <QUuid>

#include <optional>
#include <vector>

namespace tessarin {

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
};

} // namespace tessarin
