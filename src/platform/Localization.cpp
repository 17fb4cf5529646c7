#include "platform/Localization.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>

namespace tessarin {
namespace {

QTranslator* installedTranslator = nullptr; // owned by the application object
QString currentLanguage = QStringLiteral("it");

} // namespace

bool Localization::apply(const QString& language)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return false;
    if (installedTranslator) {
        QCoreApplication::removeTranslator(installedTranslator);
        delete installedTranslator;
        installedTranslator = nullptr;
    }
    currentLanguage = QStringLiteral("it");
    if (language != QLatin1String("en"))
        return true;
    auto* translator = new QTranslator(app);
    if (!translator->load(QStringLiteral(":/i18n/tessarin_en.qm"))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    installedTranslator = translator;
    currentLanguage = QStringLiteral("en");
    return true;
}

QString Localization::current()
{
    return currentLanguage;
}

QString Localization::systemLanguage()
{
    for (const QString& entry : QLocale::system().uiLanguages()) {
        if (entry.startsWith(QLatin1String("it")))
            return QStringLiteral("it");
        if (entry.startsWith(QLatin1String("en")))
            return QStringLiteral("en");
    }
    return QStringLiteral("it");
}

} // namespace tessarin
