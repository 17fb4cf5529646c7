#include "ui/kit/Announcer.h"

#include <QAccessible>
#include <QAccessibleObject>
#include <QCoreApplication>

namespace tessarin {
namespace {

// A notification of the ring: named by its slot's text, a child of the
// application in the parent's direction only (it is no window of it).
class NotificationInterface final : public QAccessibleObject {
public:
    NotificationInterface(QObject* notification, const QString& text)
        : QAccessibleObject(notification)
        , text_(text)
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
        return t == QAccessible::Name ? text_ : QString();
    }

private:
    const QString& text_;
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
    for (int slot = 0; slot < kNotifications; ++slot) {
        auto* notification = new QObject(this);
        notification->setObjectName(QStringLiteral("notification %1").arg(slot));
        slots_[std::size_t(slot)] = notification;
        QAccessible::registerAccessibleInterface(new NotificationInterface(notification, texts_[std::size_t(slot)]));
    }
}

void Announcer::announce(const QString& text, Politeness politeness)
{
    if (text.isEmpty())
        return;
    last_ = (last_ + 1) % kNotifications;
    texts_[std::size_t(last_)] = text;
    if (!QAccessible::isActive())
        return;
    if (unsent_.empty())
        QMetaObject::invokeMethod(this, &Announcer::send, Qt::QueuedConnection);
    unsent_.push_back({ last_, politeness });
}

void Announcer::send()
{
    std::vector<Unsent> unsent;
    unsent.swap(unsent_);
    if (!QAccessible::isActive())
        return;
    for (const Unsent& u : unsent) {
        const QString& text = texts_[std::size_t(u.slot)];
        sendAnnouncement(text, u.politeness);
        if (QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(slots_[std::size_t(u.slot)])) {
            QAccessibleEvent show(iface, QAccessible::ObjectShow);
            QAccessible::updateAccessibility(&show);
        }
    }
}

Announce sharedAnnouncer()
{
    return [](const QString& text, Politeness politeness) { Announcer::shared().announce(text, politeness); };
}

} // namespace tessarin
