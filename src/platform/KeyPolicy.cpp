#include "platform/KeyPolicy.h"

#include <QKeyEvent>
#include <QVariant>
#include <QWidget>

namespace tessarin::key_policy {

namespace {

// A property of the window: it goes when the window goes.
constexpr const char* kProperty = "tessarinKeyPolicy";

} // namespace

void declare(QWidget& window, KeyPolicy policy)
{
    window.setProperty(kProperty, static_cast<int>(policy));
}

std::optional<KeyPolicy> declared(const QWidget* window)
{
    if (!window)
        return std::nullopt;
    const QVariant value = window->property(kProperty);
    if (!value.isValid())
        return std::nullopt;
    return static_cast<KeyPolicy>(value.toInt());
}

KeyPolicy of(const QWidget* widget)
{
    return declared(widget ? widget->window() : nullptr).value_or(KeyPolicy::controlsFirst);
}

bool isControlKey(const QKeyEvent& event)
{
    if (event.modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier))
        return false;
    switch (event.key()) {
    case Qt::Key_Space:
    case Qt::Key_Select:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        return true;
    default:
        return false;
    }
}

} // namespace tessarin::key_policy
