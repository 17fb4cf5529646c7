#pragma once
// The side panel's schedule tab: the events of the ScheduleController as one
// row each of a list view, with their planned starts and a status, the
// automation bar, the "Nuovo evento" button, events made from files and live
// sources dropped on the column, and the event editor sheet for a new or an
// existing event. It keeps no schedule state: everything shown is re-read
// from the schedule on each of its changes and on every whole second of the
// schedule's clock while the column is on screen (only the rows in view are
// worked out and painted). A row's menu (its "…" button, a right click, the
// context-menu key) edits, enables, moves, deletes or launches its event.
// Main thread.
#include "automation/ScheduleModels.h"
#include "ui/schedule/EventContentPickers.h"
#include "ui/schedule/ScheduleRow.h"

#include <QPointer>
#include <QUuid>
#include <QWidget>

#include <memory>
#include <vector>

class QLabel;
class QMenu;

namespace tessarin {

class BrowserFiles;
class MediaFile;
class PillButton;
class PlaylistEngine;
class ScheduleAutomationBar;
class ScheduleController;
class ScheduleEventEditor;
class ScheduleEventList;
class ScheduleEventModel;
class SourceLibrary;
class Timer;

class ScheduleColumnView : public QWidget {
    Q_OBJECT
public:
    explicit ScheduleColumnView(ScheduleController& schedule, PlaylistEngine& engine, SourceLibrary& sources,
                                const BrowserFiles& browserFiles, QWidget* parent = nullptr);
    ~ScheduleColumnView() override;
    // Its narrowest width, whatever it lists: the window's columns stay put
    // when events, names and notices change.
    QSize sizeHint() const override;

    // The event the "Nuovo evento" button proposes (not yet in the schedule).
    ScheduleEvent newEvent() const;
    // Second 0 of the minute after the present instant.
    double nextMinute() const;
    // One event per item, appended in order: on an empty schedule the first
    // starts at the next minute and the others follow it; live sources get
    // a 30-minute maximum.
    void addDropped(const std::vector<std::shared_ptr<MediaFile>>& items);
    // Opens the editor sheet for the event (a new one when the schedule
    // does not hold its id); does nothing while a sheet is open.
    void edit(const ScheduleEvent& event);

    // The file chooser that editors get (tests answer it themselves).
    void setFileChooser(MediaFileChooser chooser);

    // The menu of the row's event (a copy of it taken now), owned by the
    // caller: launch now, edit, enable or disable, move up or down, delete.
    QMenu* makeRowMenu(int row);

    // For tests and screenshots.
    ScheduleEventEditor* editor() const;
    ScheduleEventModel& model() const { return *model_; }
    ScheduleEventList* list() const { return list_; }
    ScheduleAutomationBar* automationBar() const { return automationBar_; }
    PillButton* newEventButton() const { return newEvent_; }
    bool showsHint() const;
    bool isDropTargeted() const { return isDropTargeted_; }
    // The whole-second instant of the last redraw.
    double shownNow() const { return shownNow_; }

protected:
    void paintEvent(QPaintEvent*) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void refresh();
    void openRowMenu(int row, const QPoint& at);
    void tick();
    void setDropTargeted(bool targeted);
    double wholeSecondNow() const;

    ScheduleController& schedule_;
    PlaylistEngine& engine_;
    SourceLibrary& sources_;
    const BrowserFiles& browserFiles_;
    MediaFileChooser fileChooser_;

    PillButton* newEvent_;
    ScheduleAutomationBar* automationBar_;
    ScheduleEventModel* model_;
    ScheduleEventList* list_;
    QLabel* hint_;
    QPointer<ScheduleEventEditor> editor_;
    bool isDropTargeted_ = false;
    double shownNow_ = 0;
    std::unique_ptr<Timer> timeline_;
};

} // namespace tessarin
