#include "show/ShowPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace tessarin {

ShowPaths::Reference ShowPaths::reference(const QString& filePath, const std::optional<QString>& base)
{
    Reference ref{filePath, std::nullopt};
    if (!base)
        return ref;
    const QString prefix = *base + QLatin1Char('/');
    if (filePath.startsWith(prefix) && filePath.size() > prefix.size())
        ref.relative = filePath.mid(prefix.size());
    return ref;
}

namespace {
bool isFile(const QString& path)
{
    return !path.isEmpty() && QFileInfo(path).isFile();
}
} // namespace

std::optional<QString> ShowPaths::locate(const std::optional<QString>& path,
                                         const std::optional<QString>& relativePath, const QString& showFolder)
{
    if (path && isFile(*path))
        return *path;
    if (relativePath && !relativePath->isEmpty()) {
        // Joined as text: a stored "relativePath" that begins with "/" stays
        // below the show's folder instead of naming an absolute place.
        const QString candidate = showFolder + QLatin1Char('/') + *relativePath;
        if (isFile(candidate))
            return QDir::cleanPath(candidate);
    }
    return std::nullopt;
}

QString ShowPaths::missingName(const std::optional<QString>& path)
{
    if (!path)
        return QStringLiteral("?");
    QString trimmed = *path;
    while (trimmed.size() > 1 && trimmed.endsWith(QLatin1Char('/')))
        trimmed.chop(1);
    const qsizetype slash = trimmed.lastIndexOf(QLatin1Char('/'));
    return slash < 0 || trimmed.size() == 1 ? trimmed : trimmed.mid(slash + 1);
}

QString ShowPaths::unfoundName(const std::optional<QString>& path)
{
    const QString name = missingName(path);
    struct stat status {};
    if (!path || path->isEmpty() || ::stat(QFile::encodeName(*path).constData(), &status) != 0)
        return name;
    const auto said = [&name](const char* text) { return QCoreApplication::translate("ShowController", text).arg(name); };
    if (S_ISFIFO(status.st_mode))
        return said(QT_TRANSLATE_NOOP("ShowController", "%1 (è una pipe, non un file)"));
    if (S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode))
        return said(QT_TRANSLATE_NOOP("ShowController", "%1 (è un dispositivo, non un file)"));
    if (S_ISDIR(status.st_mode))
        return said(QT_TRANSLATE_NOOP("ShowController", "%1 (è una cartella, non un file)"));
    if (S_ISSOCK(status.st_mode))
        return said(QT_TRANSLATE_NOOP("ShowController", "%1 (è un socket, non un file)"));
    return name;
}

} // namespace tessarin
