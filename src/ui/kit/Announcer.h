#pragma once
// Speaks a text to the screen reader, whatever has the focus: what goes on
// air, what fails. Each text goes out twice over the accessibility bus:
// - as the AT-SPI announcement event (platform/AnnouncementBus), which
//   screen readers with announcement support speak;
// - as a notification object of the application (no widget: an accessible
//   object of its own) shown with the text as its name, which screen
//   readers without that support (Orca 43) speak as a notification.
// A screen reader reads a notification's name only when it comes to its
// show event, later, and takes a second show of the same object before it
// got there for a repeat of the first: texts that come together (a failure
// and the next item's start, a schedule's start and its item) would be
// heard as the last one alone. So each text has a notification of its own,
// named by it for as long as a reader may still be behind: the notifications
// are a ring of kNotifications, each reused only after as many texts more.
// The texts of a change go out once the change is over, after what the
// views tell of it (names, states, the focus): a reader falling behind
// such a burst drops the notifications queued before its focus events
// (Orca 43 prunes its queue beyond 50 events), not those that come after.
// Main thread.
#include "platform/AnnouncementBus.h"

#include <QObject>
#include <QString>

#include <array>
#include <functional>
#include <vector>

namespace tessarin {

class Announcer final : public QObject {
    Q_OBJECT
public:
    static constexpr int kNotifications = 32;

    static Announcer& shared();

    void announce(const QString& text, Politeness politeness = Politeness::polite);
    // The last text announced, and the notification it was given (its
    // accessible object, named by it).
    const QString& lastText() const { return texts_[std::size_t(last_)]; }
    QObject* lastNotification() const { return slots_[std::size_t(last_)]; }

private:
    struct Unsent {
        int slot;
        Politeness politeness;
    };
    Announcer();
    void send();
    std::vector<Unsent> unsent_;
    std::array<QObject*, kNotifications> slots_ {};
    std::array<QString, kNotifications> texts_ {};
    int last_ = kNotifications - 1;
};

// What receives the texts to speak (Announcer::shared() by default; tests
// hand in their own).
using Announce = std::function<void(const QString& text, Politeness politeness)>;
Announce sharedAnnouncer();

} // namespace tessarin
