#include "ui/kit/DisplayName.h"

#include "media/MediaFile.h"

#include <QFileInfo>

namespace tessarin {

QString itemDisplayName(const MediaFile& item)
{
    if (item.liveSource())
        return item.liveSource()->name;
    const QString fileName = QFileInfo(item.url().path()).fileName();
    const int dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? fileName.left(dot) : fileName;
}

} // namespace tessarin
