#pragma once
// How the engine changes what is on air: a cut or a fade, and, for the fade,
// how long it lasts. Both are the engine's settings, written at once (the
// engine keeps them across launches); the row follows the engine when they
// change elsewhere. Main thread.
#include <QWidget>

class QLabel;

namespace tessarin {

class PlaylistEngine;
class SegmentedControl;
class Stepper;

class TransitionControl : public QWidget {
    Q_OBJECT
public:
    explicit TransitionControl(PlaylistEngine& engine, QWidget* parent = nullptr);

    SegmentedControl* picker() const { return picker_; }
    // Shown only for the fade style.
    Stepper* fadeStepper() const { return stepper_; }

private:
    void follow();
    void step(double delta);

    PlaylistEngine& engine_;
    SegmentedControl* picker_;
    Stepper* stepper_;
};

} // namespace tessarin
