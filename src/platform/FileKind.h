#pragma once
#include <QString>

namespace tessarin {

// What a file is, judged by its name alone (no content is read).
enum class FileKind { image, audio, other };

// image/* and audio/* by the MIME type of the extension (its last one);
// everything else, video included, is other.
FileKind fileKind(const QString& path);

} // namespace tessarin
