#include "platform/FileKind.h"

#include <QMimeDatabase>

namespace tessarin {

FileKind fileKind(const QString& path)
{
    static const QMimeDatabase database; // read-only after construction, safe across threads
    const QMimeType type = database.mimeTypeForFile(path, QMimeDatabase::MatchExtension);
    const QString name = type.name();
    if (name.startsWith(QLatin1String("image/")))
        return FileKind::image;
    if (name.startsWith(QLatin1String("audio/")))
        return FileKind::audio;
    return FileKind::other;
}

} // namespace tessarin
