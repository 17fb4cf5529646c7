#include "platform/ChildProcess.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <csignal>
#include <optional>
#include <thread>

#include <fcntl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tessarin;

namespace {

QStringList openDescriptorsOfChild(const std::vector<DescriptorMapping>& extra)
{
    // The child lists its own descriptors on fd 1. Reading the folder opens
    // one more for a moment: it is gone by the time each entry is checked.
    auto out = Pipe::create();
    EXPECT_TRUE(out);
    std::vector<DescriptorMapping> map = { { 0, -1 }, { 1, out->writeEnd }, { 2, -1 } };
    map.insert(map.end(), extra.begin(), extra.end());
    auto child = ChildProcess::spawn("/bin/sh", { "-c", "cd /proc/self/fd && for f in *; do [ -e \"$f\" ] && echo $f; done" }, map);
    closeDescriptor(out->writeEnd);
    EXPECT_TRUE(child);
    QByteArray text;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(out->readEnd, buffer, sizeof buffer)) > 0)
        text.append(buffer, n);
    closeDescriptor(out->readEnd);
    child->wait();
    return QString::fromLatin1(text).split('\n', Qt::SkipEmptyParts);
}

} // namespace

TEST(ChildProcess, ChildSeesOnlyTheDescriptorsItWasGiven)
{
    // Descriptors the parent holds without close-on-exec must not leak.
    const int leaky = ::open("/dev/null", O_RDONLY); // no O_CLOEXEC on purpose
    const int leakyHigh = ::fcntl(leaky, F_DUPFD, 40);
    auto extra = Pipe::create();
    ASSERT_TRUE(extra);

    const QStringList fds = openDescriptorsOfChild({ { 3, extra->readEnd } });
    EXPECT_EQ(fds, (QStringList { "0", "1", "2", "3" }));
    // Nor one below the highest descriptor given that is not given itself.
    const int low = ::fcntl(leaky, F_DUPFD, 5);
    ASSERT_LT(low, 9);
    EXPECT_EQ(openDescriptorsOfChild({ { 9, extra->readEnd } }), (QStringList { "0", "1", "2", "9" }));
    closeDescriptor(low);

    closeDescriptor(leaky);
    closeDescriptor(leakyHigh);
    closeDescriptor(extra->readEnd);
    closeDescriptor(extra->writeEnd);
}

TEST(ChildProcess, PipeEndsLiveAboveTheStandardRangeWithCloseOnExec)
{
    auto pipe = Pipe::create();
    ASSERT_TRUE(pipe);
    for (int fd : { pipe->readEnd, pipe->writeEnd }) {
        EXPECT_GE(fd, 10);
        EXPECT_TRUE(::fcntl(fd, F_GETFD) & FD_CLOEXEC);
    }
    closeDescriptor(pipe->readEnd);
    closeDescriptor(pipe->writeEnd);
}

TEST(ChildProcess, MappedPipeCarriesDataBothWays)
{
    auto in = Pipe::create();
    auto out = Pipe::create();
    ASSERT_TRUE(in && out);
    auto child = ChildProcess::spawn("/bin/cat", {}, { { 0, in->readEnd }, { 1, out->writeEnd } });
    ASSERT_TRUE(child);
    closeDescriptor(in->readEnd);
    closeDescriptor(out->writeEnd);
    ASSERT_EQ(::write(in->writeEnd, "hello", 5), 5);
    closeDescriptor(in->writeEnd);
    char buffer[16] = {};
    EXPECT_EQ(::read(out->readEnd, buffer, sizeof buffer), 5);
    EXPECT_STREQ(buffer, "hello");
    closeDescriptor(out->readEnd);
    const auto status = child->wait(10);
    ASSERT_TRUE(status);
    EXPECT_TRUE(WIFEXITED(*status));
}

TEST(ChildProcess, MissingProgramFailsWithAReason)
{
    std::string error;
    auto child = ChildProcess::spawn("/nonexistent/ffmpeg", {}, {}, &error);
    EXPECT_FALSE(child);
    EXPECT_FALSE(error.empty());
}

