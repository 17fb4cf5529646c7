#pragma once
// Still images turned into short movies the players can open: the picture
// (long side at most 1920, never enlarged) repeated at two frames per second
// for the requested duration, H.264 in a QuickTime file, kept in
// "Vellumcast/ImageClips" in the user's cache folder, one file per image path
// and duration. Called on the main thread; renders run in the background.
//
// A clip is written to a temporary file in the cache folder and renamed into
// place only when complete, so a failed or interrupted render never passes
// for a clip; requests for a clip that is being rendered wait for that render.
#include <QSize>
#include <QString>
#include <QUrl>

#include <cstdint>
#include <functional>
#include <optional>

namespace tessarin::ImageClipRenderer {

// When the clip exists, completion gets its URL at once, inside the call.
// Otherwise the clip is rendered in the background (once, however many ask
// meanwhile) and completion runs later on the main thread with the URL, or
// with an empty URL when the image cannot be rendered.
void makeClip(const QUrl& imageURL, double duration, std::function<void(const QUrl&)> completion);

// The clip's URL in the cache folder (creating the folder): sixteen hex
// digits of a hash of the path text and the duration that stays the same
// from one run to the next, then ".mov".
QUrl cacheURL(const QUrl& imageURL, double duration);

// Renders synchronously into outputPath (which is replaced only on success).
// Background threads only. False when the image cannot be loaded, the
// duration is not a positive finite number of at most maxDuration seconds, or
// encoding fails.
bool render(const QUrl& imageURL, double duration, const QString& outputPath);

// The clip's picture size for an image of the given size: scaled to a long
// side of at most 1920, each side rounded, made even and at least 2.
QSize targetSize(QSize imageSize);
// Frames in a clip: 2 x duration rounded up, at least 2; nullopt for
// durations render() refuses.
std::optional<std::int64_t> frameCount(double duration);

inline constexpr double maxDuration = 86400.0;

// The folder clips are kept in; tests point it elsewhere.
QString cacheFolder();
void setCacheFolder(const QString& folder);

} // namespace tessarin::ImageClipRenderer
