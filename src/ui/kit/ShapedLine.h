#pragma once
// One line of plain text shaped once for a font and a width, cut with an
// ellipsis where it does not fit, and drawn from that shaping: a repaint
// (a row's background changing as it goes on air, a scroll) draws glyphs
// already placed instead of shaping the text twice more (once to cut it,
// once to draw it). Main thread.
#include <QFont>
#include <QStaticText>
#include <QString>

class QPainter;
class QRect;

namespace tessarin {

class ShapedLine {
public:
    // Shapes again only when the text, the font, the room or the mode changed.
    void set(const QString& text, const QFont& font, int room, Qt::TextElideMode mode);
    // The text as drawn: whole, or cut to the room.
    const QString& shown() const { return shown_; }
    // The shown text's advance.
    int width() const { return width_; }
    // Drawn in rect at the alignment given, as QPainter::drawText places it.
    void draw(QPainter& painter, const QRect& rect, Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter) const;

private:
    QString text_;
    QFont font_;
    int room_ = -1;
    Qt::TextElideMode mode_ = Qt::ElideRight;
    QString shown_;
    int width_ = 0;
    int height_ = 0;
    QStaticText shaped_;
};

} // namespace tessarin
