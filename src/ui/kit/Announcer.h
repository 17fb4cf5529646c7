#pragma once
// Speaks a text to the screen reader, whatever has the focus: what goes on
// air, what fails. Each text goes out twice over the accessibility bus:
// - as the AT-SPI announcement event (platform/AnnouncementBus), which
//   screen readers with announcement support speak;
// - as a notification object of the application (no widget: an accessible
//   object of its own) shown anew with the text as its name, which screen
//   readers without that support (Orca 43) speak as a notification.
// Main thread.
#include "platform/AnnouncementBus.h"

#include <QObject>
#include <QString>

#include <functional>

namespace tessarin {

class Announcer final : public QObject {
    Q_OBJECT
public:
    static Announcer& shared();

    void announce(const QString& text, Politeness politeness = Politeness::polite);
    // The last text announced, the notification object's name.
    const QString& lastText() const { return lastText_; }

private:
    Announcer();
    QString lastText_;
};

// What receives the texts to speak (Announcer::shared() by default; tests
// hand in their own).
using Announce = std::function<void(const QString& text, Politeness politeness)>;
Announce sharedAnnouncer();

} // namespace tessarin
