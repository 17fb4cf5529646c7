#pragma once
// What the playlist and schedule drop targets accept, and how a drop turns
// into playlist items in the order the things were dropped. Besides file
// URLs, two text payloads of the application's own drags are understood:
// "vellumcast-files|" and "vellumcast-source|", each followed by standard
// Base64 (padded, no line breaks) of compact JSON. Everything malformed is
// ignored: it adds no item and never fails the drop.
#include "media/LiveSource.h"

#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QMimeData;

namespace tessarin {

class MediaFile;

// The file-list payload: the paths of several files dragged at once.
class FileDragPayload {
public:
    static constexpr const char* kPrefix = "vellumcast-files|";

    // Prefix + Base64 of the JSON array of the URLs' paths, in order.
    static QString encode(const std::vector<QUrl>& urls);
    // The file URLs, or nullopt when text is not a valid file-list payload.
    // An empty array gives an empty list (not nullopt). A relative path is
    // taken relative to the current directory.
    static std::optional<std::vector<QUrl>> decode(const QString& text);
};

// One item of a drop, copied out of the drag's data when it arrives (the
// platform's data is not kept past the drop event).
struct DropItem {
    std::optional<QUrl> fileURL; // a dropped file
    std::optional<QString> text; // dropped text (payloads, or anything else)
};

class MediaDrop {
public:
    static constexpr const char* kSourcePrefix = "vellumcast-source|";

    // The MIME types the drop targets declare: file URLs, then text.
    static QStringList acceptedTypes();

    // The items of a drag's data: one per local file URL, then its text.
    static std::vector<DropItem> items(const QMimeData& data);

    // True when at least one item is a file URL or text.
    static bool canAccept(const std::vector<DropItem>& items);
    static bool canAccept(const QMimeData& data);

    // Main thread. Decodes the items and calls completion later, once, on the
    // main thread, with one MediaFile per file and per decoded file-list
    // entry and one live item per source payload, in the items' order.
    // Files whose names are not UTF-8 are left out (a show could not store them).
    static void loadItems(std::vector<DropItem> items,
                          std::function<void(std::vector<std::shared_ptr<MediaFile>>)> completion);

    // The source payload the browser writes when a source row is dragged.
    static QString sourcePayload(const LiveSource& source);
    // The source of a payload; nullopt for anything else (no prefix, bad
    // Base64, JSON that is not a complete LiveSource).
    static std::optional<LiveSource> decodeSourcePayload(const QString& text);

    // Standard Base64 read strictly: only the alphabet, "=" padding to a
    // multiple of four, nothing else (no white space, no line breaks).
    static std::optional<QByteArray> decodeBase64Strict(const QString& text);
};

} // namespace tessarin
