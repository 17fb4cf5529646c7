#include "app/AppIdentity.h"

#include <QGuiApplication>

namespace tessarin::AppIdentity {

void apply()
{
    QCoreApplication::setOrganizationName(QLatin1String(kName));
    QCoreApplication::setApplicationName(QLatin1String(kName));
    QCoreApplication::setApplicationVersion(QStringLiteral(TESSARIN_VERSION));
    QGuiApplication::setApplicationDisplayName(QLatin1String(kDisplayName));
    QGuiApplication::setDesktopFileName(QLatin1String(kDesktopEntry));
}

} // namespace tessarin::AppIdentity
