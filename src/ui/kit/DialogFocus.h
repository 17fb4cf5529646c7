#pragma once
// Where the keyboard focus goes when a dialog opened with open() closes:
// back to the control that held it when the dialog opened (the button that
// opened it, by keyboard), in its window brought to the front again, whether
// the dialog was answered or cancelled. Without this the window system may
// give the focus to no window at all once the dialog is gone. Main thread.
class QDialog;

namespace tessarin {

// Call before dialog->open().
void returnFocusWhenClosed(QDialog* dialog);

} // namespace tessarin
