#include "ui/settings/StatusDot.h"

#include <QPainter>

namespace tessarin {

StatusDot::StatusDot(int diameter, QWidget* parent)
    : QWidget(parent)
{
    setFixedSize(diameter, diameter);
}

void StatusDot::setColor(const QColor& color)
{
    if (color_ == color)
        return;
    color_ = color;
    update();
}

void StatusDot::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(color_);
    p.drawEllipse(QRectF(rect()));
}

} // namespace tessarin
