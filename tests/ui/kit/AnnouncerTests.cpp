// A screen reader that speaks the announcer's notifications reads each
// one's name only when it comes to its show event, after the texts that
// came with it: every text keeps a notification named by it until then.
#include "ui/kit/Announcer.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QSet>
#include <QStringList>

using namespace tessarin;

TEST(AnnouncerTest, TextsThatComeTogetherAreEachNamedOnANotificationOfTheirOwnInOrder)
{
    QStringList ring;
    for (int i = 0; i < Announcer::kNotifications; ++i)
        ring << QStringLiteral("In onda: %1").arg(i);
    const std::vector<QStringList> cases {
        { "Impossibile riprodurre: Rotto", "In onda: Dopo" },
        { "Avvio dal palinsesto: Notizie", "In onda: Notiziario", "In cue: Meteo" },
        { "In onda: Breve", "In chiusura: Breve", "Blocco terminato: Apertura", "In cue: Chiusura" },
        { "In pausa: Sigla", "Ripresa: Sigla" },
        ring, // as many as the ring holds
    };
    Announcer& announcer = Announcer::shared();
    for (const QStringList& texts : cases) {
        std::vector<QObject*> shown;
        for (const QString& text : texts) {
            announcer.announce(text);
            announcer.announce(QString()); // nothing to say: nothing shown
            shown.push_back(announcer.lastNotification());
        }
        EXPECT_EQ(announcer.lastText(), texts.back());
        // What the reader reads afterwards, event by event.
        QStringList read;
        QSet<QObject*> distinct;
        for (QObject* notification : shown) {
            QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(notification);
            ASSERT_NE(iface, nullptr);
            EXPECT_EQ(iface->role(), QAccessible::Notification);
            EXPECT_EQ(iface->parent(), QAccessible::queryAccessibleInterface(qApp));
            read << iface->text(QAccessible::Name);
            distinct.insert(notification);
        }
        EXPECT_EQ(read, texts);
        EXPECT_EQ(distinct.size(), texts.size());
    }
}
