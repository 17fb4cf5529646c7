#include "platform/TerminationSignals.h"

#include "platform/ChildProcess.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace tessarin::TerminationSignals {
namespace {

// The handler only writes the signal's number into this pipe (about the only
// thing a handler may do); the main thread reads it.
int signalPipe[2] = { -1, -1 };
std::function<void(int)>* current = nullptr; // main thread only
std::atomic<void (*)()> runAtOnce { nullptr };
std::atomic<bool> anyArrived { false };

void onSignalArrived(int number)
{
    const int saved = errno;
    anyArrived.store(true);
    if (const auto atOnce = runAtOnce.load())
        atOnce();
    const unsigned char byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

void readSignals()
{
    unsigned char bytes[16];
    ssize_t n;
    while ((n = ::read(signalPipe[0], bytes, sizeof bytes)) > 0) {
        for (ssize_t i = 0; i < n; ++i) {
            // A copy: the call may install another handler.
            const std::function<void(int)> handler = current ? *current : std::function<void(int)>();
            if (handler)
                handler(bytes[i]);
        }
    }
}

} // namespace

void catchEarly()
{
    if (signalPipe[0] >= 0)
        return;
    auto pipe = Pipe::create();
    if (!pipe)
        return;
    for (const int fd : { pipe->readEnd, pipe->writeEnd })
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    signalPipe[0] = pipe->readEnd;
    signalPipe[1] = pipe->writeEnd;

    struct sigaction action {};
    action.sa_handler = onSignalArrived;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : { SIGTERM, SIGINT, SIGHUP })
        sigaction(number, &action, nullptr);
}

bool arrived()
{
    return anyArrived.load();
}

void install(std::function<void(int)> onSignal, void (*atOnce)())
{
    runAtOnce.store(atOnce);
    if (!current)
        current = new std::function<void(int)>; // read until the process ends
    *current = std::move(onSignal);
    static bool listening = false;
    if (listening)
        return;
    catchEarly();
    if (signalPipe[0] < 0)
        return;
    listening = true;
    // Signals that came before are in the pipe already: the first pass of
    // the event loop answers them.
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] { readSignals(); });
}

} // namespace tessarin::TerminationSignals
