#include "app/WindowPlacement.h"

#include <algorithm>

namespace tessarin {

namespace {

// The window's size within room (never below its minimum), then its frame's
// corner moved so that the frame lies inside room where it can.
WindowFrame inside(const PlacementScreen& screen, QPoint position, QSize size, bool maximized,
                   const WindowSizes& sizes)
{
    const QRect& room = screen.available;
    const QSize border(sizes.frame.left() + sizes.frame.right(), sizes.frame.top() + sizes.frame.bottom());
    size = size.boundedTo(room.size() - border).expandedTo(sizes.minimum);
    const QSize outer = size + border;
    position.setX(std::clamp(position.x(), room.left(), std::max(room.left(), room.x() + room.width() - outer.width())));
    position.setY(std::clamp(position.y(), room.top(), std::max(room.top(), room.y() + room.height() - outer.height())));
    return { screen.name, position, size, maximized };
}

QPoint centred(const QRect& room, const QSize& size, const QMargins& frame)
{
    const QSize outer = size.grownBy(frame);
    return { room.x() + (room.width() - outer.width()) / 2, room.y() + (room.height() - outer.height()) / 2 };
}

} // namespace

WindowFrame placeWindow(const std::vector<PlacementScreen>& screens, const std::optional<WindowFrame>& kept,
                        const WindowSizes& sizes)
{
    if (screens.empty())
        return kept.value_or(WindowFrame { {}, QPoint(0, 0), sizes.preferred, false });

    if (!kept || kept->size.isEmpty()) {
        const PlacementScreen& screen = screens.front();
        const QSize room = screen.available.size().shrunkBy(sizes.frame);
        const bool fits = sizes.preferred.width() <= room.width() && sizes.preferred.height() <= room.height();
        // Maximised, it still has a size of its own to go back to: the
        // default as far as it fits.
        const QSize size = sizes.preferred.boundedTo(room).expandedTo(sizes.minimum);
        return inside(screen, centred(screen.available, size, sizes.frame), size, !fits, sizes);
    }

    const auto own = std::find_if(screens.begin(), screens.end(),
                                  [&](const PlacementScreen& s) { return s.name == kept->screen; });
    if (own != screens.end())
        return inside(*own, kept->position, kept->size, kept->maximized, sizes);
    // Where it was means nothing on another screen: centred there.
    const PlacementScreen& first = screens.front();
    const QSize size = kept->size.boundedTo(first.available.size().shrunkBy(sizes.frame)).expandedTo(sizes.minimum);
    return inside(first, centred(first.available, size, sizes.frame), size, kept->maximized, sizes);
}

} // namespace tessarin
