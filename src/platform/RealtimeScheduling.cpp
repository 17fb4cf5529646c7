#include "platform/RealtimeScheduling.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>

#include <algorithm>
#include <cerrno>

#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

namespace tessarin {
namespace {

const QString kService = QStringLiteral("org.freedesktop.RealtimeKit1");
const QString kPath = QStringLiteral("/org/freedesktop/RealtimeKit1");
constexpr int kTimeoutMs = 1000;

// A property of RealtimeKit as a number, or -1.
qlonglong rtkitProperty(QDBusConnection& bus, const QString& name)
{
    QDBusMessage get = QDBusMessage::createMethodCall(kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get << kService << name;
    const QDBusMessage reply = bus.call(get, QDBus::Block, kTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return -1;
    bool ok = false;
    const qlonglong value = reply.arguments().constFirst().value<QDBusVariant>().variant().toLongLong(&ok);
    return ok ? value : -1;
}

// Read on the main thread while the program loads, before any raise.
const int startNice = [] {
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, static_cast<id_t>(getpid()));
    return errno == 0 ? nice : 0;
}();

} // namespace

RealtimeGrant makeThreadRealtime(pid_t tid, int priority)
{
    if (tid <= 0)
        return RealtimeGrant::refused;
    sched_param param {};
    param.sched_priority = std::max(priority, 1);
    if (sched_setscheduler(tid, SCHED_FIFO | SCHED_RESET_ON_FORK, &param) == 0)
        return RealtimeGrant::kernel;

    // The system bus is only asked from a Qt process.
    if (!QCoreApplication::instance())
        return RealtimeGrant::refused;
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return RealtimeGrant::refused;
    const qlonglong maxPriority = rtkitProperty(bus, QStringLiteral("MaxRealtimePriority"));
    const qlonglong maxRtTime = rtkitProperty(bus, QStringLiteral("RTTimeUSecMax"));
    if (maxPriority < 1 || maxRtTime <= 0)
        return RealtimeGrant::refused;
    // RealtimeKit grants only to a process whose real-time threads cannot
    // hog a core: RLIMIT_RTTIME set, and no higher than its own limit.
    rlimit limit {};
    if (getrlimit(RLIMIT_RTTIME, &limit) != 0)
        return RealtimeGrant::refused;
    if (limit.rlim_max == RLIM_INFINITY || limit.rlim_max > rlim_t(maxRtTime)) {
        limit.rlim_cur = limit.rlim_max = rlim_t(maxRtTime);
        if (setrlimit(RLIMIT_RTTIME, &limit) != 0)
            return RealtimeGrant::refused;
    }
    QDBusMessage make = QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("MakeThreadRealtime"));
    make << quint64(tid) << quint32(std::clamp<qlonglong>(priority, 1, maxPriority));
    const QDBusMessage reply = bus.call(make, QDBus::Block, kTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage ? RealtimeGrant::rtkit : RealtimeGrant::refused;
}

bool raiseCurrentThreadPriority(int nice)
{
    // On Linux, nice applies per thread.
    return setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), nice) == 0;
}

bool raiseChildPriority(pid_t pid, int nice)
{
    return pid > 0 && setpriority(PRIO_PROCESS, static_cast<id_t>(pid), nice) == 0;
}

int processPriority()
{
    return startNice;
}

bool raiseMainThreadPriority(int nice)
{
    if (startNice != 0)
        return false;
    // With the flag, a thread or process this one makes starts at nice 0
    // (the process's) and without the flag; it can be set without rights.
    sched_param param {};
    if (sched_setscheduler(0, SCHED_OTHER | SCHED_RESET_ON_FORK, &param) != 0)
        return false;
    return setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), nice) == 0;
}

void restoreCurrentThreadPriority()
{
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), startNice);
}

} // namespace tessarin
