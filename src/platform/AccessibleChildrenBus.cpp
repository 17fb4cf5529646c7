#include "platform/AccessibleChildrenBus.h"

#include <QAccessible>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QVariantMap>

namespace {

// An AT-SPI object reference: the application's bus name and the node's path.
struct NodeReference {
    QString service;
    QDBusObjectPath path;
};

QDBusArgument& operator<<(QDBusArgument& argument, const NodeReference& node)
{
    argument.beginStructure();
    argument << node.service << node.path;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, NodeReference& node)
{
    argument.beginStructure();
    argument >> node.service >> node.path;
    argument.endStructure();
    return argument;
}

} // namespace

Q_DECLARE_METATYPE(NodeReference)

namespace tessarin {
namespace {

// The path Qt's bridge gives a node.
QString pathOf(QAccessibleInterface* node)
{
    if (node->role() == QAccessible::Application)
        return QStringLiteral("/org/a11y/atspi/accessible/root");
    return QStringLiteral("/org/a11y/atspi/accessible/%1").arg(QAccessible::uniqueId(node));
}

} // namespace

bool sendChildrenChanged(QAccessibleInterface* parent, QAccessibleInterface* child, int index, bool added)
{
    // The name Qt's bridge gives its connection to the accessibility bus.
    const QDBusConnection bus(QStringLiteral("a11y"));
    if (!bus.isConnected() || !parent || !child || index < 0)
        return false;
    static const QMetaType registered = qDBusRegisterMetaType<NodeReference>();
    Q_UNUSED(registered);
    QDBusMessage event = QDBusMessage::createSignal(pathOf(parent), QStringLiteral("org.a11y.atspi.Event.Object"),
                                                    QStringLiteral("ChildrenChanged"));
    const NodeReference node { bus.baseService(), QDBusObjectPath(pathOf(child)) };
    // (detail, detail1 = the index, detail2, any_data = the child, properties)
    event << (added ? QStringLiteral("add") : QStringLiteral("remove")) << index << 0
          << QVariant::fromValue(QDBusVariant(QVariant::fromValue(node))) << QVariantMap();
    return bus.send(event);
}

} // namespace tessarin
