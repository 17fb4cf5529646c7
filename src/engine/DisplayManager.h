#pragma once
// The displays the program output can go to and the video modes offered for
// each: the platform's usable modes, each resolution and rate once, largest
// first. Reads and switches through the injected Displays. Main thread only.
#include "platform/Displays.h"

#include <QPointer>
#include <QScreen>
#include <QString>

#include <optional>
#include <vector>

namespace tessarin {

// One display; equal by id only.
struct OutputDisplay {
    quint32 id = 0;
    QString name;
    QPointer<QScreen> screen; // where the output window goes

    bool operator==(const OutputDisplay& other) const { return id == other.id; }
};

// One video mode offered for a display; equal by id only.
struct DisplayVideoMode {
    VideoMode mode;

    // "1920x1080@60.0": width, height and the rate as the shortest decimal
    // that reads back as the same number, always with a fraction.
    QString id() const;
    // "1920 × 1080 — 60 Hz"; for a mode without a rate the translated
    // "1920 × 1080 — predefinito".
    QString label() const;

    bool operator==(const DisplayVideoMode& other) const { return id() == other.id(); }
};

class DisplayManager {
public:
    explicit DisplayManager(Displays& displays);

    // The screens in the platform's order.
    std::vector<OutputDisplay> allDisplays() const;
    // All but the main screen (all when there is no main screen).
    std::vector<OutputDisplay> externalDisplays() const;
    // The display's usable modes without repeats (the first of equal ids
    // kept), by width, then height, then rate, each largest first.
    std::vector<DisplayVideoMode> availableModes(quint32 displayId) const;
    // The mode the display has now.
    std::optional<DisplayVideoMode> currentMode(quint32 displayId) const;
    // Switches the display; false when refused.
    bool switchMode(quint32 displayId, const DisplayVideoMode& mode);

private:
    Displays& displays_;
};

} // namespace tessarin
