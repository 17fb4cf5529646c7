#include "ui/kit/Fills.h"

#include "ui/kit/Theme.h"

#include <QPainter>

#include <algorithm>

namespace tessarin {

ColorLine::ColorLine(QWidget* parent)
    : ColorLine(Theme::panelBorder(), parent)
{
}

ColorLine::ColorLine(const QColor& color, QWidget* parent)
    : QWidget(parent)
    , color_(color)
{
    setFixedHeight(1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void ColorLine::setColor(const QColor& color)
{
    if (color == color_)
        return;
    color_ = color;
    update();
}

void ColorLine::paintEvent(QPaintEvent*)
{
    QPainter(this).fillRect(rect(), color_);
}

HeaderFill::HeaderFill(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void HeaderFill::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawImage(QPointF(0, 0), fill_.at(size(), devicePixelRatioF(), true, [](QPainter& fill, const QRectF& area) {
        fill.fillRect(area, Theme::headerFill(area));
    }));
}

QRectF paintedPart(const QRectF& r, const QRect& area, double margin)
{
    QRectF part = r;
    part.setTop(std::max(r.top(), area.top() - margin));
    part.setBottom(std::min(r.bottom(), area.bottom() + 1 + margin));
    return part.height() > 0 ? part : r;
}

QList<QRect> paintSlices(const QRect& area)
{
    constexpr int kLines = 64;
    QList<QRect> slices;
    for (int top = area.top(); top <= area.bottom(); top += kLines)
        slices.append(QRect(area.left(), top, area.width(), std::min(kLines, area.bottom() + 1 - top)));
    return slices;
}

} // namespace tessarin
