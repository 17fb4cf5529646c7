#include "platform/SingleInstance.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>

#include <cmath>

namespace tessarin {

SingleInstance::SingleInstance(QDBusConnection connection, QString service, QObject* parent)
    : QObject(parent)
    , connection_(std::move(connection))
    , service_(std::move(service))
{
}

SingleInstance::~SingleInstance()
{
    if (!owned_)
        return;
    connection_.unregisterObject(QLatin1String(kPath));
    connection_.unregisterService(service_);
}

bool SingleInstance::claim()
{
    if (owned_ || !connection_.isConnected())
        return true;
    // The object first, so that a start that finds the name taken can
    // always reach it.
    connection_.registerObject(QLatin1String(kPath), this, QDBusConnection::ExportScriptableSlots);
    const auto reply = connection_.interface()->registerService(
        service_, QDBusConnectionInterface::DontQueueService, QDBusConnectionInterface::DontAllowReplacement);
    owned_ = reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered;
    if (owned_)
        return true;
    connection_.unregisterObject(QLatin1String(kPath));
    // A bus that could not answer does not keep the program from running.
    return !reply.isValid();
}

bool SingleInstance::activateRunning(QDBusConnection connection, const QString& service, double timeoutSeconds)
{
    QDBusMessage call = QDBusMessage::createMethodCall(service, QLatin1String(kPath),
                                                       QLatin1String("org.vellumcast.Tessarin"),
                                                       QLatin1String("Activate"));
    const QDBusMessage reply = connection.call(call, QDBus::Block, static_cast<int>(std::lround(timeoutSeconds * 1000)));
    return reply.type() == QDBusMessage::ReplyMessage;
}

void SingleInstance::Activate()
{
    emit activationRequested();
}

} // namespace tessarin
