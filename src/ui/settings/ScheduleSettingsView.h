#pragma once
// The schedule page: how early a fixed-time event is cued and how late it
// may still start, written at once to the ScheduleController, with the
// plain-words explanation of the automation. Main thread.
#include <QWidget>

class QComboBox;

namespace tessarin {

class ScheduleController;

class ScheduleSettingsView : public QWidget {
    Q_OBJECT
public:
    explicit ScheduleSettingsView(ScheduleController& schedule, QWidget* parent = nullptr);

    QComboBox* prepPicker() const { return prep_; }
    QComboBox* tolerancePicker() const { return tolerance_; }

private:
    void refresh();

    ScheduleController& schedule_;
    QComboBox* prep_;
    QComboBox* tolerance_;
};

} // namespace tessarin
