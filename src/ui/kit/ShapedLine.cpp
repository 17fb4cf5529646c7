#include "ui/kit/ShapedLine.h"

#include <QFontMetrics>
#include <QPainter>
#include <QRect>

#include <cmath>
#include <utility>

namespace tessarin {

bool ShapedLine::Shaping::serves(const QString& t, const QFont& f, int r, Qt::TextElideMode m)
{
    if (shaped.text().isNull() || text != t || font != f || mode != m)
        return false;
    if (room == r)
        return true;
    // The whole text, shaped for more room than it needs, fits any room as
    // wide as itself: measured for a size hint, drawn as it is.
    if (shown == text && width <= r) {
        room = r;
        return true;
    }
    return false;
}

void ShapedLine::Shaping::shape(const QString& t, const QFont& f, int r, Qt::TextElideMode m)
{
    text = t;
    font = f;
    room = r;
    mode = m;
    const QFontMetrics fm(f);
    height = fm.height();
    shaped.setTextFormat(Qt::PlainText);
    shaped.setPerformanceHint(QStaticText::AggressiveCaching);
    shaped.setText(t);
    shaped.prepare(QTransform(), f);
    width = int(std::ceil(shaped.size().width()));
    shown = t;
    if (width > r) {
        shown = fm.elidedText(t, m, std::max(0, r));
        shaped.setText(shown);
        shaped.prepare(QTransform(), f);
        width = int(std::ceil(shaped.size().width()));
    }
}

void ShapedLine::set(const QString& text, const QFont& font, int room, Qt::TextElideMode mode)
{
    if (now_.serves(text, font, room, mode))
        return;
    if (before_ && before_->serves(text, font, room, mode)) {
        std::swap(now_, *before_);
        return;
    }
    if (!now_.shaped.text().isNull()) {
        if (!before_)
            before_ = std::make_unique<Shaping>();
        std::swap(now_, *before_);
    }
    now_.shape(text, font, room, mode);
}

void ShapedLine::draw(QPainter& painter, const QRect& rect, Qt::Alignment alignment) const
{
    if (now_.shown.isEmpty())
        return;
    int x = rect.left();
    if (alignment & Qt::AlignRight)
        x = rect.right() + 1 - now_.width;
    else if (alignment & Qt::AlignHCenter)
        x = rect.left() + (rect.width() - now_.width) / 2;
    int y = rect.top(); // as drawText: at the top unless asked otherwise
    if (alignment & Qt::AlignBottom)
        y = rect.bottom() + 1 - now_.height;
    else if (alignment & Qt::AlignVCenter)
        y = rect.top() + (rect.height() - now_.height) / 2;
    painter.setFont(now_.font);
    painter.drawStaticText(QPointF(x, y), now_.shaped);
}

} // namespace tessarin
