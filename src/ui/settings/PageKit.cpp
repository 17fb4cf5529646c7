#include "ui/settings/PageKit.h"

#include "ui/kit/Theme.h"

#include <QLabel>
#include <QVBoxLayout>

namespace tessarin::page_kit {

QVBoxLayout* column(QWidget* page, int spacing, int width)
{
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(spacing);
    page->setFixedWidth(width);
    // Wrapped texts make the height depend on the width: the holder asks.
    QSizePolicy policy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    policy.setHeightForWidth(true);
    page->setSizePolicy(policy);
    return layout;
}

QLabel* label(const QString& text, const QFont& font, const QColor& color, bool wrap)
{
    auto* l = new QLabel(text);
    l->setFont(font);
    setColor(l, color);
    l->setTextFormat(Qt::PlainText);
    if (wrap)
        l->setWordWrap(true);
    return l;
}

QLabel* title(const QString& text) { return label(text, Theme::font(13, QFont::Bold), Theme::textPrimary()); }

QLabel* caption(const QString& text) { return label(text, Theme::font(10), Theme::textSecondary(), true); }

QWidget* divider()
{
    auto* rule = new QWidget;
    rule->setFixedHeight(1);
    rule->setAutoFillBackground(true);
    QPalette p = rule->palette();
    p.setColor(QPalette::Window, Theme::white(0.12));
    rule->setPalette(p);
    rule->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    return rule;
}

void setColor(QLabel* label, const QColor& color)
{
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, color);
    p.setColor(QPalette::Disabled, QPalette::WindowText, Theme::withAlpha(color, color.alphaF() * 0.5));
    label->setPalette(p);
}

} // namespace tessarin::page_kit
