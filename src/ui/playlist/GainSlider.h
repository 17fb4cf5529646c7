#pragma once
// The small hand-drawn gain slider of an item row: a thin track, a fill from
// the left edge to the knob, a tick at 0 dB and a round knob. A press or drag
// anywhere on it sets the value from the pointer in 0.5 dB steps, snapping to
// 0 dB near unity; a double click resets it to 0 dB. It keeps no value of its
// own beyond what it draws: gestures emit valueEdited() and the owner writes
// the model, which sets the drawn value back. Screen readers see a slider
// whose value they can set as a press does. It takes focus from Tab or a
// click; then the arrows, Page Up / Page Down, Home / End and 0 move it as
// valueForKey says. Main thread.
#include "ui/kit/Accessibility.h"

#include <QColor>
#include <QWidget>

#include <optional>

namespace tessarin {

class GainSlider : public QWidget, public AccessibleValue {
    Q_OBJECT
public:
    GainSlider(double lower, double upper, QWidget* parent = nullptr);

    // The value a press at x (from the track's left end) sets on a track
    // width wide.
    static double valueAt(double x, double width, double lower, double upper);

    // The value a key sets from value: arrows by a step (0.5 dB), Page Up /
    // Page Down by 6 dB, Home / End to the ends, 0 to 0 dB; none for other keys.
    static std::optional<double> valueForKey(int key, double value, double lower, double upper);

    double value() const { return value_; }
    // Redraws only when the value, tint or dimming actually changes.
    void setValue(double value);
    void setTint(const QColor& tint);
    void setDimmed(bool dimmed);
    bool isDimmed() const { return dimmed_; }
    QSize sizeHint() const override { return { 120, 16 }; }
    QSize minimumSizeHint() const override { return { 36, 16 }; }
    // Left end of the track in the widget (half a knob in).
    static constexpr int kTrackInset = 6;

    double accessibleMinimum() const override { return lower_; }
    double accessibleMaximum() const override { return upper_; }
    double accessibleValue() const override { return value_; }
    double accessibleStep() const override { return 0.5; }
    QString accessibleValueText() const override;
    void setAccessibleValue(double value) override;

signals:
    // The operator set a value (drag, press or double click).
    void valueEdited(double value);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // The track's width, and a point of the widget in track coordinates.
    double usableWidth() const;
    static double trackX(double widgetX);
    void editAt(double x);

    double lower_;
    double upper_;
    double value_ = 0.0;
    QColor tint_;
    bool dimmed_ = false;
};

} // namespace tessarin
