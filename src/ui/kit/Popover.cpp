#include "ui/kit/Popover.h"

#include "platform/Compositing.h"
#include "platform/KeyPolicy.h"
#include "ui/kit/SecondaryWindow.h"
#include "ui/kit/Theme.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

namespace tessarin {
namespace {
constexpr int kArrow = 8;    // the arrow's height
constexpr int kRadius = 10;
constexpr int kMargin = 1;   // inside the border
constexpr int kScreenGap = 4;
} // namespace

Popover::Popover(QWidget* content, QWidget* parent)
    : QWidget(parent, Qt::Popup | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint)
    , content_(content)
{
    setAttribute(Qt::WA_TranslucentBackground);
    key_policy::declare(*this, KeyPolicy::controlsFirst);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kMargin, kMargin + kArrow, kMargin, kMargin);
    // The window follows its content's size both ways: a line that comes
    // and goes (an error under a stream) leaves it as tall as before.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(content_);
}

void Popover::showFor(QWidget* anchor)
{
    anchor_ = anchor;
    // Screen readers name it as the control that opened it, unless it has a
    // name of its own.
    if (anchor && (accessibleName().isEmpty() || namedByAnchor_)) {
        namedByAnchor_ = true;
        setAccessibleName(anchor->accessibleName());
    }
    adjustSize();
    place();
    // Where no compositing manager blends the translucent window, its
    // transparent corners would show black: the window takes the bubble's
    // shape instead, drawn without antialiasing so no edge pixel is half
    // black either.
    masked_ = !Compositing::blendsTranslucentWindows();
    updateShape();
    show();
    raise();
    activateWindow();
    // The focus on the first control, never on the content's container:
    // typed text reaches a field and Tab goes on from there.
    if (!secondary_window::focusFirstControl(*content_))
        content_->setFocus(Qt::PopupFocusReason);
}

void Popover::place()
{
    if (!anchor_)
        return;
    const QRect a(anchor_->mapToGlobal(QPoint(0, 0)), anchor_->size());
    QScreen* screen = anchor_->screen() ? anchor_->screen() : QGuiApplication::primaryScreen();
    const QRect avail = screen ? screen->availableGeometry() : QRect(0, 0, 4096, 4096);
    const QSize s = sizeHint();
    arrowUp_ = a.bottom() + s.height() <= avail.bottom() || a.top() - s.height() < avail.top();
    layout()->setContentsMargins(kMargin, kMargin + (arrowUp_ ? kArrow : 0), kMargin, kMargin + (arrowUp_ ? 0 : kArrow));
    adjustSize();
    const QSize size = this->size();
    int x = a.center().x() - size.width() / 2;
    x = std::clamp(x, avail.left() + kScreenGap, std::max(avail.left() + kScreenGap, avail.right() - kScreenGap - size.width()));
    const int y = arrowUp_ ? a.bottom() + 1 : a.top() - size.height();
    move(x, y);
    arrowX_ = std::clamp(a.center().x() - x, kRadius + kArrow, std::max(kRadius + kArrow, size.width() - kRadius - kArrow));
}

QPainterPath Popover::bubble() const
{
    const QRectF body = QRectF(rect()).adjusted(0.5, arrowUp_ ? kArrow + 0.5 : 0.5, -0.5, arrowUp_ ? -0.5 : -kArrow - 0.5);
    QPainterPath path;
    path.addRoundedRect(body, kRadius, kRadius);
    QPainterPath arrow;
    if (arrowUp_) {
        arrow.moveTo(arrowX_ - kArrow, body.top() + 1);
        arrow.lineTo(arrowX_, body.top() - kArrow);
        arrow.lineTo(arrowX_ + kArrow, body.top() + 1);
    } else {
        arrow.moveTo(arrowX_ - kArrow, body.bottom() - 1);
        arrow.lineTo(arrowX_, body.bottom() + kArrow);
        arrow.lineTo(arrowX_ + kArrow, body.bottom() - 1);
    }
    arrow.closeSubpath();
    return path.united(arrow);
}

void Popover::updateShape()
{
    if (masked_)
        setMask(QRegion(bubble().toFillPolygon().toPolygon(), Qt::WindingFill));
    else
        clearMask();
}

void Popover::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // Still pointing at its anchor, from above or below, at its new size.
    if (isVisible() && !placing_) {
        placing_ = true;
        place();
        placing_ = false;
    }
    updateShape();
}

void Popover::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, !masked_);
    p.setPen(QPen(Theme::white(0.12), 1));
    p.setBrush(Theme::panelAlt());
    p.drawPath(bubble());
}

void Popover::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        hide();
        return;
    }
    QWidget::keyPressEvent(event);
}

void Popover::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    emit closed();
}

} // namespace tessarin
