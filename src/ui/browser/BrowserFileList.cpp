#include "ui/browser/BrowserFileList.h"

#include "media/MediaFile.h"
#include "ui/browser/BrowserFileModel.h"
#include "ui/browser/BrowserRowDelegate.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

#include <algorithm>

namespace tessarin {

BrowserFileList::BrowserFileList(BrowserFileModel& model, QWidget* parent)
    : PaintedRowList(parent)
    , model_(model)
{
    setModel(&model_);
    setItemDelegate(new BrowserRowDelegate(model_, *this));
    setAccessibleName(tr("File del browser"));
    setUniformItemSizes(true);
    // A wheel notch scrolls as far as in the column's other scroll areas.
    verticalScrollBar()->setSingleStep(20);
    // Below the rows, the column's ground.
    viewport()->setBackgroundRole(QPalette::NoRole);
    viewport()->setAutoFillBackground(false);

    connect(&model_, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        const QModelIndex current = currentIndex();
        currentFile_ = current.isValid() ? model_.file(current.row())->id() : QUuid();
        scrolled_ = verticalScrollBar()->value();
    });
    connect(&model_, &QAbstractItemModel::modelReset, this, [this] {
        executeDelayedItemsLayout();
        if (const int row = model_.rowOf(currentFile_); row >= 0)
            selectionModel()->setCurrentIndex(model_.index(row), QItemSelectionModel::NoUpdate);
        verticalScrollBar()->setValue(scrolled_);
    });
}

void BrowserFileList::focusRow(int row)
{
    if (model_.rowCount() == 0)
        return;
    const QModelIndex index = model_.index(std::clamp(row, 0, model_.rowCount() - 1));
    setCurrentIndex(index);
    scrollTo(index);
    setFocus(Qt::TabFocusReason);
}

void BrowserFileList::mousePressEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    const QModelIndex index = indexAt(at);
    pressed_ = QPersistentModelIndex();
    if (index.isValid()) {
        // The row pressed becomes current where it is: the list does not
        // scroll under the pointer.
        setAutoScroll(false);
        setCurrentIndex(index);
        setAutoScroll(true);
        if (event->button() == Qt::LeftButton) {
            pressed_ = index;
            pressPos_ = at;
        }
    }
    event->accept();
}

void BrowserFileList::mouseMoveEvent(QMouseEvent* event)
{
    if (!pressed_.isValid() || !(event->buttons() & Qt::LeftButton)
        || (event->position().toPoint() - pressPos_).manhattanLength() < QApplication::startDragDistance()) {
        event->accept();
        return;
    }
    const QPersistentModelIndex pressed = pressed_;
    pressed_ = QPersistentModelIndex();
    emit dragRequested(pressed.row(), pressPos_ - visualRect(pressed).topLeft());
    event->accept();
}

void BrowserFileList::mouseReleaseEvent(QMouseEvent* event)
{
    const QPersistentModelIndex pressed = pressed_;
    pressed_ = QPersistentModelIndex();
    event->accept();
    if (pressed.isValid() && event->button() == Qt::LeftButton && indexAt(event->position().toPoint()) == pressed)
        emit rowClicked(pressed.row(), event->modifiers());
}

void BrowserFileList::mouseDoubleClickEvent(QMouseEvent* event)
{
    // A double click is two clicks.
    mousePressEvent(event);
}

void BrowserFileList::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Menu || (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier)) {
        QContextMenuEvent request(QContextMenuEvent::Keyboard, QPoint());
        contextMenuEvent(&request);
        event->setAccepted(request.isAccepted());
        return;
    }
    if (event->modifiers() == Qt::NoModifier && (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down)) {
        const QModelIndex current = currentIndex();
        focusRow(current.isValid() ? current.row() + (event->key() == Qt::Key_Up ? -1 : 1) : 0);
        event->accept();
        return;
    }
    QListView::keyPressEvent(event);
}

void BrowserFileList::contextMenuEvent(QContextMenuEvent* event)
{
    const QModelIndex index = contextMenuRow(*this, *event);
    if (!index.isValid()) {
        event->ignore();
        return;
    }
    QPoint at = event->globalPos();
    if (event->reason() != QContextMenuEvent::Mouse) {
        // Under the row, a little in from its leading edge.
        scrollTo(index);
        const QRect rect = visualRect(index);
        at = viewport()->mapToGlobal(QPoint(rect.x() + rect.width() / 4, rect.bottom() + 1));
    }
    emit menuRequested(index.row(), at);
    event->accept();
}

} // namespace tessarin
