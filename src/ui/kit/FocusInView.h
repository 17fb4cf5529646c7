#pragma once
// A control that takes the focus from the keyboard (Tab, Shift+Tab, a
// mnemonic, a move made by the program for the keyboard) is scrolled into
// view in every scroll area around it, whatever column or page it is in.
// Main thread.
class QWidget;

namespace tessarin {

// Scrolls each QScrollArea that holds widget (the innermost first) so that
// the widget shows, with a small margin.
void showInScrollAreas(QWidget* widget);

// Watches the application's focus changes from now on and shows each
// control that takes the focus for a reason other than a click, a popup or
// its window coming back to the front. Once per application; later calls do
// nothing.
void keepKeyboardFocusInView();

} // namespace tessarin
