#pragma once
// Puts a show file's bytes on disk without ever leaving a half-written file
// where a good one was: the bytes go to a temporary file in the target's
// folder, are flushed to the disk, and only then replace the target by a
// rename. A crash, a full disk or an unwritable folder leaves the previous
// file as it was. Reads one back without ever waiting on something that is
// not a file (a pipe opened for reading waits for a writer, a device never
// ends). Any thread (no shared state).
#include <QByteArray>
#include <QString>

#include <optional>

namespace tessarin {

class ShowFile {
public:
    // nullopt on success; otherwise the system's description of what failed.
    static std::optional<QString> write(const QString& path, const QByteArray& bytes);

    // Far above any real show (10,000 items take a few megabytes), yet small
    // enough to be held and decoded at once.
    static constexpr qint64 maximumSize = 64 * 1024 * 1024;
    enum class Refusal {
        notAFile,   // a folder, a pipe, a device, a socket
        tooLarge,   // above maximumSize
        notFound,     // nothing at the path (or a folder on the way is missing)
        noPermission, // the file or a folder on the way may not be read
        linkLoop,     // symbolic links that lead back to themselves
        nameTooLong,  // a name, or the whole path, longer than the file system allows
        unreadable,   // another read error, or the bytes are no show
    };
    // The whole file; nullopt with the reason in why otherwise. Only a
    // regular file is opened, and it is opened so that it cannot block even
    // when something else has taken its place in the meantime.
    static std::optional<QByteArray> read(const QString& path, Refusal* why = nullptr);

    ShowFile() = delete;
};

} // namespace tessarin
