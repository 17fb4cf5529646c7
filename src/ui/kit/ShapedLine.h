#pragma once
// One line of plain text shaped once for a font and a width, cut with an
// ellipsis where it does not fit, and drawn from that shaping: a repaint
// (a row's background changing as it goes on air, a scroll) draws glyphs
// already placed instead of shaping the text twice more (once to cut it,
// once to draw it). The shaping before the last one is kept too: a line
// that goes back and forth between two looks (a row's name in bold while on
// air, regular after) is shaped once for each. Main thread.
#include <QFont>
#include <QGlyphRun>
#include <QList>
#include <QString>

#include <memory>

class QPainter;
class QRect;

namespace tessarin {

class ShapedLine {
public:
    // Shapes again only when the text, the font, the room or the mode is
    // neither the last one's nor the one's before.
    void set(const QString& text, const QFont& font, int room, Qt::TextElideMode mode);
    // The text as drawn: whole, or cut to the room.
    const QString& shown() const { return now_.shown; }
    // The shown text's width, rounded up: where alignment places it.
    int width() const { return now_.width; }
    // The shown text's advance rounded as QFontMetrics::horizontalAdvance
    // rounds it: what a size hint asks.
    int advance() const { return now_.advance; }
    // Drawn in rect at the alignment given, as QPainter::drawText places it.
    void draw(QPainter& painter, const QRect& rect, Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter) const;

private:
    struct Shaping {
        QString text;
        QFont font;
        int room = -1;
        Qt::TextElideMode mode = Qt::ElideRight;
        QString shown;
        int width = 0;
        int advance = 0;
        int height = 0;
        bool isShaped = false;
        QList<QGlyphRun> runs; // the shown text's glyphs, placed from the top left
        // Whether this shaping draws text in room as asked; takes the room
        // on when it does.
        bool serves(const QString& text, const QFont& font, int room, Qt::TextElideMode mode);
        void shape(const QString& text, const QFont& font, int room, Qt::TextElideMode mode);
        void layOut(const QString& line, const QFont& font);
    };
    Shaping now_;
    std::unique_ptr<Shaping> before_; // made when a second shaping is
};

} // namespace tessarin
