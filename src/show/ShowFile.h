#pragma once
// Puts a show file's bytes on disk without ever leaving a half-written file
// where a good one was: the bytes go to a temporary file in the target's
// folder, are flushed to the disk, and only then replace the target by a
// rename. A crash, a full disk or an unwritable folder leaves the previous
// file as it was. Any thread (no shared state).
#include <QByteArray>
#include <QString>

#include <optional>

namespace tessarin {

class ShowFile {
public:
    // nullopt on success; otherwise the system's description of what failed.
    static std::optional<QString> write(const QString& path, const QByteArray& bytes);

    ShowFile() = delete;
};

} // namespace tessarin
