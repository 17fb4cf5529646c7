#include "platform/FileKind.h"

#include <QHash>
#include <QMimeDatabase>

namespace tessarin {

namespace {

FileKind kindOfType(const QString& name)
{
    if (name.startsWith(QLatin1String("image/")))
        return FileKind::image;
    if (name.startsWith(QLatin1String("audio/")))
        return FileKind::audio;
    return FileKind::other;
}

} // namespace

FileKind fileKind(const QString& path)
{
    static const QMimeDatabase database; // read-only after construction, safe across threads
    const qsizetype slash = path.lastIndexOf(u'/');
    const qsizetype dot = path.lastIndexOf(u'.');
    if (dot <= slash + 1 || dot == path.size() - 1) // no extension (a leading dot names a hidden file)
        return kindOfType(database.mimeTypeForFile(path, QMimeDatabase::MatchExtension).name());
    // Judged once per extension on each thread: a show of thousands of
    // files has a handful of extensions, and a lookup costs microseconds.
    thread_local QHash<QString, FileKind> known;
    const QString extension = path.mid(dot + 1);
    if (const auto it = known.constFind(extension); it != known.constEnd())
        return *it;
    const FileKind kind = kindOfType(
        database.mimeTypeForFile(QLatin1String("file.") + extension, QMimeDatabase::MatchExtension).name());
    if (known.size() >= 256)
        known.clear();
    known.insert(extension, kind);
    return kind;
}

} // namespace tessarin
