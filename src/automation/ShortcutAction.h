#pragma once
// The sixteen actions a key combo can be bound to. The raw values (the case
// names) key the bindings table and the stored settings.
#include <QList>
#include <QString>

#include <optional>

namespace tessarin {

enum class ShortcutActionID {
    playPause,
    stop,
    take,
    clearCue,
    cueSelected,
    toggleLayer1,
    toggleLayer2,
    playBlock1,
    playBlock2,
    playBlock3,
    playBlock4,
    playBlock5,
    playBlock6,
    playBlock7,
    playBlock8,
    playBlock9,
};

namespace shortcut_action {

// Every action in display order.
const QList<ShortcutActionID>& allCases();
// The case name: "playPause", ..., "playBlock9".
QString rawValue(ShortcutActionID action);
// Exactly the sixteen case names; anything else is absent.
std::optional<ShortcutActionID> fromRawValue(const QString& raw);
// The interface text, localised ("Stop" is the same in every language).
QString label(ShortcutActionID action);
// 0...8 for playBlock1...playBlock9, absent for the others.
std::optional<int> blockIndex(ShortcutActionID action);

} // namespace shortcut_action

} // namespace tessarin
