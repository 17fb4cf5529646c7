#include "ui/schedule/ScheduleEventList.h"

#include "ui/schedule/ScheduleEventModel.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>

namespace tessarin {

ScheduleEventList::ScheduleEventList(ScheduleEventModel& model, QWidget* parent)
    : PaintedRowList(parent)
    , model_(model)
    , delegate_(new ScheduleRowDelegate(model, *this))
{
    setModel(&model_);
    setItemDelegate(delegate_);
    setAccessibleName(tr("Eventi del palinsesto"));
    setMouseTracking(true);
    // Below the rows, the window's ground, as a scroll area shows it.
    viewport()->setBackgroundRole(QPalette::Window);
    viewport()->setAutoFillBackground(true);
    connect(&model_, &ScheduleEventModel::rowsWorkedOutAfresh, this, &ScheduleEventList::repaintChangedRows);
}

void ScheduleEventList::repaintChangedRows()
{
    // Only the rows in view that show something else are painted again (and
    // their names told to screen readers): a tick that changes no text costs
    // no paint.
    const QRect area = viewport()->rect();
    const QModelIndex first = indexAt(area.topLeft());
    if (!first.isValid()) {
        viewport()->update();
        return;
    }
    for (int row = first.row(); row < model_.rowCount(); ++row) {
        const QRect rect = visualRect(model_.index(row));
        if (rect.top() > area.bottom())
            break;
        const ScheduleRow::Shown* before = model_.previousRow(row);
        if (!before || !(*before == model_.row(row)))
            model_.announceChanged(row);
    }
}

ScheduleRowDelegate::Button ScheduleEventList::buttonAt(const QModelIndex& index, const QPoint& point) const
{
    if (!index.isValid())
        return ScheduleRowDelegate::Button::none;
    return ScheduleRowDelegate::buttonAt(model_.row(index.row()), visualRect(index), point);
}

QRect ScheduleEventList::buttonRect(int row, ScheduleRowDelegate::Button button) const
{
    const QModelIndex index = model_.index(row);
    const QRect rect = visualRect(index);
    if (!index.isValid() || rect.isEmpty())
        return {};
    const auto g = ScheduleRowDelegate::geometry(model_.row(row), rect);
    return button == ScheduleRowDelegate::Button::launch ? g.launch
        : button == ScheduleRowDelegate::Button::menu    ? g.menu
                                                         : QRect();
}

void ScheduleEventList::mousePressEvent(QMouseEvent* event)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    const auto button = event->button() == Qt::LeftButton ? buttonAt(index, event->position().toPoint())
                                                          : ScheduleRowDelegate::Button::none;
    if (button == ScheduleRowDelegate::Button::none) {
        QListView::mousePressEvent(event);
        return;
    }
    pressed_ = index;
    pressedButton_ = button;
    setCurrentIndex(index);
    delegate_->setPressed(index, button);
    if (button == ScheduleRowDelegate::Button::menu) {
        // The menu opens at the press, under its button, as a tool button's does.
        const QRect rect = buttonRect(index.row(), button);
        pressed_ = QPersistentModelIndex();
        pressedButton_ = ScheduleRowDelegate::Button::none;
        delegate_->setPressed(QPersistentModelIndex(), pressedButton_);
        emit menuRequested(index.row(), viewport()->mapToGlobal(rect.bottomLeft() + QPoint(0, 1)));
    }
    event->accept();
}

void ScheduleEventList::mouseReleaseEvent(QMouseEvent* event)
{
    if (!pressed_.isValid()) {
        QListView::mouseReleaseEvent(event);
        return;
    }
    const QPersistentModelIndex pressed = pressed_;
    const auto button = pressedButton_;
    pressed_ = QPersistentModelIndex();
    pressedButton_ = ScheduleRowDelegate::Button::none;
    delegate_->setPressed(QPersistentModelIndex(), pressedButton_);
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index == pressed && buttonAt(index, event->position().toPoint()) == button
        && button == ScheduleRowDelegate::Button::launch && model_.row(index.row()).content.block)
        emit launchRequested(index.row());
    event->accept();
}

void ScheduleEventList::mouseMoveEvent(QMouseEvent* event)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    delegate_->setHovered(index, buttonAt(index, event->position().toPoint()));
    if (!pressed_.isValid())
        QListView::mouseMoveEvent(event);
}

void ScheduleEventList::leaveEvent(QEvent* event)
{
    delegate_->setHovered(QPersistentModelIndex(), ScheduleRowDelegate::Button::none);
    QListView::leaveEvent(event);
}

void ScheduleEventList::mouseDoubleClickEvent(QMouseEvent* event)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && index.isValid()
        && buttonAt(index, event->position().toPoint()) == ScheduleRowDelegate::Button::none) {
        emit editRequested(index.row());
        event->accept();
        return;
    }
    // A quick second click on a button is a click of its own.
    mousePressEvent(event);
}

void ScheduleEventList::keyPressEvent(QKeyEvent* event)
{
    const QModelIndex current = currentIndex();
    const bool menuKey = event->key() == Qt::Key_Menu
        || (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier);
    if (menuKey) {
        QContextMenuEvent request(QContextMenuEvent::Keyboard, QPoint());
        contextMenuEvent(&request);
        event->setAccepted(request.isAccepted());
        return;
    }
    if (current.isValid() && event->modifiers() == Qt::NoModifier
        && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        emit editRequested(current.row());
        event->accept();
        return;
    }
    QListView::keyPressEvent(event);
}

void ScheduleEventList::contextMenuEvent(QContextMenuEvent* event)
{
    const QModelIndex index = contextMenuRow(*this, *event);
    if (!index.isValid()) {
        event->ignore();
        return;
    }
    QPoint at = event->globalPos();
    if (event->reason() != QContextMenuEvent::Mouse)
        at = viewport()->mapToGlobal(visualRect(index).bottomLeft());
    emit menuRequested(index.row(), at);
    event->accept();
}

} // namespace tessarin
