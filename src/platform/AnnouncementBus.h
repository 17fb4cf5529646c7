#pragma once
// The AT-SPI "object:announcement" event: a text that screen readers speak
// at once, whatever has the focus. Sent on the accessibility bus through the
// connection of Qt's own bridge (so the event comes from the application
// the screen reader already knows), from the application's root object.
// Nothing is sent while the bridge is not connected (no screen reader, or
// accessibility off). Main thread.
#include <QString>

namespace tessarin {

// How urgently the text is spoken: polite waits for the current speech,
// assertive interrupts it (values of AtspiLive).
enum class Politeness { polite = 1, assertive = 2 };

// True when the event was handed to the bus.
bool sendAnnouncement(const QString& text, Politeness politeness);

} // namespace tessarin
