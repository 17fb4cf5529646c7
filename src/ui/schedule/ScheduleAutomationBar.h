#pragma once
// The top of the schedule column: arms and disarms the automation, switches
// the schedule's loop, clears the record of what went on air, and says what
// the automation does next, with the last launch problem under it. It keeps
// no state: refresh(now) re-reads the schedule at the column's whole-second
// instant. Main thread.
#include <QWidget>

class QLabel;

namespace tessarin {

class IconButton;
class PillButton;
class ScheduleController;

class ScheduleAutomationBar : public QWidget {
    Q_OBJECT
public:
    explicit ScheduleAutomationBar(ScheduleController& schedule, QWidget* parent = nullptr);

    // Shows the schedule as it is at the instant now (whole seconds).
    void refresh(double now);

    // What the automation does next, as the status text says it.
    static QString statusLine(const ScheduleController& schedule, double now);

    PillButton* armButton() const { return arm_; }
    PillButton* loopButton() const { return loop_; }
    IconButton* restartButton() const { return restart_; }
    QString shownStatus() const;
    // The notice shown; empty while none is.
    QString shownNotice() const;

private:
    ScheduleController& schedule_;
    PillButton* arm_;
    PillButton* loop_;
    IconButton* restart_;
    QLabel* status_;
    QWidget* notice_;
    QLabel* noticeText_;
};

} // namespace tessarin
