#pragma once
// Linux key events in the numbering that key combos are stored in: the
// physical key from the evdev scan code (QKeyEvent::nativeScanCode() - 8 on
// X11 and Wayland), Qt::Key for synthetic events that carry no scan code;
// Ctrl stands for control, Alt for option, Meta (Super) for command.
#include "automation/KeyCombo.h"

#include <Qt>

#include <cstdint>
#include <optional>

class QKeyEvent;

namespace tessarin {

// The key position code of an evdev key code; absent for modifier keys and
// keys without a counterpart.
std::optional<std::uint16_t> keyCodeForEvdev(std::uint32_t evdevCode);

// The key position code of a Qt key (US layout for shifted characters;
// keypad keys when modifiers carry Qt::KeypadModifier); absent for modifier
// keys and keys without a counterpart.
std::optional<std::uint16_t> keyCodeForQtKey(int key, Qt::KeyboardModifiers modifiers);

// The shift/control/option/command bits of Qt modifiers.
std::uint64_t modifierFlags(Qt::KeyboardModifiers modifiers);

// The combo a key press stands for; absent for a press of a modifier key
// alone and for keys that have no code.
std::optional<KeyCombo> keyComboForEvent(const QKeyEvent& event);

} // namespace tessarin
