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

namespace {

bool callRunning(QDBusConnection& connection, const QString& service, const char* method,
                 const QVariantList& arguments, double timeoutSeconds)
{
    QDBusMessage call = QDBusMessage::createMethodCall(service, QLatin1String(SingleInstance::kPath),
                                                       QLatin1String("org.vellumcast.Tessarin"),
                                                       QLatin1String(method));
    call.setArguments(arguments);
    const QDBusMessage reply = connection.call(call, QDBus::Block, static_cast<int>(std::lround(timeoutSeconds * 1000)));
    return reply.type() == QDBusMessage::ReplyMessage;
}

} // namespace

bool SingleInstance::activateRunning(QDBusConnection connection, const QString& service, double timeoutSeconds)
{
    return callRunning(connection, service, "Activate", {}, timeoutSeconds);
}

bool SingleInstance::openInRunning(QDBusConnection connection, const QString& path, const QString& service,
                                   double timeoutSeconds)
{
    return callRunning(connection, service, "Open", { path }, timeoutSeconds);
}

void SingleInstance::Activate()
{
    emit activationRequested();
}

void SingleInstance::Open(const QString& path)
{
    emit activationRequested();
    // Queued: the question about unsaved changes and the alerts are modal,
    // and the later start waits for this call's answer.
    QMetaObject::invokeMethod(this, [this, path] { emit openRequested(path); }, Qt::QueuedConnection);
}

} // namespace tessarin
