#pragma once
// The layer settings popover's content: opacity, size and position sliders
// written to the layer while they move, the loop switch of a video layer and
// the reset of the transform. CheckerboardView: the grey pattern behind
// transparent previews. Main thread.
#include <QWidget>

#include <memory>

class QLabel;
class QSlider;

namespace tessarin {

class OverlayLayer;
class SwitchButton;

class LayerSettingsView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 300;
    // Sliders run in steps this fine over their range.
    static constexpr int kSliderSteps = 1000;

    explicit LayerSettingsView(std::shared_ptr<OverlayLayer> layer, QWidget* parent = nullptr);

    // The value texts: "55%", and the signed "+0%" / "-50%".
    static QString percentText(double value);
    static QString signedPercentText(double value);

    QSlider* opacitySlider() const { return sliders_[0]; }
    QSlider* scaleSlider() const { return sliders_[1]; }
    QSlider* offsetXSlider() const { return sliders_[2]; }
    QSlider* offsetYSlider() const { return sliders_[3]; }
    QString valueText(int row) const;
    SwitchButton* loopSwitch() const { return loop_; }
    QWidget* resetButton() const { return reset_; }

private:
    void refresh();

    std::shared_ptr<OverlayLayer> layer_;
    QSlider* sliders_[4] {};
    QLabel* values_[4] {};
    QWidget* loopSection_ = nullptr;
    SwitchButton* loop_ = nullptr;
    QWidget* reset_ = nullptr;
    bool writing_ = false;
};

class CheckerboardView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kCell = 6;
    explicit CheckerboardView(QWidget* parent = nullptr);
    // Draws the pattern over rect (cells from its top left).
    static void paint(class QPainter& painter, const QRectF& rect);

protected:
    void paintEvent(QPaintEvent*) override;
};

} // namespace tessarin
