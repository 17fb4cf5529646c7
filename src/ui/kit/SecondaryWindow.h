#pragma once
// What every secondary window (the settings window, a dialog, a popover)
// does with the keyboard, in one place: Ctrl+W closes it, as Escape does
// (the main window never takes Ctrl+W: it carries the show on air), and it
// opens with the focus on its first control, so typed text and Space reach
// a control and never an unnamed container. Main thread.

class QWidget;

namespace tessarin::secondary_window {

// Ctrl+W closes the window (a dialog through its close event, which
// rejects it) while it or one of its children has the focus.
void closeWithCtrlW(QWidget& window);

// Gives the focus to the first control inside container in Tab order (the
// checked option of a radio group, as Tab would); returns it, or null when
// the container holds none (the focus then stays where it was).
QWidget* focusFirstControl(QWidget& container);

} // namespace tessarin::secondary_window
