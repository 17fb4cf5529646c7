#pragma once
// The schedule column's list of events: an item view over the event model,
// painted by the row delegate. It takes focus like any list (arrows move the
// current row); a click on a row's drawn buttons, a double click, Return and
// the context-menu key (Menu, Shift+F10) or a right click ask the column to
// act on the row under the pointer or the current one. Screen readers see
// the rows in view as list items named as the rows read, the current one
// focused. Main thread.
#include "ui/kit/Controls.h"
#include "ui/schedule/ScheduleRowDelegate.h"

namespace tessarin {

class ScheduleEventModel;

class ScheduleEventList : public PaintedRowList {
    Q_OBJECT
public:
    ScheduleEventList(ScheduleEventModel& model, QWidget* parent = nullptr);

    // A row's drawn button in the viewport's coordinates; empty when the row
    // is not laid out.
    QRect buttonRect(int row, ScheduleRowDelegate::Button button) const;

signals:
    void launchRequested(int row);
    // The row's menu, at a global position.
    void menuRequested(int row, const QPoint& at);
    void editRequested(int row);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void repaintChangedRows();
    ScheduleRowDelegate::Button buttonAt(const QModelIndex& index, const QPoint& point) const;

    ScheduleEventModel& model_;
    ScheduleRowDelegate* delegate_;
    QPersistentModelIndex pressed_;
    ScheduleRowDelegate::Button pressedButton_ = ScheduleRowDelegate::Button::none;
};

} // namespace tessarin
