#include "ui/kit/DialogFocus.h"

#include <QApplication>
#include <QDialog>
#include <QPointer>

namespace tessarin {

void returnFocusWhenClosed(QDialog* dialog)
{
    QPointer<QWidget> opener = QApplication::focusWidget();
    QWidget* parent = dialog->parentWidget();
    if ((!opener || opener->window() == dialog) && parent)
        opener = parent->window()->focusWidget() ? parent->window()->focusWidget() : parent;
    if (!opener)
        return;
    // Told after the dialog has hidden; the opener is the connection's
    // context, so nothing runs once it is gone.
    QObject::connect(dialog, &QDialog::finished, opener, [opener] {
        if (!opener || !opener->isVisible())
            return;
        QWidget* window = opener->window();
        // Set as the window's focus now: an activation that comes later
        // (from the window system) gives the focus back to it.
        opener->setFocus(Qt::OtherFocusReason);
        if (!window->isActiveWindow())
            window->activateWindow();
    });
}

} // namespace tessarin
