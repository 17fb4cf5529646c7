#include "platform/ChildProcess.h"

#include "platform/Clock.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <chrono>
#include <thread>
#include <utility>

extern char** environ;

namespace tessarin {
namespace {

constexpr int kFirstHighDescriptor = 10;

int pidfdOpen(pid_t pid)
{
#ifdef SYS_pidfd_open
    const long fd = syscall(SYS_pidfd_open, pid, 0);
    if (fd >= 0) {
        fcntl(static_cast<int>(fd), F_SETFD, FD_CLOEXEC);
        return static_cast<int>(fd);
    }
#endif
    (void)pid;
    return -1;
}

int millisecondsUntil(double deadline)
{
    const double left = deadline - HostClock::monotonicSeconds();
    if (!(left > 0))
        return 0;
    return static_cast<int>(std::min(left * 1000.0 + 1.0, 60000.0));
}

// Owns the spawn attribute and file action objects for one spawn.
struct SpawnSetup {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    std::vector<int> sources; // private copies of the parents' descriptors
    SpawnSetup()
    {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
    }
    ~SpawnSetup()
    {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
        for (int fd : sources)
            closeDescriptor(fd);
    }
};

} // namespace

std::optional<Pipe> Pipe::create()
{
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return std::nullopt;
    Pipe result;
    result.readEnd = moveDescriptorHigh(fds[0]);
    result.writeEnd = moveDescriptorHigh(fds[1]);
    if (result.readEnd < 0 || result.writeEnd < 0) {
        closeDescriptor(result.readEnd);
        closeDescriptor(result.writeEnd);
        return std::nullopt;
    }
    return result;
}

int moveDescriptorHigh(int fd)
{
    if (fd < 0)
        return -1;
    if (fd >= kFirstHighDescriptor) {
        fcntl(fd, F_SETFD, FD_CLOEXEC);
        return fd;
    }
    const int high = fcntl(fd, F_DUPFD_CLOEXEC, kFirstHighDescriptor);
    closeDescriptor(fd);
    return high;
}

void closeDescriptor(int fd)
{
    if (fd < 0)
        return;
    // Linux releases the descriptor even when close reports EINTR.
    ::close(fd);
}

ChildProcess::ChildProcess(pid_t pid)
    : pid_(pid)
    , pidFd_(pidfdOpen(pid))
{
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : pid_(std::exchange(other.pid_, -1))
    , pidFd_(std::exchange(other.pidFd_, -1))
    , exitStatus_(std::exchange(other.exitStatus_, std::nullopt))
{
}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept
{
    if (this != &other) {
        release();
        pid_ = std::exchange(other.pid_, -1);
        pidFd_ = std::exchange(other.pidFd_, -1);
        exitStatus_ = std::exchange(other.exitStatus_, std::nullopt);
    }
    return *this;
}

ChildProcess::~ChildProcess()
{
    release();
}

void ChildProcess::release()
{
    if (pid_ > 0 && !exitStatus_)
        tryWait();
    closeDescriptor(pidFd_);
    pidFd_ = -1;
}

std::optional<ChildProcess> ChildProcess::spawn(const QString& path, const QStringList& args,
                                                const std::vector<DescriptorMapping>& descriptors,
                                                std::string* error, int* errorNumber)
{
    auto fail = [error, errorNumber](int code, const std::string& why) -> std::optional<ChildProcess> {
        if (error)
            *error = why;
        if (errorNumber)
            *errorNumber = code;
        return std::nullopt;
    };

    SpawnSetup setup;
    int highestChildFd = 2;
    for (const auto& mapping : descriptors) {
        if (mapping.childFd < 0 || mapping.childFd >= kFirstHighDescriptor)
            return fail(EBADF, "descriptor " + std::to_string(mapping.childFd) + " cannot be mapped");
        highestChildFd = std::max(highestChildFd, mapping.childFd);
        int rc = 0;
        if (mapping.parentFd < 0) {
            rc = posix_spawn_file_actions_addopen(&setup.actions, mapping.childFd, "/dev/null", O_RDWR, 0);
        } else {
            // A private high copy: sources never collide with the targets.
            const int source = fcntl(mapping.parentFd, F_DUPFD_CLOEXEC, kFirstHighDescriptor);
            if (source < 0)
                return fail(errno, std::strerror(errno));
            setup.sources.push_back(source);
            rc = posix_spawn_file_actions_adddup2(&setup.actions, source, mapping.childFd);
        }
        if (rc != 0)
            return fail(rc, std::strerror(rc));
    }
    // Standard descriptors the caller left out read and write /dev/null.
    for (int fd = 0; fd <= 2; ++fd) {
        const bool mapped = std::any_of(descriptors.begin(), descriptors.end(),
                                        [fd](const DescriptorMapping& m) { return m.childFd == fd; });
        if (!mapped)
            posix_spawn_file_actions_addopen(&setup.actions, fd, "/dev/null", O_RDWR, 0);
    }
    posix_spawn_file_actions_addclosefrom_np(&setup.actions, highestChildFd + 1);

    // The child starts with default signal handling and nothing blocked.
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGTERM);
    sigaddset(&defaults, SIGINT);
    sigset_t noneBlocked;
    sigemptyset(&noneBlocked);
    posix_spawnattr_setsigdefault(&setup.attributes, &defaults);
    posix_spawnattr_setsigmask(&setup.attributes, &noneBlocked);
    posix_spawnattr_setflags(&setup.attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

    const QByteArray program = path.toLocal8Bit();
    std::vector<QByteArray> argStorage;
    argStorage.reserve(static_cast<size_t>(args.size()) + 1);
    argStorage.push_back(program);
    for (const QString& arg : args)
        argStorage.push_back(arg.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& arg : argStorage)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    pid_t pid = -1;
    const int rc = posix_spawn(&pid, program.constData(), &setup.actions, &setup.attributes, argv.data(), environ);
    if (rc != 0)
        return fail(rc, std::strerror(rc));
    return ChildProcess(pid);
}

void ChildProcess::terminate() const
{
    if (running())
        ::kill(pid_, SIGTERM);
}

void ChildProcess::kill() const
{
    if (running())
        ::kill(pid_, SIGKILL);
}

std::optional<int> ChildProcess::tryWait()
{
    if (exitStatus_ || pid_ <= 0)
        return exitStatus_;
    int status = 0;
    pid_t rc;
    do {
        rc = waitpid(pid_, &status, WNOHANG);
    } while (rc < 0 && errno == EINTR);
    if (rc == pid_)
        exitStatus_ = status;
    else if (rc < 0)
        exitStatus_ = -1; // reaped elsewhere or not our child: nothing left to wait for
    return exitStatus_;
}

std::optional<int> ChildProcess::wait(double timeoutSeconds)
{
    if (exitStatus_ || pid_ <= 0)
        return exitStatus_;
    if (timeoutSeconds < 0) {
        int status = 0;
        pid_t rc;
        do {
            rc = waitpid(pid_, &status, 0);
        } while (rc < 0 && errno == EINTR);
        exitStatus_ = rc == pid_ ? status : -1;
        return exitStatus_;
    }
    const double deadline = HostClock::monotonicSeconds() + timeoutSeconds;
    for (;;) {
        if (tryWait())
            return exitStatus_;
        const int ms = millisecondsUntil(deadline);
        if (ms <= 0)
            return std::nullopt;
        if (pidFd_ >= 0) {
            pollfd p { pidFd_, POLLIN, 0 };
            poll(&p, 1, ms);
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(std::min(ms, 5)));
        }
    }
}

int ChildProcess::terminateAndWait(double graceSeconds)
{
    terminate();
    if (auto status = wait(graceSeconds))
        return *status;
    kill();
    return wait().value_or(-1);
}

CaptureResult runAndCapture(const QString& path, const QStringList& args, double timeoutSeconds)
{
    CaptureResult result;
    auto pipe = Pipe::create();
    if (!pipe)
        return result;
    auto child = ChildProcess::spawn(path, args, { { 0, -1 }, { 1, pipe->writeEnd }, { 2, -1 } });
    closeDescriptor(pipe->writeEnd);
    if (!child) {
        closeDescriptor(pipe->readEnd);
        return result;
    }
    result.started = true;
    const double deadline = HostClock::monotonicSeconds() + std::max(0.0, timeoutSeconds);

    // Read to the end first: a child blocked on a full pipe never exits.
    char buffer[65536];
    bool open = true;
    while (open) {
        const int ms = millisecondsUntil(deadline);
        if (ms <= 0) {
            result.timedOut = true;
            break;
        }
        pollfd p { pipe->readEnd, POLLIN, 0 };
        const int ready = poll(&p, 1, ms);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            continue; // the deadline check above decides
        const ssize_t n = ::read(pipe->readEnd, buffer, sizeof buffer);
        if (n > 0)
            result.output.append(buffer, static_cast<qsizetype>(n));
        else if (n == 0 || errno != EINTR)
            open = false;
    }
    closeDescriptor(pipe->readEnd);

    std::optional<int> status;
    if (!result.timedOut) {
        status = child->wait(std::max(0.0, deadline - HostClock::monotonicSeconds()));
        result.timedOut = !status;
    }
    if (result.timedOut) {
        child->kill();
        child->wait();
        return result;
    }
    if (WIFEXITED(*status))
        result.exitCode = WEXITSTATUS(*status);
    return result;
}

} // namespace tessarin
