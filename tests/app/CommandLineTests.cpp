// What the command line asks for: help wins over version and both over a
// refused argument, "--" ends the options, and one show at most.
#include "app/CommandLine.h"

#include <QFileInfo>

#include <gtest/gtest.h>

using namespace tessarin;
using Request = CommandLine::Request;

TEST(CommandLine, ReadsWhatIsAskedAndRefusesWhatIsNotUnderstood)
{
    const struct {
        QStringList arguments;
        Request request;
        QString argument;
    } cases[] = {
        { {}, Request::run, {} },
        { { "Sera.vellumcast" }, Request::run, "Sera.vellumcast" },
        { { "--version" }, Request::version, {} },
        { { "-v", "Sera.vellumcast" }, Request::version, {} },
        { { "--version", "-h" }, Request::help, {} },
        { { "--style", "fusion", "--help" }, Request::help, {} },
        { { "--stile" }, Request::unknownOption, "--stile" },
        { { "Sera.vellumcast", "Notte.vellumcast" }, Request::extraArgument, "Notte.vellumcast" },
        { { "--", "--help" }, Request::run, "--help" },
        { { "-" }, Request::run, "-" },
    };
    for (const auto& c : cases) {
        const CommandLine read = CommandLine::read(QStringList { "tessarin" } + c.arguments);
        EXPECT_EQ(read.request, c.request) << c.arguments.join(' ').toStdString();
        EXPECT_EQ(read.argument, c.argument) << c.arguments.join(' ').toStdString();
    }
    EXPECT_TRUE(CommandLine::read({ "tessarin", "--help" }).showPath().isEmpty());
    EXPECT_TRUE(QFileInfo(CommandLine::read({ "tessarin", "Sera.vellumcast" }).showPath()).isAbsolute());
}
