#pragma once
// One event of the schedule column's list: a status bar, the start time with
// its caption, what the event plays with its length and state, a button that
// launches it at once and a menu that edits, enables, moves and deletes it.
// It shows what the column hands it (setContent) and acts on the schedule;
// the column decides the status and keeps one row per event id. Main thread.
#include "automation/ScheduleModels.h"

#include <QColor>
#include <QWidget>

#include <memory>
#include <optional>

class QAction;
class QLabel;
class QToolButton;

namespace tessarin {

class ElidedLabel;
class IconButton;
class MediaBlock;
class OnAirBadge;
class ScheduleController;

class ScheduleRowView : public QWidget {
    Q_OBJECT
    Q_CLASSINFO("accessibleRole", "listItem")
public:
    enum class Status { waiting, running, done, missed, disabled, missingBlock };

    // What the column gives a row: a copy of the event, its position, the
    // block it plays (none when missing) with the block's planned length and
    // whether it holds a live source, its status and planned start, and the
    // alternating background behind it.
    struct Content {
        ScheduleEvent event;
        int index = 0;
        int count = 0;
        std::shared_ptr<MediaBlock> block;
        std::optional<double> blockDuration;
        bool blockIsLive = false;
        Status status = Status::waiting;
        std::optional<double> plannedStart;
        QColor background;
        bool operator==(const Content&) const = default;
    };

    explicit ScheduleRowView(ScheduleController& schedule, QWidget* parent = nullptr);

    // Shows the content, its times read in calendar; only the parts that
    // differ are redrawn, and nothing is done when neither the content nor
    // the title differs from what is shown.
    void setContent(const Content& content, const ScheduleCalendar& calendar);
    const Content& content() const { return content_; }

    static QString label(Status status);
    static QColor color(Status status);

    // The row's texts, in the schedule's calendar.
    static QString timeText(const ScheduleEvent& event, std::optional<double> plannedStart,
                            const ScheduleCalendar& calendar);
    static QString startCaption(const ScheduleEvent& event, std::optional<double> plannedStart,
                                const ScheduleCalendar& calendar);
    static QString detail(const Content& content);
    // The symbol of what the event plays.
    static QString contentSymbol(const ScheduleEvent& event);

    // The shown texts and controls, for the column's tests.
    QString shownTime() const;
    QString shownCaption() const;
    QString shownTitle() const;
    QString shownDetail() const;
    // The detail as drawn at the row's width (a line feed between its lines).
    QString drawnDetail() const;
    bool showsOnAirBadge() const;
    IconButton* launchButton() const { return launch_; }
    QToolButton* menuButton() const { return menuButton_; }
    QAction* editAction() const { return edit_; }
    QAction* enableAction() const { return enable_; }
    QAction* moveUpAction() const { return moveUp_; }
    QAction* moveDownAction() const { return moveDown_; }
    QAction* deleteAction() const { return delete_; }

signals:
    // The operator asked to edit the event (menu or double click).
    void editRequested();

protected:
    void paintEvent(QPaintEvent*) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void buildMenu();

    ScheduleController& schedule_;
    Content content_;
    bool hasContent_ = false;
    std::optional<LocalZone> shownZone_;
    QString shownTitleText_;

    QWidget* statusBar_;
    ElidedLabel* time_;
    ElidedLabel* caption_;
    OnAirBadge* badge_;
    QLabel* symbol_;
    ElidedLabel* title_;
    ElidedLabel* detail_;
    IconButton* launch_;
    QToolButton* menuButton_;
    QAction* edit_ = nullptr;
    QAction* enable_ = nullptr;
    QAction* moveUp_ = nullptr;
    QAction* moveDown_ = nullptr;
    QAction* delete_ = nullptr;
    QString shownSymbol_;
    QColor shownSymbolColor_;
};

} // namespace tessarin
