#pragma once
// Small pictures of video files (one frame at 1.0 s, upright, within
// 160 x 90), made in the background and kept per file URL, encoded (a few
// kilobytes each), while an item uses the file and for a few files after
// (FileCache). Called on the main thread.
#include "media/PackedPicture.h"

#include <QUrl>

#include <functional>

namespace tessarin::ThumbnailCache {

// A cached picture is handed to completion at once, inside the call;
// otherwise the picture is made on a background thread and completion runs
// later on the main thread with it, or with a null picture when none could
// be made (nothing is cached then). Only local files are read.
void thumbnail(const QUrl& url, std::function<void(const PackedPicture&)> completion);

// The picture kept for url, null when none is.
PackedPicture cached(const QUrl& url);

// The largest thumbnail size.
inline constexpr int maxWidth = 160;
inline constexpr int maxHeight = 90;

} // namespace tessarin::ThumbnailCache
