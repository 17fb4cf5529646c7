#pragma once
class QApplication;

namespace tessarin {

// The application's dark look: Fusion style with a dark palette.
void applyDarkLook(QApplication& app);

} // namespace tessarin
