#pragma once
// Where a browser or source row can be sent from its context menu: the
// places its drag can be dropped, for operators who use the keyboard. Each
// block by name (the items appended, as a drop on its card does), a new
// block (as a drop on the zone under the blocks does) and, for one local
// file, each graphics layer (as a drop on the layer does). Main thread.
#include <QMimeData>

#include <functional>

class QMenu;

namespace tessarin {

class PlaylistEngine;

// Adds the destinations of the data a drag of the row would carry to a menu.
using RowDestinations = std::function<void(QMenu& menu, const QMimeData& dragged)>;

// The destinations of the engine's blocks and layers, read when a menu opens.
RowDestinations engineDestinations(PlaylistEngine& engine);

} // namespace tessarin
