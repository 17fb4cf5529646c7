#pragma once
// The browser's media list proper: an item view over the file model,
// painted by the row delegate, so that only the rows in view cost anything.
// It is one Tab stop whose current row the keyboard is on (the first before
// any): Up and Down move it, the context-menu key (Menu, Shift+F10) opens
// its menu. A press makes the row under the pointer current; a click, a
// drag started on a row and a right click are reported to the column, which
// owns the selection. A change of the list that resets the model keeps the
// current file and the scroll position. Screen readers see the rows in view
// as list items named "<name>, <duration>", the current one focused.
// Main thread.
#include "ui/kit/Controls.h"

#include <QPersistentModelIndex>
#include <QUuid>

namespace tessarin {

class BrowserFileModel;

class BrowserFileList : public PaintedRowList {
    Q_OBJECT
public:
    explicit BrowserFileList(BrowserFileModel& model, QWidget* parent = nullptr);

    // Makes the row (clamped to the list) current, scrolls it into view and
    // gives the list the keyboard focus.
    void focusRow(int row);

signals:
    void rowClicked(int row, Qt::KeyboardModifiers modifiers);
    // A drag started on the row, pressed at hotSpot in the row's coordinates.
    void dragRequested(int row, const QPoint& hotSpot);
    // The row's context menu, at a global position.
    void menuRequested(int row, const QPoint& at);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    BrowserFileModel& model_;
    QPersistentModelIndex pressed_;
    QPoint pressPos_;
    // Kept across a reset of the model.
    QUuid currentFile_;
    int scrolled_ = 0;
};

} // namespace tessarin
