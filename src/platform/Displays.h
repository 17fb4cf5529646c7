#pragma once
// The screens attached to the machine, their video modes and switching
// between them. Screens come from Qt (QScreen); modes and switching from
// XRandR on X11. Elsewhere (Wayland, offscreen) the screens are listed and
// no mode is offered. Behind an interface, so the logic that switches and
// restores modes is tested against a fake. Main thread only.
#include <QPointer>
#include <QScreen>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace tessarin {

struct DisplayScreen {
    quint32 id = 0;           // stable for a screen name (see screenIdFor)
    QString name;             // for people: the model and the connector
    QPointer<QScreen> screen; // the screen's geometry is where windows go
};

// A video mode in pixels; refreshRate 0 when the platform gives none.
struct VideoMode {
    int width = 0;
    int height = 0;
    double refreshRate = 0.0;
    quint64 nativeId = 0; // the platform's handle (RandR mode id)

    bool operator==(const VideoMode&) const = default;
};

class Displays {
public:
    virtual ~Displays() = default;
    // The screens in the platform's order.
    virtual std::vector<DisplayScreen> screens() const = 0;
    // The primary screen's id; nullopt when there is none.
    virtual std::optional<quint32> mainScreenId() const = 0;
    // The usable modes of a screen in the platform's order (interlaced and
    // double-scan modes left out); empty where modes cannot be switched.
    virtual std::vector<VideoMode> modes(quint32 screenId) const = 0;
    virtual std::optional<VideoMode> currentMode(quint32 screenId) const = 0;
    // Switches the screen to mode (one of modes()); false when refused.
    virtual bool setMode(quint32 screenId, const VideoMode& mode) = 0;
};

// XRandR-backed displays on X11, screens only on other platforms.
std::unique_ptr<Displays> createDisplays();

// The id of a screen: a hash of its name (the connector, "HDMI-1"), so it
// stays the same while the screen stays connected to the same socket. A
// screen whose name an earlier screen already has (separate X screens)
// hashes the name with its count, "HDMI-1#2".
quint32 screenIdFor(const QString& screenName);
// The name shown for a screen: its model and connector when the model is
// known, else the connector; "Schermo N" (N = index + 1) when the platform
// names neither.
QString displayNameFor(const QScreen& screen, int index);

// Displays from QScreen alone: no modes, no switching.
class ScreenOnlyDisplays : public Displays {
public:
    std::vector<DisplayScreen> screens() const override;
    std::optional<quint32> mainScreenId() const override;
    std::vector<VideoMode> modes(quint32) const override { return {}; }
    std::optional<VideoMode> currentMode(quint32) const override { return std::nullopt; }
    bool setMode(quint32, const VideoMode&) override { return false; }

protected:
    // The connector name of the screen with this id.
    std::optional<QString> screenName(quint32 screenId) const;
    // The screen with this id, or nullptr.
    QScreen* screenFor(quint32 screenId) const;
};

} // namespace tessarin
