#pragma once
// The one dark palette every view draws with, and the interface's fonts.
// Plain colours are opaque sRGB or white at an opacity; the two gradients are
// built for the rectangle they fill. Main thread (the engine's status panel
// reads a few colours from its render path: they are plain values).
#include <QColor>
#include <QFont>
#include <QLinearGradient>
#include <QRectF>

namespace tessarin {

class Theme {
public:
    static QColor background() { return rgb(0.055, 0.058, 0.075); }
    static QColor panel() { return rgb(0.098, 0.102, 0.126); }
    static QColor panelAlt() { return rgb(0.135, 0.14, 0.17); }
    static QColor panelBorder() { return white(0.08); }
    static QColor rowDark() { return rgb(0.07, 0.075, 0.095); }
    static QColor rowLight() { return rgb(0.185, 0.195, 0.24); }
    static QColor accent() { return rgb(1.0, 0.42, 0.0); }
    static QColor onAir() { return rgb(0.93, 0.18, 0.2); }
    static QColor cue() { return rgb(1.0, 0.76, 0.03); }
    static QColor live() { return rgb(0.24, 0.72, 0.98); }
    static QColor layer() { return rgb(0.66, 0.5, 1.0); }
    static QColor textPrimary() { return white(0.92); }
    static QColor textSecondary() { return white(0.55); }
    static QColor textTertiary() { return white(0.32); }
    static QColor meterLow() { return rgb(0.2, 0.85, 0.35); }
    static QColor meterMid() { return rgb(0.95, 0.85, 0.15); }
    static QColor meterHigh() { return rgb(0.95, 0.2, 0.2); }
    // The play button's fill while nothing plays.
    static QColor transportIdle() { return rgb(0.24, 0.25, 0.30); }
    // The two squares behind a layer's transparent parts.
    static QColor checkerLight() { return rgb(0.34, 0.34, 0.34); }
    static QColor checkerDark() { return rgb(0.22, 0.22, 0.22); }

    // Leading to trailing edge: accent at 0.42, then accent at 0.16.
    static QLinearGradient onAirRowFill(const QRectF& rect)
    {
        QLinearGradient g(rect.topLeft(), rect.topRight());
        g.setColorAt(0, withAlpha(accent(), 0.42));
        g.setColorAt(1, withAlpha(accent(), 0.16));
        return g;
    }
    // Top to bottom, two greys.
    static QLinearGradient headerFill(const QRectF& rect)
    {
        QLinearGradient g(rect.topLeft(), rect.bottomLeft());
        g.setColorAt(0, rgb(0.17, 0.175, 0.215));
        g.setColorAt(1, rgb(0.13, 0.135, 0.165));
        return g;
    }

    static QColor white(double opacity) { return QColor::fromRgbF(1.0f, 1.0f, 1.0f, float(opacity)); }
    static QColor black(double opacity) { return QColor::fromRgbF(0.0f, 0.0f, 0.0f, float(opacity)); }
    static QColor withAlpha(QColor c, double opacity)
    {
        c.setAlphaF(float(opacity));
        return c;
    }

    // The interface font at a size in logical pixels (headline 13 bold,
    // body 13, callout 12, subheadline 11, caption 10, title3 15).
    static QFont font(int pixelSize, QFont::Weight weight = QFont::Normal)
    {
        QFont f(QStringLiteral("DejaVu Sans"));
        f.setPixelSize(pixelSize);
        f.setWeight(weight);
        return f;
    }
    // Monospaced digits, for times and counters.
    static QFont monoFont(int pixelSize, QFont::Weight weight = QFont::Normal)
    {
        QFont f(QStringLiteral("DejaVu Sans Mono"));
        f.setStyleHint(QFont::Monospace);
        f.setPixelSize(pixelSize);
        f.setWeight(weight);
        return f;
    }

private:
    static QColor rgb(double r, double g, double b) { return QColor::fromRgbF(float(r), float(g), float(b), 1.0f); }
};

} // namespace tessarin
