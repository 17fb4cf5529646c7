#include "platform/PowerInhibitor.h"

#include "platform/ChildProcess.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusUnixFileDescriptor>
#include <QCoreApplication>

#include <unistd.h>

namespace tessarin {

struct PowerInhibitor::State {
    int fd = -1;
    bool released = false;
};

PowerInhibitor::PowerInhibitor(const QString& reason)
    : state_(std::make_shared<State>())
{
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.login1"),
                                                       QStringLiteral("/org/freedesktop/login1"),
                                                       QStringLiteral("org.freedesktop.login1.Manager"),
                                                       QStringLiteral("Inhibit"));
    call << QStringLiteral("idle:sleep") << QCoreApplication::applicationName() << reason << QStringLiteral("block");
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 5000));
    std::weak_ptr<State> weak = state_;
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, [watcher, weak]() {
        QDBusPendingReply<QDBusUnixFileDescriptor> reply = *watcher;
        watcher->deleteLater();
        if (reply.isError())
            return;
        // The inhibition lasts as long as our copy of the descriptor.
        const int fd = reply.value().isValid() ? moveDescriptorHigh(::dup(reply.value().fileDescriptor())) : -1;
        auto state = weak.lock();
        if (!state || state->released) {
            closeDescriptor(fd);
            return;
        }
        state->fd = fd;
    });
}

PowerInhibitor::~PowerInhibitor()
{
    state_->released = true;
    closeDescriptor(state_->fd);
    state_->fd = -1;
}

bool PowerInhibitor::isHeld() const
{
    return state_->fd >= 0;
}

} // namespace tessarin
