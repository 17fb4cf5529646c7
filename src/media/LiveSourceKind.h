#pragma once
// The kinds of live input and what the interface shows for each.
#include <QString>

#include <optional>
#include <vector>

namespace tessarin {

// Stored as its raw value ("ndi", "capture", "rtmp", "srt"). An ndi source is
// accepted and stored, but never offered and never opens.
enum class LiveSourceKind { ndi, capture, rtmp, srt };

namespace LiveSourceKinds {

// Every kind, in declaration order.
const std::vector<LiveSourceKind>& allCases();
// The kinds the sources tab and the schedule editor offer: capture, rtmp, srt.
const std::vector<LiveSourceKind>& offered();

QString rawValue(LiveSourceKind kind);
// Exactly one of the four raw values (case-sensitive), else nullopt.
std::optional<LiveSourceKind> fromRawValue(const QString& raw);

// True for the kinds added by hand with an address: rtmp and srt.
bool isManual(LiveSourceKind kind);
// Display label; only the capture label is translated.
QString title(LiveSourceKind kind);
// Symbol name for Icons.
QString systemImage(LiveSourceKind kind);

} // namespace LiveSourceKinds
} // namespace tessarin
