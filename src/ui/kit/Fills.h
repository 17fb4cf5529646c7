#pragma once
// Plain painted areas the views share: a line of one colour (separators,
// 1 point high unless sized otherwise) and the header gradient behind the
// top bar and the columns' headers. Main thread.
#include "ui/kit/KeptPicture.h"

#include <QColor>
#include <QList>
#include <QRect>
#include <QWidget>

namespace tessarin {

// The part of a tall rounded shape's rect r that a paint of area needs: cut
// margin (at least its corner's size and anything drawn around it) above
// and below area, so its corners lie outside area unless they are its own.
// Drawn in place of r under area's clip it paints the same pixels, at the
// cost of its height near area rather than its whole height.
QRectF paintedPart(const QRectF& r, const QRect& area, double margin);

// The raster engine hands a fill of more than about 96 lines to a thread
// pool in pieces of 64 lines and waits for them: for a thin band, or a
// shape its clip leaves a few pixels a line of, waking the pool costs far
// more than the pixels. The slices of area, at most 64 lines each, to paint
// one at a time under their own clip.
QList<QRect> paintSlices(const QRect& area);

class ColorLine : public QWidget {
    Q_OBJECT
public:
    // Theme::panelBorder() by default.
    explicit ColorLine(QWidget* parent = nullptr);
    ColorLine(const QColor& color, QWidget* parent);
    void setColor(const QColor& color);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QColor color_;
};

class HeaderFill : public QWidget {
    Q_OBJECT
public:
    explicit HeaderFill(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    KeptPicture fill_;
};

} // namespace tessarin
