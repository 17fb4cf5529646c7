#pragma once
// A live input that is not a file: a capture device or an RTMP/SRT feed.
// A plain value, copied freely across threads; stored in show files, in the
// settings and in drag payloads through its JSON form.
#include "media/LiveSourceKind.h"

#include <QHashFunctions>
#include <QJsonObject>
#include <QString>
#include <QUuid>

#include <optional>

namespace tessarin {

struct LiveSource {
    QUuid id = QUuid::createUuid();
    LiveSourceKind kind = LiveSourceKind::capture;
    // A capture device's name, or the name entered for a manual source.
    QString name;
    // capture: the device's unique id; rtmp/srt: the URL ffmpeg reads.
    QString address;
    // rtmp: ffmpeg listens on the address instead of connecting.
    bool listen = false;

    // All five members take part, so two values with one id but another
    // name differ.
    friend bool operator==(const LiveSource&, const LiveSource&) = default;
};

size_t qHash(const LiveSource& source, size_t seed = 0) noexcept;

// JSON form: an object with exactly "id" (upper-case canonical UUID),
// "kind" (raw value), "name", "address" (strings) and "listen" (boolean);
// written as text with json::write in the layout of the enclosing document.
QJsonObject toJson(const LiveSource& source);

// Strict: each of the five keys present with its JSON type, the id a
// canonical 8-4-4-4-12 UUID in either case, the kind one of the raw values
// exactly. Other keys are ignored. On failure returns nullopt and, when
// error is given, says why.
std::optional<LiveSource> liveSourceFromJson(const QJsonValue& value, QString* error = nullptr);

} // namespace tessarin

template <>
struct std::hash<tessarin::LiveSource> {
    size_t operator()(const tessarin::LiveSource& source) const noexcept { return tessarin::qHash(source); }
};
