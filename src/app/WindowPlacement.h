#pragma once
// Where the main window opens: the rule alone, on a list of screens, so it
// is tested without any. The window keeps inside a screen's available area
// (the desktop without its panels) together with its frame; with nothing
// kept it opens centred at its default size on the first screen, maximised
// where that size does not fit; a kept frame comes back on its screen when
// that screen is still there, else centred on the first, brought inside the
// area either way.
#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <optional>
#include <vector>

namespace tessarin {

struct PlacementScreen {
    QString name;    // the connector ("HDMI-1")
    QRect available; // in the desktop's logical coordinates
};

// A window as Qt places a top-level one: the top-left corner of its frame,
// the size inside the frame (as when not maximised).
struct WindowFrame {
    QString screen;
    QPoint position;
    QSize size;
    bool maximized = false;

    bool operator==(const WindowFrame&) const = default;
};

struct WindowSizes {
    QSize preferred; // the window's default size
    QSize minimum;
    QMargins frame;  // the window manager's frame (title bar, borders)
};

// screens: the first is the primary. With no screen the kept frame, or the
// default size at the origin, as it is.
WindowFrame placeWindow(const std::vector<PlacementScreen>& screens, const std::optional<WindowFrame>& kept,
                        const WindowSizes& sizes);

} // namespace tessarin
