#pragma once
// How a window wants its keys, declared by the window itself and read by
// the application's key monitor (the shortcut filter):
//  - shortcuts: the bound keys run their actions before any control of the
//    window (the main window: the space bar is play/pause whatever has the
//    focus), and Return, keypad Enter and Escape end the editing of the
//    window's own text fields.
//  - controlsFirst: the keys with which a control is worked (controlKey())
//    belong to the focused control and to the window (its default action,
//    cancel); other bound keys still run their actions. Dialogs, the
//    settings window and popovers.
// A window that declares nothing is controlsFirst. A popup that declares
// nothing (a menu, a combo box's list, a calendar) keeps every key to
// itself. Main thread.
#include <optional>

class QKeyEvent;
class QWidget;

namespace tessarin {

enum class KeyPolicy { shortcuts, controlsFirst };

namespace key_policy {

void declare(QWidget& window, KeyPolicy policy);
// What the window declared, if anything.
std::optional<KeyPolicy> declared(const QWidget* window);
// The policy of the widget's window; controlsFirst when it declared none.
KeyPolicy of(const QWidget* widget);
// Space, Return, Enter, Escape, Tab and the arrow and paging keys, alone or
// with Shift: the keys that press, toggle, move through and leave controls.
bool isControlKey(const QKeyEvent& event);

} // namespace key_policy
} // namespace tessarin
