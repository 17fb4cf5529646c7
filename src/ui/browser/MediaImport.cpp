#include "ui/browser/MediaImport.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QStringDecoder>

#include <algorithm>

namespace tessarin {
namespace {

bool isMediaType(const QMimeType& type)
{
    auto media = [](const QString& name) {
        return name.startsWith(QLatin1String("video/")) || name.startsWith(QLatin1String("audio/"))
            || name.startsWith(QLatin1String("image/")) || name == QLatin1String("application/mxf");
    };
    if (media(type.name()))
        return true;
    const QStringList ancestors = type.allAncestors();
    return std::any_of(ancestors.begin(), ancestors.end(), media);
}

} // namespace

QString displayFileName(const QUrl& url)
{
    return url.fileName();
}

QString mediaNameFilter()
{
    QStringList patterns;
    for (const QMimeType& type : QMimeDatabase().allMimeTypes()) {
        if (!isMediaType(type))
            continue;
        for (const QString& glob : type.globPatterns()) {
            if (!patterns.contains(glob))
                patterns.append(glob);
        }
    }
    patterns.sort();
    return QCoreApplication::translate("MediaImport", "File video, audio e immagini") + QStringLiteral(" (")
        + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
}

SortedDrop sortDroppedFiles(const std::vector<QUrl>& urls)
{
    SortedDrop result;
    const QMimeDatabase mimeTypes;
    for (const QUrl& url : urls) {
        if (!url.isLocalFile())
            continue;
        if (!hasUtf8FileName(url)) {
            result.badNames.push_back(url);
            continue;
        }
        const QFileInfo info(url.toLocalFile());
        if (!info.isFile())
            continue;
        if (isMediaType(mimeTypes.mimeTypeForFile(info)))
            result.accepted.push_back(url);
    }
    return result;
}

} // namespace tessarin
