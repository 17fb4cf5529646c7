#pragma once
// The name an item is shown by: the live source's name for a live item,
// otherwise the file name without its last extension ("a.b.mov" -> "a.b").
// Any thread (pure).
#include <QString>

namespace tessarin {

class MediaFile;

QString itemDisplayName(const MediaFile& item);

} // namespace tessarin
