#pragma once
// Video modes through XRandR (1.2 or later) on an X11 display: the outputs,
// their modes and the switch of an output's CRTC to another mode, growing
// the screen first when the new mode needs more room. Uses its own Xlib
// connection, so it works beside Qt's and against any display by name.
// Main thread only.
#include "platform/Displays.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

struct _XDisplay;

namespace tessarin {

// Hertz of a mode from its timings: dot clock / (htotal x vtotal); 0 when a
// total is 0 (Xvfb and some virtual outputs report no timings).
double modeRefreshRate(unsigned long dotClock, unsigned int hTotal, unsigned int vTotal);

class XrandrConnection {
public:
    // A connection to the display (DISPLAY when empty); nullptr when there
    // is no X server or it lacks RandR 1.2.
    static std::unique_ptr<XrandrConnection> open(const QByteArray& displayName = {});
    ~XrandrConnection();
    XrandrConnection(const XrandrConnection&) = delete;
    XrandrConnection& operator=(const XrandrConnection&) = delete;

    struct Output {
        QString name;     // the connector, as QScreen::name() gives it on X11
        bool active = false; // driven by a CRTC
        std::vector<VideoMode> modes; // usable ones, in the server's order
        std::optional<VideoMode> current;
    };
    std::vector<Output> outputs() const;
    // Switches the named output's CRTC to mode (matched by its RandR id,
    // which must be one of the output's modes). False when the output is
    // not active, the mode is not its own, or the server refuses.
    bool setMode(const QString& outputName, const VideoMode& mode);

private:
    explicit XrandrConnection(_XDisplay* display);
    _XDisplay* display_;
};

class XrandrDisplays final : public ScreenOnlyDisplays {
public:
    explicit XrandrDisplays(std::unique_ptr<XrandrConnection> connection);

    std::vector<VideoMode> modes(quint32 screenId) const override;
    std::optional<VideoMode> currentMode(quint32 screenId) const override;
    bool setMode(quint32 screenId, const VideoMode& mode) override;

private:
    std::optional<XrandrConnection::Output> output(quint32 screenId) const;
    std::unique_ptr<XrandrConnection> connection_;
};

} // namespace tessarin
