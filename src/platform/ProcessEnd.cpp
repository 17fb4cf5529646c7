#include "platform/ProcessEnd.h"

#include "platform/ThreadName.h"
#include "platform/Workers.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace tessarin::ProcessEnd {
namespace {

using Clock = std::chrono::steady_clock;

struct Steps {
    std::mutex mutex;
    std::vector<std::pair<const char*, std::function<void()>>> steps;
};

Steps& steps()
{
    static Steps* instance = new Steps; // never destroyed: finish() runs near the end
    return *instance;
}

// The part of the end in progress. Read by the watchdog while the other
// threads may be stuck anywhere (in the allocator's locks too): plain
// atomics, no lock, no allocation.
std::atomic<const char*> currentStep { nullptr };
std::atomic<Clock::rep> stepStart { 0 };
std::atomic<bool> begun { false };
// The write end of the pipe that arms the deadline's thread; -1 before
// prepare(). Set once, under the mutex; read by signal handlers.
std::atomic<int> watchdogWake { -1 };
std::mutex watchdogMutex;

Clock::rep nowTicks()
{
    return Clock::now().time_since_epoch().count();
}

double secondsSince(Clock::rep ticks)
{
    return std::chrono::duration<double>(Clock::duration(nowTicks() - ticks)).count();
}

// Writes without stdio's buffers or the allocator.
void say(const char* text, std::size_t length)
{
    while (length > 0) {
        const ssize_t n = ::write(STDERR_FILENO, text, length);
        if (n <= 0)
            return;
        text += n;
        length -= static_cast<std::size_t>(n);
    }
}

// Reads a small file of /proc whole into buffer, without its last newline.
std::size_t readSmall(const char* path, char* buffer, std::size_t size)
{
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    std::size_t total = 0;
    ssize_t n;
    while (total + 1 < size && (n = ::read(fd, buffer + total, size - 1 - total)) > 0)
        total += static_cast<std::size_t>(n);
    ::close(fd);
    while (total > 0 && buffer[total - 1] == '\n')
        --total;
    buffer[total] = '\0';
    return total;
}

// One line per thread: its name and where it waits in the kernel.
void reportThreads()
{
    const int dir = ::open("/proc/self/task", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return;
    alignas(8) char entries[4096];
    long n;
    while ((n = syscall(SYS_getdents64, dir, entries, sizeof entries)) > 0) {
        for (long offset = 0; offset < n;) {
            const auto* entry = reinterpret_cast<const dirent64*>(entries + offset);
            offset += entry->d_reclen;
            if (entry->d_name[0] == '.')
                continue;
            char path[320];
            char name[32];
            char wchan[64];
            std::snprintf(path, sizeof path, "/proc/self/task/%s/comm", entry->d_name);
            readSmall(path, name, sizeof name);
            std::snprintf(path, sizeof path, "/proc/self/task/%s/wchan", entry->d_name);
            if (readSmall(path, wchan, sizeof wchan) == 0 || std::strcmp(wchan, "0") == 0)
                std::strcpy(wchan, "running");
            char line[400];
            const int length = std::snprintf(line, sizeof line, "  thread %s \"%s\": %s\n", entry->d_name, name, wchan);
            if (length > 0)
                say(line, std::min(static_cast<std::size_t>(length), sizeof line - 1));
        }
    }
    ::close(dir);
}

[[noreturn]] void endLate(double deadlineSeconds)
{
    const char* step = currentStep.load();
    char line[256];
    const int length = std::snprintf(line, sizeof line,
                                     "The end of the process took more than %.0f s; still at: %s (%.1f s); "
                                     "leaving without cleanup\n",
                                     deadlineSeconds, step ? step : "?", secondsSince(stepStart.load()));
    if (length > 0)
        say(line, std::min(static_cast<std::size_t>(length), sizeof line - 1));
    reportThreads();
    std::_Exit(EXIT_FAILURE);
}

} // namespace

void addStep(const char* name, std::function<void()> step)
{
    if (!step)
        return;
    Steps& s = steps();
    std::lock_guard lock(s.mutex);
    s.steps.emplace_back(name, std::move(step));
}

void prepare(double deadlineSeconds)
{
    std::lock_guard lock(watchdogMutex);
    if (watchdogWake.load() >= 0)
        return;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return;
    const double seconds = std::isfinite(deadlineSeconds) ? std::clamp(deadlineSeconds, 0.0, 86400.0) : 86400.0;
    // Blocks every signal, so the process's handlers run on the other threads.
    sigset_t all;
    sigset_t previous;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, &previous);
    // Detached and never joined: it either ends the process or ends with it.
    std::thread([wake = fds[0], seconds] {
        setCurrentThreadName("Vellumcast.end");
        char byte;
        while (::read(wake, &byte, 1) < 0 && errno == EINTR) {
        }
        // A signal arms it while the main thread may be anywhere.
        const char* expected = nullptr;
        if (currentStep.compare_exchange_strong(expected, "the event loops' end"))
            stepStart.store(nowTicks());
        const auto duration = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
        std::this_thread::sleep_until(Clock::now() + duration);
        endLate(seconds);
    }).detach();
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    watchdogWake.store(fds[1]);
}

void beginFromSignal()
{
    // Only lock-free atomics and write(2): nothing a handler may not do.
    const int wake = watchdogWake.load();
    if (wake < 0 || begun.exchange(true))
        return;
    // Analyses give up now, even while the main thread is held.
    Workers::requestEnd();
    const char byte = 0;
    [[maybe_unused]] const ssize_t n = ::write(wake, &byte, 1);
}

void begin(double deadlineSeconds)
{
    prepare(deadlineSeconds);
    // Analyses in the background are given up from now on, not waited for;
    // also when a signal's handler has begun the end already.
    Workers::requestEnd();
    if (begun.exchange(true))
        return;
    mark("the event loops' end");
    const char byte = 0;
    [[maybe_unused]] const ssize_t n = ::write(watchdogWake.load(), &byte, 1);
}

void mark(const char* step)
{
    const char* previous = currentStep.exchange(step);
    const Clock::rep started = stepStart.exchange(nowTicks());
    if (!begun.load() || !previous)
        return;
    const double took = secondsSince(started);
    if (took < 1.0)
        return;
    char line[200];
    const int length = std::snprintf(line, sizeof line, "The end of the process: %s took %.1f s\n", previous, took);
    if (length > 0)
        say(line, std::min(static_cast<std::size_t>(length), sizeof line - 1));
}

int finish(int status, double timeoutSeconds)
{
    std::vector<std::pair<const char*, std::function<void()>>> toRun;
    {
        Steps& s = steps();
        std::lock_guard lock(s.mutex);
        toRun.swap(s.steps);
    }
    // Latest first, as destructors run: what was made later may use what
    // was made before it.
    for (auto step = toRun.rbegin(); step != toRun.rend(); ++step) {
        mark(step->first);
        step->second();
    }
    mark("background work");
    const bool stopped = Workers::stopAll(timeoutSeconds);
    mark("the application object's and static objects' teardown");
    if (stopped)
        return status;
    std::fprintf(stderr, "Background work still running %.0f s after the end; leaving without cleanup\n",
                 timeoutSeconds);
    std::fflush(nullptr);
    std::_Exit(status == 0 ? EXIT_FAILURE : status);
}

} // namespace tessarin::ProcessEnd
