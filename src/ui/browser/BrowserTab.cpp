#include "ui/browser/BrowserTab.h"

#include <QCoreApplication>

namespace tessarin::BrowserTabs {

QString rawValue(BrowserTab tab)
{
    return tab == BrowserTab::media ? QStringLiteral("media") : QStringLiteral("sources");
}

QString title(BrowserTab tab)
{
    return tab == BrowserTab::media ? QCoreApplication::translate("BrowserTab", "Media")
                                    : QCoreApplication::translate("BrowserTab", "Sorgenti");
}

} // namespace tessarin::BrowserTabs
