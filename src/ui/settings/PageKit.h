#pragma once
// The pieces every settings page is made of: the page's own padded column
// of fixed width, its headline title, and labels in the interface's fonts
// and colours. Main thread.
#include <QColor>
#include <QFont>
#include <QString>

class QLabel;
class QVBoxLayout;
class QWidget;

namespace tessarin::page_kit {

// Lays page out as a vertical column padded 16 on every side, spacing
// apart, page width wide in all (padding included), as tall as its content.
QVBoxLayout* column(QWidget* page, int spacing, int width);
// A label in font and colour; wrapping ones grow downwards, never wider.
QLabel* label(const QString& text, const QFont& font, const QColor& color, bool wrap = false);
// The page's title: headline font, primary text colour.
QLabel* title(const QString& text);
// A wrapping explanation: caption font, secondary colour.
QLabel* caption(const QString& text);
// A thin horizontal rule.
QWidget* divider();
// Recolours a label made by label().
void setColor(QLabel* label, const QColor& color);

} // namespace tessarin::page_kit
