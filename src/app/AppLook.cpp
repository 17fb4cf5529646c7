#include "app/AppLook.h"

#include "ui/kit/Buttons.h"
#include "ui/kit/Theme.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QPalette>
#include <QProxyStyle>
#include <QScrollArea>
#include <QStyleFactory>
#include <QStyleOption>

namespace tessarin {
namespace {

// A translucent palette colour laid over the window colour, for the roles
// that Qt's styles fill without blending.
QColor over(const QColor& top, const QColor& below)
{
    const double a = top.alphaF();
    return QColor::fromRgbF(float(top.redF() * a + below.redF() * (1 - a)),
                            float(top.greenF() * a + below.greenF() * (1 - a)),
                            float(top.blueF() * a + below.blueF() * (1 - a)));
}

// Fusion, with every button of the application (check boxes, radio and
// tool buttons, Qt's own push buttons) under the kit's keyboard rule: Tab
// reaches it, a mouse click leaves the focus where it was, Return activates
// it once the keyboard brought the focus there. A scroll area is no Tab stop
// of its own (it would show no focus): Tab goes to its controls, and it
// scrolls to the one that takes the focus. A framed text field has a rounded
// border, so that it stands out on any background (Fusion's own outline is a
// darker shade of the window, lost on a dark one); the accent while it has
// the focus. Mnemonics are underlined only while Alt is held (as in Qt's
// other styles and every desktop): the style watches the application's keys
// for it, and repaints the windows when it changes.
class KeyboardStyle final : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    using QProxyStyle::polish;

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_UnderlineShortcut)
            return altHeld_ ? 1 : 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            const auto* key = static_cast<QKeyEvent*>(event);
            // Alt's own press and release, or any key with Alt held.
            setAltHeld(key->key() == Qt::Key_Alt ? event->type() == QEvent::KeyPress
                                                 : key->modifiers().testFlag(Qt::AltModifier));
            break;
        }
        case QEvent::ApplicationStateChange:
            if (QGuiApplication::applicationState() != Qt::ApplicationActive)
                setAltHeld(false);
            break;
        default:
            break;
        }
        return QProxyStyle::eventFilter(watched, event);
    }

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override
    {
        if (element != PE_FrameLineEdit)
            return QProxyStyle::drawPrimitive(element, option, painter, widget);
        constexpr double kRadius = 4.0;
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        const bool focused = option->state & State_HasFocus;
        painter->setPen(QPen(focused ? Theme::accent() : Theme::white(0.2), 1.0));
        painter->setBrush(Qt::NoBrush);
        painter->drawRoundedRect(QRectF(option->rect).adjusted(0.5, 0.5, -0.5, -0.5), kRadius, kRadius);
        painter->restore();
    }

    void polish(QWidget* widget) override
    {
        QProxyStyle::polish(widget);
        auto* button = qobject_cast<QAbstractButton*>(widget);
        if (button && (button->focusPolicy() & Qt::TabFocus))
            useKeyboardFocus(button);
        if (qobject_cast<QScrollArea*>(widget))
            widget->setFocusPolicy(Qt::NoFocus);
    }

private:
    void setAltHeld(bool held)
    {
        if (held == altHeld_)
            return;
        altHeld_ = held;
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->isVisible())
                window->update();
        }
    }

    bool altHeld_ = false;
};

} // namespace

void applyDarkLook(QApplication& app)
{
    auto* style = new KeyboardStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    app.setStyle(style);
    app.installEventFilter(style);
    QPalette p;
    const QColor window = Theme::panel();
    const QColor text = over(Theme::textPrimary(), window);
    const QColor disabledText = over(Theme::textTertiary(), window);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, Theme::rowDark());
    p.setColor(QPalette::AlternateBase, Theme::panelAlt());
    p.setColor(QPalette::ToolTipBase, Theme::panelAlt());
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::PlaceholderText, over(Theme::textSecondary(), window));
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, Theme::panelAlt());
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::BrightText, Qt::white);
    p.setColor(QPalette::Light, Theme::rowLight());
    p.setColor(QPalette::Mid, over(Theme::panelBorder(), window));
    p.setColor(QPalette::Dark, Theme::background());
    // Controls are tinted with the accent colour.
    p.setColor(QPalette::Link, Theme::accent());
    p.setColor(QPalette::Highlight, Theme::accent());
    p.setColor(QPalette::HighlightedText, Qt::black);
    for (auto role : { QPalette::WindowText, QPalette::Text, QPalette::ButtonText })
        p.setColor(QPalette::Disabled, role, disabledText);
    app.setPalette(p);
}

} // namespace tessarin
