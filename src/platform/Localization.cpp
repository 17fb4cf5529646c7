#include "platform/Localization.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace tessarin {
namespace {

QTranslator* installedTranslator = nullptr; // owned by the application object
// Qt's own texts (file dialogs, standard buttons) are English at source:
// the Italian interface loads the system's Italian translation of them.
QTranslator* qtTranslator = nullptr;
QString currentLanguage = QStringLiteral("it");

void installQtItalian(QCoreApplication* app)
{
    auto* translator = new QTranslator(app);
    if (!translator->load(QStringLiteral("qtbase_it"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator; // not installed: Qt's dialogs stay in English
        return;
    }
    QCoreApplication::installTranslator(translator);
    qtTranslator = translator;
}

} // namespace

bool Localization::apply(const QString& language)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return false;
    for (QTranslator** t : { &installedTranslator, &qtTranslator }) {
        if (*t) {
            QCoreApplication::removeTranslator(*t);
            delete *t;
            *t = nullptr;
        }
    }
    currentLanguage = QStringLiteral("it");
    if (language != QLatin1String("en")) {
        installQtItalian(app);
        return true;
    }
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
