#include "show/ShowPaths.h"

#include <QDir>
#include <QFileInfo>

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

} // namespace tessarin
