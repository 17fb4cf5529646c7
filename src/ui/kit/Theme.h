#pragma once
// The colours every view shares.
#include <QColor>

namespace tessarin {

class Theme {
public:
    // Warning red: meters near full scale, the live status panel's warning symbol.
    static QColor meterHigh() { return QColor::fromRgbF(0.95f, 0.2f, 0.2f, 1.0f); }
    // Main text on dark backgrounds.
    static QColor textPrimary() { return QColor::fromRgbF(1.0f, 1.0f, 1.0f, 0.92f); }
    // Secondary text on dark backgrounds (hints, waiting texts).
    static QColor textSecondary() { return QColor::fromRgbF(1.0f, 1.0f, 1.0f, 0.55f); }
};

} // namespace tessarin
