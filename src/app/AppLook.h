#pragma once
class QApplication;

namespace tessarin {

// The application's dark look: Fusion style with a dark palette, and the
// kit's keyboard rule for every button (see useKeyboardFocus).
void applyDarkLook(QApplication& app);

} // namespace tessarin
