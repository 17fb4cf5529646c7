#pragma once
// The AT-SPI "object:children-changed" event of a node of Qt's bridge:
// child was added to parent at index, or is about to be removed from it
// (sent before the child goes, so a reader can still ask it what it was).
// Qt's bridge sends a removal at no index (-1), and none at all for the
// rows of an item view: lists tell readers of their rows here. Sent on the
// bridge's own connection, with the paths it gives the nodes. Nothing is
// sent while the bridge is not connected. Main thread.
class QAccessibleInterface;

namespace tessarin {

// True when the event was handed to the bus.
bool sendChildrenChanged(QAccessibleInterface* parent, QAccessibleInterface* child, int index, bool added);

} // namespace tessarin
