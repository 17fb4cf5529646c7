#include "ui/kit/Announcer.h"

#include <QAccessible>
#include <QAccessibleObject>
#include <QCoreApplication>

namespace tessarin {
namespace {

// The notification: named by the last text, a child of the application in
// the parent's direction only (it is no window of it).
class NotificationInterface final : public QAccessibleObject {
public:
    explicit NotificationInterface(Announcer* announcer)
        : QAccessibleObject(announcer)
    {
    }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(qApp); }
    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessible::Role role() const override { return QAccessible::Notification; }
    QAccessible::State state() const override { return {}; }
    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Name ? static_cast<Announcer*>(object())->lastText() : QString();
    }
};

} // namespace

Announcer& Announcer::shared()
{
    static auto* announcer = new Announcer;
    return *announcer;
}

Announcer::Announcer()
    : QObject(qApp)
{
    setObjectName(QStringLiteral("announcer"));
}

void Announcer::announce(const QString& text, Politeness politeness)
{
    if (text.isEmpty())
        return;
    lastText_ = text;
    if (!QAccessible::isActive())
        return;
    sendAnnouncement(text, politeness);
    QAccessibleInterface* notification = QAccessible::queryAccessibleInterface(this);
    if (!notification) {
        notification = new NotificationInterface(this);
        QAccessible::registerAccessibleInterface(notification);
    }
    QAccessibleEvent hide(notification, QAccessible::ObjectHide);
    QAccessible::updateAccessibility(&hide);
    QAccessibleEvent show(notification, QAccessible::ObjectShow);
    QAccessible::updateAccessibility(&show);
}

Announce sharedAnnouncer()
{
    return [](const QString& text, Politeness politeness) { Announcer::shared().announce(text, politeness); };
}

} // namespace tessarin
