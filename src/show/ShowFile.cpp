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
    // Unbuffered: a failing write reports the system's reason (a full disk,
    // a size limit) instead of surfacing later as an unexplained flush error.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return file.errorString();
    // A full disk or a size limit first shows as a short write with no error
    // set; writing the rest then fails with the system's reason.
    qint64 done = 0;
    while (done < bytes.size()) {
        const qint64 n = file.write(bytes.constData() + done, bytes.size() - done);
        if (n <= 0) {
            const QString error = file.errorString();
            file.cancelWriting();
            return error;
        }
        done += n;
    }
    // commit() flushes, syncs and renames; on failure it removes the
    // temporary file and leaves the target untouched.
    if (!file.commit())
        return file.errorString();
    return std::nullopt;
}

} // namespace tessarin
