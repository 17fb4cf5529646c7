#include "ui/kit/ShapedLine.h"

#include <QFontMetrics>
#include <QPainter>
#include <QRect>

#include <cmath>

namespace tessarin {

void ShapedLine::set(const QString& text, const QFont& font, int room, Qt::TextElideMode mode)
{
    if (text_ == text && font_ == font && mode_ == mode && !shaped_.text().isNull()) {
        if (room_ == room)
            return;
        // The whole text, shaped for more room than it needs, fits any room
        // as wide as itself: measured for a size hint, drawn as it is.
        if (shown_ == text_ && width_ <= room) {
            room_ = room;
            return;
        }
    }
    text_ = text;
    font_ = font;
    room_ = room;
    mode_ = mode;
    const QFontMetrics fm(font);
    height_ = fm.height();
    shaped_.setTextFormat(Qt::PlainText);
    shaped_.setPerformanceHint(QStaticText::AggressiveCaching);
    shaped_.setText(text);
    shaped_.prepare(QTransform(), font);
    width_ = int(std::ceil(shaped_.size().width()));
    shown_ = text;
    if (width_ > room) {
        shown_ = fm.elidedText(text, mode, std::max(0, room));
        shaped_.setText(shown_);
        shaped_.prepare(QTransform(), font);
        width_ = int(std::ceil(shaped_.size().width()));
    }
}

void ShapedLine::draw(QPainter& painter, const QRect& rect, Qt::Alignment alignment) const
{
    if (shown_.isEmpty())
        return;
    int x = rect.left();
    if (alignment & Qt::AlignRight)
        x = rect.right() + 1 - width_;
    else if (alignment & Qt::AlignHCenter)
        x = rect.left() + (rect.width() - width_) / 2;
    int y = rect.top(); // as drawText: at the top unless asked otherwise
    if (alignment & Qt::AlignBottom)
        y = rect.bottom() + 1 - height_;
    else if (alignment & Qt::AlignVCenter)
        y = rect.top() + (rect.height() - height_) / 2;
    painter.setFont(font_);
    painter.drawStaticText(QPointF(x, y), shaped_);
}

} // namespace tessarin
