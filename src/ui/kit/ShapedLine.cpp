#include "ui/kit/ShapedLine.h"

#include <QFontMetrics>
#include <QPainter>
#include <QRect>
#include <QTextLayout>

#include <cmath>
#include <limits>
#include <utility>

namespace tessarin {

bool ShapedLine::Shaping::serves(const QString& t, const QFont& f, int r, Qt::TextElideMode m)
{
    if (!isShaped || text != t || font != f || mode != m)
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

void ShapedLine::Shaping::layOut(const QString& line, const QFont& f)
{
    // Laid out as a static text lays out a line (leading included, from the
    // top left), so the glyphs land where drawText would put them.
    QTextLayout layout(line, f);
    layout.setCacheEnabled(true);
    layout.beginLayout();
    QTextLine only = layout.createLine();
    if (only.isValid()) {
        only.setLeadingIncluded(true);
        only.setLineWidth(std::numeric_limits<int>::max() / 256.0);
        only.setPosition(QPointF(0, 0));
    }
    layout.endLayout();
    runs = layout.glyphRuns();
    // The text's ink may reach past its advance (an italic, a last "f"):
    // alignment keeps room for it, a size hint asks the advance alone.
    const qreal natural = only.isValid() ? only.naturalTextWidth() : 0.0;
    width = int(std::ceil(natural));
    advance = only.isValid() ? qRound(only.horizontalAdvance()) : 0;
}

void ShapedLine::Shaping::shape(const QString& t, const QFont& f, int r, Qt::TextElideMode m)
{
    text = t;
    font = f;
    room = r;
    mode = m;
    isShaped = true;
    const QFontMetrics fm(f);
    height = fm.height();
    shown = t;
    layOut(t, f);
    if (width > r) {
        shown = fm.elidedText(t, m, std::max(0, r));
        layOut(shown, f);
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
    if (now_.isShaped) {
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
    for (const QGlyphRun& run : now_.runs)
        painter.drawGlyphRun(QPointF(x, y), run);
}

} // namespace tessarin
