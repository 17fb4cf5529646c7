#include "show/ShowFile.h"

#include <QFile>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

std::optional<QByteArray> ShowFile::read(const QString& path, Refusal* why)
{
    const auto refuse = [why](Refusal refusal) -> std::optional<QByteArray> {
        if (why)
            *why = refusal;
        return std::nullopt;
    };
    // The system's reason, for what the operator is told.
    const auto refuseFor = [&refuse](int error) {
        switch (error) {
        case ENOENT:
        case ENOTDIR: return refuse(Refusal::notFound);
        case EACCES:
        case EPERM: return refuse(Refusal::noPermission);
        case ELOOP: return refuse(Refusal::linkLoop);
        case ENAMETOOLONG: return refuse(Refusal::nameTooLong);
        default: return refuse(Refusal::unreadable);
        }
    };
    const QByteArray name = QFile::encodeName(path);
    // Looked at before it is opened: opening a device may act on it.
    struct stat before {};
    if (::stat(name.constData(), &before) != 0)
        return refuseFor(errno);
    if (!S_ISREG(before.st_mode))
        return refuse(Refusal::notAFile);
    if (before.st_size > maximumSize)
        return refuse(Refusal::tooLarge);
    // Without waiting for a writer, should a pipe have been put there since.
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return refuseFor(errno);
    const auto closing = [fd](std::optional<QByteArray> result) {
        ::close(fd);
        return result;
    };
    struct stat opened {};
    if (::fstat(fd, &opened) != 0)
        return closing(refuse(Refusal::unreadable));
    if (!S_ISREG(opened.st_mode))
        return closing(refuse(Refusal::notAFile));
    // A file that grows while it is read is cut at one byte past the limit.
    QByteArray bytes;
    bytes.resize(std::min<qint64>(opened.st_size, maximumSize) + 1);
    qint64 done = 0;
    for (;;) {
        if (done == bytes.size()) {
            if (done > maximumSize)
                return closing(refuse(Refusal::tooLarge));
            bytes.resize(std::min<qint64>(done * 2, maximumSize + 1));
        }
        const ssize_t n = ::read(fd, bytes.data() + done, static_cast<size_t>(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return closing(refuse(Refusal::unreadable));
        if (n == 0)
            break;
        done += n;
    }
    bytes.truncate(done);
    return closing(std::move(bytes));
}

} // namespace tessarin
