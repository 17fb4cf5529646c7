#pragma once
// The sheet in which the operator makes a schedule event or changes one:
// what goes on air (a block, a file or a live source), how it starts, on
// which day and at what time, whether a fixed start repeats, and an optional
// maximum time on air. It edits a private working copy (ScheduleEventDraft);
// only the confirm button hands the finished event to onSave, and cancelling
// leaves the schedule untouched. A window-modal dialog opened with open().
// Main thread.
#include "automation/ScheduleModels.h"
#include "ui/schedule/EventContentPickers.h"

#include <QDialog>

#include <functional>

class QDateEdit;
class QLabel;
class QPushButton;

namespace tessarin {

class BrowserFiles;
class DurationFields;
class PlaylistEngine;
class ScheduleEventDraft;
class SegmentedControl;
class SourceLibrary;
class SwitchButton;
class TimeOfDayFields;

class ScheduleEventEditor : public QDialog {
    Q_OBJECT
public:
    using OnSave = std::function<void(const ScheduleEvent&)>;

    // event: the event to edit (a copy is kept); engine: the show's blocks,
    // read afresh on each change; isNew: the event is not in the schedule yet.
    ScheduleEventEditor(const ScheduleEvent& event, PlaylistEngine& engine, SourceLibrary& sources,
                        const BrowserFiles& browserFiles, bool isNew, const ScheduleCalendar& calendar, OnSave onSave,
                        QWidget* parent = nullptr);
    ~ScheduleEventEditor() override;

    ScheduleEventDraft& draft() const { return *draft_; }
    bool isNew() const { return isNew_; }

    void setFileChooser(MediaFileChooser chooser);

    // The confirm button: commits a field being typed in, then, on a later
    // turn of the main thread, hands the finished event to onSave and closes.
    void save();

    // The controls, for tests.
    QString title() const;
    QPushButton* confirmButton() const { return confirm_; }
    QPushButton* cancelButton() const { return cancel_; }
    SegmentedControl* contentControl() const { return content_; }
    SegmentedControl* startControl() const { return start_; }
    SegmentedControl* repeatControl() const { return repeat_; }
    QWidget* fixedSection() const { return fixedSection_; }
    QDateEdit* dateEdit() const { return date_; }
    TimeOfDayFields* timeFields() const { return time_; }
    SwitchButton* limitSwitch() const { return limit_; }
    DurationFields* durationFields() const { return duration_; }
    BlockPicker* blockPicker() const { return blockPicker_; }
    FilePicker* filePicker() const { return filePicker_; }
    LivePicker* livePicker() const { return livePicker_; }
    QString startExplanation() const;
    QString durationExplanation() const;

private:
    void build(const BrowserFiles& browserFiles, SourceLibrary& sources);
    void refresh();
    void fitHeight();
    BlockPicker::Blocks blocks() const;

    PlaylistEngine& engine_;
    const bool isNew_;
    const ScheduleCalendar calendar_;
    OnSave onSave_;
    ScheduleEventDraft* draft_;
    bool saving_ = false;

    QLabel* title_ = nullptr;
    SegmentedControl* content_ = nullptr;
    BlockPicker* blockPicker_ = nullptr;
    FilePicker* filePicker_ = nullptr;
    LivePicker* livePicker_ = nullptr;
    SegmentedControl* start_ = nullptr;
    QLabel* startExplanation_ = nullptr;
    QWidget* fixedSection_ = nullptr;
    QDateEdit* date_ = nullptr;
    TimeOfDayFields* time_ = nullptr;
    SegmentedControl* repeat_ = nullptr;
    SwitchButton* limit_ = nullptr;
    DurationFields* duration_ = nullptr;
    QLabel* durationExplanation_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPushButton* confirm_ = nullptr;
};

} // namespace tessarin
