#pragma once
// The program's command line: "tessarin [--help | --version] [SHOW]".
// Help, version and a refused argument are answered before the application
// object exists, so they need no display; the show named is opened once the
// window is up. Qt takes its own options (-platform, -style, ...) when the
// application is made: they are passed over before it, and what is left is
// read again then, so only an option unknown to both is refused.
#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <optional>

namespace tessarin {

struct CommandLine {
    Q_DECLARE_TR_FUNCTIONS(CommandLine)

public:
    enum class Request { run, help, version, unknownOption, extraArgument };

    Request request = Request::run;
    // run: the show file named, as given (empty when none);
    // unknownOption and extraArgument: the argument refused.
    QString argument;

    // arguments[0] is the program. Help wins over version, both over a
    // refused argument; after "--" every argument is a file.
    static CommandLine read(const QStringList& arguments);
    // run: the show file named, as an absolute path; empty when none.
    QString showPath() const;

    // For any request but run: prints its answer in the interface's stored
    // language (help and version to standard output, a refusal with a hint
    // to standard error) and gives the exit status: 0, or 2 for a refusal.
    // Needs an application object.
    static int answer(const CommandLine& commandLine);

    // Reads argv as given, passing over Qt's own options; for anything but
    // run answers with an application object of its own, without a display,
    // and gives the exit status; nullopt for run.
    static std::optional<int> answerBeforeStart(int argc, char* argv[]);
};

} // namespace tessarin
