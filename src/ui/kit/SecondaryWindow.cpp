#include "ui/kit/SecondaryWindow.h"

#include <QAction>
#include <QKeySequence>
#include <QWidget>

namespace tessarin::secondary_window {

void closeWithCtrlW(QWidget& window)
{
    auto* close = new QAction(&window);
    close->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
    close->setShortcutContext(Qt::WindowShortcut);
    window.addAction(close);
    QObject::connect(close, &QAction::triggered, &window, &QWidget::close);
}

QWidget* focusFirstControl(QWidget& container)
{
    // The focus chain is the Tab order; a widget that takes Tab and can be
    // focused now (shown, enabled) is a control. Its focus proxy (a radio
    // group's checked option) is where Tab would land.
    for (QWidget* w = container.nextInFocusChain(); w && w != &container; w = w->nextInFocusChain()) {
        if (!container.isAncestorOf(w))
            continue;
        if (!(w->focusPolicy() & Qt::TabFocus) || !w->isVisibleTo(container.window()) || !w->isEnabled())
            continue;
        w->setFocus(Qt::TabFocusReason);
        return w->focusWidget() ? w->focusWidget() : w;
    }
    return nullptr;
}

} // namespace tessarin::secondary_window
