#include "platform/ChildProcess.h"

#include "platform/Clock.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <linux/close_range.h>
#include <pthread.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
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

// The descriptors a spawn hands to its child: private high copies of the
// parent's descriptors (or of /dev/null), closed again after the start.
struct SpawnSources {
    std::vector<std::pair<int, int>> moves; // (source, child descriptor)
    ~SpawnSources()
    {
        for (const auto& move : moves)
            closeDescriptor(move.first);
    }
};

// Starts every child from one thread that lives as long as the process. A
// child is bound to end with its parent (the kernel sends it SIGKILL when
// its parent goes, even by SIGKILL or a crash, so no ffmpeg outlives the
// program holding a port or a device), and for the kernel the parent is
// the thread that started it: a child started from a pool thread that later
// ends for being idle would be killed with it.
class Spawner {
public:
    static Spawner& shared()
    {
        static auto* instance = new Spawner; // its thread runs until the process ends
        return *instance;
    }

    // Runs job on the spawner's thread and waits for it.
    void run(const std::function<void()>& job)
    {
        std::unique_lock lock(mutex_);
        const std::uint64_t ticket = ++queued_;
        jobs_.push_back(&job);
        changed_.notify_all();
        changed_.wait(lock, [&] { return done_ >= ticket; });
    }

private:
    Spawner()
    {
        std::thread([this] { loop(); }).detach();
    }

    void loop()
    {
        // Signals for the process go to its other threads.
        sigset_t all;
        sigfillset(&all);
        pthread_sigmask(SIG_BLOCK, &all, nullptr);
        std::unique_lock lock(mutex_);
        for (;;) {
            changed_.wait(lock, [&] { return !jobs_.empty(); });
            const std::function<void()>* job = jobs_.front();
            jobs_.pop_front();
            lock.unlock();
            (*job)();
            lock.lock();
            ++done_;
            changed_.notify_all();
        }
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<const std::function<void()>*> jobs_;
    std::uint64_t queued_ = 0;
    std::uint64_t done_ = 0;
};

// The child's side between fork and exec: only calls that are safe after a
// fork of a threaded process. Reports errno on the error pipe when it fails.
[[noreturn]] void becomeChild(const char* program, char* const* argv, const std::vector<std::pair<int, int>>& moves,
                              pid_t parent, int errorPipe)
{
    auto fail = [errorPipe](int code) {
        [[maybe_unused]] const ssize_t n = ::write(errorPipe, &code, sizeof code);
        _exit(127);
    };
    if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0)
        fail(errno);
    if (getppid() != parent) // the parent went before the binding was made
        _exit(127);
    // Default handling and nothing blocked, whatever this process set.
    // (The spawner thread blocks every signal, so none of this process's
    // handlers can run here before they are reset.)
    struct sigaction defaults {};
    defaults.sa_handler = SIG_DFL;
    for (const int signal : { SIGPIPE, SIGTERM, SIGINT, SIGHUP })
        sigaction(signal, &defaults, nullptr);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    // Sources are all >= 10 and targets below, so no move overwrites a
    // source still to be used; dup2 clears close-on-exec on the target.
    for (const auto& [source, target] : moves) {
        if (dup2(source, target) < 0)
            fail(errno);
    }
    // Below 10, whatever is not one of the child's own descriptors goes.
    for (int fd = 0; fd < kFirstHighDescriptor; ++fd) {
        bool mapped = false;
        for (const auto& move : moves)
            mapped = mapped || move.second == fd;
        if (!mapped)
            ::close(fd);
    }
    if (syscall(SYS_close_range, static_cast<unsigned>(kFirstHighDescriptor), ~0U, CLOSE_RANGE_CLOEXEC) != 0) {
        for (int fd = kFirstHighDescriptor; fd < 4096; ++fd) {
            if (fd != errorPipe)
                ::close(fd);
        }
    }
    execve(program, argv, environ);
    fail(errno);
    _exit(127);
}

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

    SpawnSources sources;
    auto addSource = [&](int parentFd, int childFd) {
        const int source = parentFd < 0 ? ::open("/dev/null", O_RDWR | O_CLOEXEC) : parentFd;
        if (source < 0)
            return false;
        // A private high copy: sources never collide with the targets.
        const int high = fcntl(source, F_DUPFD_CLOEXEC, kFirstHighDescriptor);
        if (parentFd < 0)
            closeDescriptor(source);
        if (high < 0)
            return false;
        sources.moves.emplace_back(high, childFd);
        return true;
    };
    for (const auto& mapping : descriptors) {
        if (mapping.childFd < 0 || mapping.childFd >= kFirstHighDescriptor)
            return fail(EBADF, "descriptor " + std::to_string(mapping.childFd) + " cannot be mapped");
        if (!addSource(mapping.parentFd, mapping.childFd))
            return fail(errno, std::strerror(errno));
    }
    // Standard descriptors the caller left out read and write /dev/null.
    for (int fd = 0; fd <= 2; ++fd) {
        const bool mapped = std::any_of(descriptors.begin(), descriptors.end(),
                                        [fd](const DescriptorMapping& m) { return m.childFd == fd; });
        if (!mapped && !addSource(-1, fd))
            return fail(errno, std::strerror(errno));
    }

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

    // The child writes errno here when it cannot exec; an exec that works
    // closes the pipe (close-on-exec) with nothing written.
    auto errorPipe = Pipe::create();
    if (!errorPipe)
        return fail(errno, std::strerror(errno));
    pid_t pid = -1;
    int forkError = 0;
    const std::function<void()> start = [&] {
        const pid_t parent = getpid();
        pid = fork();
        if (pid == 0)
            becomeChild(program.constData(), argv.data(), sources.moves, parent, errorPipe->writeEnd);
        if (pid < 0)
            forkError = errno;
    };
    Spawner::shared().run(start);
    closeDescriptor(errorPipe->writeEnd);
    if (pid < 0) {
        closeDescriptor(errorPipe->readEnd);
        return fail(forkError, std::strerror(forkError));
    }
    int childError = 0;
    ssize_t n;
    do {
        n = ::read(errorPipe->readEnd, &childError, sizeof childError);
    } while (n < 0 && errno == EINTR);
    closeDescriptor(errorPipe->readEnd);
    if (n > 0) {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        return fail(childError, std::strerror(childError));
    }
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
