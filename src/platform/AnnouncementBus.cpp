#include "platform/AnnouncementBus.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QVariantMap>

namespace tessarin {

bool sendAnnouncement(const QString& text, Politeness politeness)
{
    // The name Qt's bridge gives its connection to the accessibility bus.
    const QDBusConnection bus(QStringLiteral("a11y"));
    if (!bus.isConnected() || text.isEmpty())
        return false;
    QDBusMessage event = QDBusMessage::createSignal(QStringLiteral("/org/a11y/atspi/accessible/root"),
                                                    QStringLiteral("org.a11y.atspi.Event.Object"),
                                                    QStringLiteral("Announcement"));
    // (detail, detail1 = politeness, detail2, any_data = the text, properties)
    event << QString() << static_cast<int>(politeness) << 0 << QVariant::fromValue(QDBusVariant(text))
          << QVariantMap();
    return bus.send(event);
}

} // namespace tessarin