TEST(ChildProcess, TerminateThenKillEndsAChildThatIgnoresTerm)
{
    auto ready = Pipe::create();
    ASSERT_TRUE(ready);
    auto child = ChildProcess::spawn("/bin/sh", { "-c", "trap '' TERM; echo ready; while :; do sleep 1; done" },
                                     { { 1, ready->writeEnd } });
    ASSERT_TRUE(child);
    closeDescriptor(ready->writeEnd);
    char c;
    ASSERT_EQ(::read(ready->readEnd, &c, 1), 1); // the trap is installed
    closeDescriptor(ready->readEnd);

    child->terminate();
    EXPECT_FALSE(child->wait(0.2)) << "SIGTERM is ignored by this child";
    const int status = child->terminateAndWait(0.1);
    EXPECT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGKILL);
    EXPECT_FALSE(child->running());
}

// Whether pid is gone or a zombie left to be reaped by someone else.
bool ended(pid_t pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray text = stat.readAll();
    return text.mid(text.lastIndexOf(')') + 2, 1) == "Z";
}

TEST(ChildProcess, AChildOutlivesTheThreadThatStartedItButNotTheProcess)
{
    // Started from a thread that then ends, as pool threads do when idle.
    std::optional<ChildProcess> child;
    pid_t starter = 0;
    std::thread([&] {
        starter = static_cast<pid_t>(syscall(SYS_gettid));
        child = ChildProcess::spawn("/bin/sleep", { "30" }, {});
    }).join();
    ASSERT_TRUE(child);
    ASSERT_TRUE(test::waitUntil([&] { return !QFileInfo::exists(QStringLiteral("/proc/self/task/%1").arg(starter)); }));
    EXPECT_FALSE(child->tryWait()) << "the child ended with the thread that started it";
    child->kill();
    child->wait();

    // A process killed outright (no handler, no cleanup) takes its child with it.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // The statement runs in a new run of this executable, whose parent is this one.
    auto pidFile = [](pid_t test) { return QDir::temp().filePath(QStringLiteral("tessarin-orphan-%1").arg(test)); };
    EXPECT_EXIT(
        {
            auto orphan = ChildProcess::spawn("/bin/sleep", { "300" }, {});
            QFile file(pidFile(getppid()));
            file.open(QIODevice::WriteOnly);
            file.write(QByteArray::number(orphan ? orphan->pid() : 0));
            file.close();
            ::kill(getpid(), SIGKILL);
        },
        ::testing::KilledBySignal(SIGKILL), "");
    QFile file(pidFile(getpid()));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const pid_t orphan = file.readAll().toInt();
    file.remove();
    ASSERT_GT(orphan, 0);
    EXPECT_TRUE(test::waitUntil([&] { return ended(orphan); }, 30.0)) << "the child outlived its killed parent";
    if (!ended(orphan))
        ::kill(orphan, SIGKILL);
}

TEST(ChildProcess, TryWaitNeverBlocks)
{
    auto child = ChildProcess::spawn("/bin/sleep", { "30" }, {});
    ASSERT_TRUE(child);
    EXPECT_FALSE(child->tryWait());
    child->kill();
    EXPECT_TRUE(child->wait(10));
}

TEST(RunAndCapture, ReadsLargeOutputToTheEnd)
{
    // 4 MB is far beyond a pipe's buffer: waiting before reading would deadlock.
    const auto result = runAndCapture("/bin/sh", { "-c", "head -c 4194304 /dev/zero" }, 30);
    EXPECT_TRUE(result.started);
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output.size(), 4194304);
}

TEST(RunAndCapture, GivesUpOnAChildThatNeverExits)
{
    const auto result = runAndCapture("/bin/sh", { "-c", "echo partial; exec sleep 60" }, 0.3);
    EXPECT_TRUE(result.started);
    EXPECT_TRUE(result.timedOut);
    EXPECT_FALSE(result.exitCode);
    EXPECT_EQ(result.output, "partial\n");
}

TEST(RunAndCapture, StandardInputIsEmpty)
{
    // A probe that reads its input must see the end at once, not our terminal.
    const auto result = runAndCapture("/bin/sh", { "-c", "wc -c" }, 10);
    EXPECT_EQ(result.output.trimmed(), "0");
}

TEST(RunAndCapture, MissingProgramIsNotStarted)
{
    const auto result = runAndCapture("/nonexistent/tool", {});
    EXPECT_FALSE(result.started);
    EXPECT_TRUE(result.output.isEmpty());
}
