#include "app/CommandLine.h"

#include "app/AppIdentity.h"
#include "platform/Localization.h"
#include "platform/Settings.h"
#include "ui/settings/AppLanguage.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>

namespace tessarin {
namespace {

void print(std::FILE* stream, const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
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
    const Settings settings;
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
    const CommandLine commandLine = read(arguments);
    if (commandLine.request != Request::help && commandLine.request != Request::version)
        return std::nullopt;
    QCoreApplication app(argc, argv);
    return answer(commandLine);
}

} // namespace tessarin
