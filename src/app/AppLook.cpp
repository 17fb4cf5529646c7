#include "app/AppLook.h"

#include <QApplication>
#include <QPalette>
#include <QStyleFactory>

namespace tessarin {

void applyDarkLook(QApplication& app)
{
    app.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QPalette p;
    const QColor window(0x1e, 0x1f, 0x22);
    const QColor base(0x16, 0x17, 0x19);
    const QColor button(0x2b, 0x2d, 0x31);
    const QColor text(235, 235, 235);
    const QColor disabledText(120, 120, 120);
    const QColor highlight(0x2f, 0x6f, 0xeb);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, window);
    p.setColor(QPalette::ToolTipBase, button);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::PlaceholderText, disabledText);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, button);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::BrightText, Qt::white);
    p.setColor(QPalette::Link, highlight.lighter(130));
    p.setColor(QPalette::Highlight, highlight);
    p.setColor(QPalette::HighlightedText, Qt::white);
    for (auto role : { QPalette::WindowText, QPalette::Text, QPalette::ButtonText })
        p.setColor(QPalette::Disabled, role, disabledText);
    app.setPalette(p);
}

} // namespace tessarin
