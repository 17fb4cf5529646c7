#include "app/CommandLine.h"

#include "app/AppIdentity.h"
#include "platform/Localization.h"
#include "platform/Settings.h"
#include "ui/settings/AppLanguage.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>

namespace tessarin {
namespace {

void print(std::FILE* stream, const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

// Qt's own options, which the application object takes away before the
// program reads what is left: "-name value" (also "--name value"), the
// ones that stand alone, and a few "-name=value".
QStringList withoutQtOptions(const QStringList& arguments)
{
    static const QStringList valued = {
        QStringLiteral("platform"), QStringLiteral("platformpluginpath"), QStringLiteral("platformtheme"),
        QStringLiteral("plugin"), QStringLiteral("qwindowgeometry"), QStringLiteral("qwindowtitle"),
        QStringLiteral("qwindowicon"), QStringLiteral("geometry"), QStringLiteral("title"), QStringLiteral("icon"),
        QStringLiteral("style"), QStringLiteral("stylesheet"), QStringLiteral("session"), QStringLiteral("display"),
        QStringLiteral("name"), QStringLiteral("visual"), QStringLiteral("qmljsdebugger"),
    };
    static const QStringList alone = {
        QStringLiteral("reverse"), QStringLiteral("testability"), QStringLiteral("widgetcount"),
        QStringLiteral("sync"), QStringLiteral("nograb"), QStringLiteral("dograb"),
    };
    static const QStringList withEquals = {
        QStringLiteral("style="), QStringLiteral("stylesheet="), QStringLiteral("qmljsdebugger="),
    };
    QStringList kept;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (i == 0 || argument == QLatin1String("--") || !argument.startsWith(QLatin1Char('-'))) {
            kept << argument;
            if (i > 0 && argument == QLatin1String("--"))
                return kept + arguments.mid(i + 1);
            continue;
        }
        const QString name = argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1);
        if (valued.contains(name))
            ++i; // and its value
        else if (!alone.contains(name)
                 && std::none_of(withEquals.begin(), withEquals.end(),
                                 [&](const QString& prefix) { return name.startsWith(prefix); }))
            kept << argument;
    }
    return kept;
}

} // namespace

CommandLine CommandLine::read(const QStringList& arguments)
{
    CommandLine result;
    std::optional<CommandLine> refused;
    bool filesOnly = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (!filesOnly && argument == QLatin1String("--")) {
            filesOnly = true;
        } else if (!filesOnly && (argument == QLatin1String("-h") || argument == QLatin1String("--help"))) {
            return { Request::help, {} };
        } else if (!filesOnly && (argument == QLatin1String("-v") || argument == QLatin1String("--version"))) {
            result.request = Request::version;
        } else if (!filesOnly && argument.startsWith(QLatin1Char('-')) && argument != QLatin1String("-")) {
            if (!refused)
                refused = CommandLine { Request::unknownOption, argument };
        } else if (result.argument.isEmpty() && !argument.isEmpty()) {
            result.argument = argument;
        } else if (!refused) {
            refused = CommandLine { Request::extraArgument, argument };
        }
    }
    if (result.request == Request::version)
        return { Request::version, {} };
    return refused ? *refused : result;
}

QString CommandLine::showPath() const
{
    if (request != Request::run || argument.isEmpty())
        return {};
    return QFileInfo(argument).absoluteFilePath();
}

int CommandLine::answer(const CommandLine& commandLine)
{
    const Settings settings{Settings::ReadOnly{}};
    Localization::apply(AppLanguage::rawValue(AppLanguage::effective(settings)));
    const QString program = QLatin1String(AppIdentity::kDesktopEntry);
    switch (commandLine.request) {
    case Request::run:
        return 0;
    case Request::help:
        print(stdout, tr("Uso: %1 [opzione] [show]\n"
                         "Messa in onda per spettacoli dal vivo.\n"
                         "\n"
                         "  show           il file di uno show da aprire (.vellumcast)\n"
                         "  -h, --help     mostra questo aiuto ed esce\n"
                         "  -v, --version  mostra la versione ed esce\n")
                          .arg(program));
        return 0;
    case Request::version:
        print(stdout, QStringLiteral("%1 %2\n").arg(QLatin1String(AppIdentity::kDisplayName),
                                                     QCoreApplication::applicationVersion()));
        return 0;
    case Request::unknownOption:
        print(stderr, tr("%1: opzione sconosciuta: %2\n").arg(program, commandLine.argument));
        break;
    case Request::extraArgument:
        print(stderr, tr("%1: si apre un solo show; in più: %2\n").arg(program, commandLine.argument));
        break;
    }
    print(stderr, tr("Per l'aiuto: %1 --help\n").arg(program));
    return 2;
}

std::optional<int> CommandLine::answerBeforeStart(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    // Whatever is answered rather than run needs no display.
    const CommandLine commandLine = read(withoutQtOptions(arguments));
    if (commandLine.request == Request::run)
        return std::nullopt;
    QCoreApplication app(argc, argv);
    return answer(commandLine);
}

} // namespace tessarin
