#include "ui/kit/FocusInView.h"

#include <QApplication>
#include <QFocusEvent>
#include <QScrollArea>

namespace tessarin {
namespace {

constexpr int kMarginX = 8;
constexpr int kMarginY = 16;

class FocusInViewFilter final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::FocusIn || !watched->isWidgetType())
            return false;
        switch (static_cast<QFocusEvent*>(event)->reason()) {
        case Qt::TabFocusReason:
        case Qt::BacktabFocusReason:
        case Qt::ShortcutFocusReason:
        case Qt::OtherFocusReason:
            showInScrollAreas(static_cast<QWidget*>(watched));
            break;
        default:
            break; // a click shows what it hit; a window coming back keeps its view
        }
        return false;
    }
};

} // namespace

void showInScrollAreas(QWidget* widget)
{
    if (!widget || widget->isWindow())
        return;
    for (QWidget* up = widget->parentWidget(); up && !up->isWindow(); up = up->parentWidget()) {
        auto* area = qobject_cast<QScrollArea*>(up);
        if (area && area->widget() && area->widget()->isAncestorOf(widget))
            area->ensureWidgetVisible(widget, kMarginX, kMarginY);
    }
}

void keepKeyboardFocusInView()
{
    auto* app = qApp;
    const QString name = QStringLiteral("tessarin.keyboardFocusInView");
    if (!app || app->findChild<QObject*>(name, Qt::FindDirectChildrenOnly))
        return;
    auto* filter = new FocusInViewFilter(app);
    filter->setObjectName(name);
    app->installEventFilter(filter);
}

} // namespace tessarin
