#pragma once
// The ATEM page: the link switch, the mixer's address and the playout
// input (1 to 40), all written at once to the AtemTallyMonitor, and the
// link's status. It keeps no state of its own. Main thread.
#include <QWidget>

class QLabel;
class QLineEdit;

namespace tessarin {

class AtemTallyMonitor;
class StatusDot;
class Stepper;
class SwitchButton;

class AtemSettingsView : public QWidget {
    Q_OBJECT
public:
    explicit AtemSettingsView(AtemTallyMonitor& monitor, QWidget* parent = nullptr);

    // The parts tests drive.
    SwitchButton* enabledSwitch() const { return enabled_; }
    QLineEdit* hostField() const { return host_; }
    Stepper* inputStepper() const { return input_; }
    QLabel* statusLabel() const { return status_; }
    StatusDot* statusDot() const { return dot_; }

private:
    void refresh();
    void step(int delta);

    AtemTallyMonitor& monitor_;
    SwitchButton* enabled_;
    QLineEdit* host_;
    Stepper* input_;
    StatusDot* dot_;
    QLabel* status_;
};

} // namespace tessarin
