#include "ui/kit/TextFieldDrops.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace tessarin {
namespace {

// Sees every widget's Polish event, which comes before the widget is first
// shown, so no field is ever a drop target on screen.
class TextFieldDropRule : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Polish && watched->isWidgetType()) {
            auto* widget = static_cast<QWidget*>(watched);
            if (isTextField(*widget)) {
                widget->setAcceptDrops(false);
                // A text edit takes drops in its viewport.
                if (auto* area = qobject_cast<QAbstractScrollArea*>(widget))
                    area->viewport()->setAcceptDrops(false);
            }
        }
        return false;
    }
};

} // namespace

bool isTextField(const QWidget& widget)
{
    // A spin box's or date edit's own text is its QLineEdit child; the box
    // is listed too, in case a style ever makes it a drop target itself.
    return qobject_cast<const QLineEdit*>(&widget) || qobject_cast<const QTextEdit*>(&widget)
        || qobject_cast<const QPlainTextEdit*>(&widget) || qobject_cast<const QAbstractSpinBox*>(&widget);
}

void installTextFieldDropRule(QApplication& app)
{
    static const char* const installed = "tessarinTextFieldDropRule";
    if (app.property(installed).toBool())
        return;
    app.setProperty(installed, true);
    app.installEventFilter(new TextFieldDropRule(&app));
}

} // namespace tessarin
