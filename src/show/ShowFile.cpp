#include "show/ShowFile.h"

#include <QSaveFile>

namespace tessarin {

std::optional<QString> ShowFile::write(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    // Never fall back to writing the target in place when the folder does
    // not allow a temporary file beside it: that is exactly the case where
    // a failure would destroy the previous file.
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    if (file.write(bytes) != bytes.size()) {
        const QString error = file.errorString();
        file.cancelWriting();
        return error;
    }
    // commit() flushes, syncs and renames; on failure it removes the
    // temporary file and leaves the target untouched.
    if (!file.commit())
        return file.errorString();
    return std::nullopt;
}

} // namespace tessarin
