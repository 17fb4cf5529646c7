#include "ui/kit/OnAirBadge.h"

#include "ui/kit/Theme.h"

#include <QEvent>
#include <QPainter>

namespace tessarin {
namespace {
constexpr int kDot = 5;
constexpr int kSpacing = 4;
constexpr int kPadX = 7;
constexpr int kPadY = 3;

QFont badgeFont()
{
    QFont f = Theme::font(9, QFont::ExtraBold);
    f.setLetterSpacing(QFont::AbsoluteSpacing, 0.8);
    return f;
}
} // namespace

OnAirBadge::OnAirBadge(bool isPlaying, QWidget* parent)
    : QWidget(parent)
    , isPlaying_(isPlaying)
{
    setFont(badgeFont());
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAccessibleName(text());
}

void OnAirBadge::setIsPlaying(bool playing)
{
    if (isPlaying_ == playing)
        return;
    isPlaying_ = playing;
    setAccessibleName(text());
    updateGeometry();
    update();
}

QString OnAirBadge::text() const { return isPlaying_ ? tr("ON AIR") : tr("PAUSA"); }

void OnAirBadge::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) {
        setAccessibleName(text());
        updateGeometry();
    }
    QWidget::changeEvent(event);
}

QSize OnAirBadge::sizeHint() const
{
    const QFontMetrics fm(font());
    return { kPadX * 2 + kDot + kSpacing + fm.horizontalAdvance(text()), kPadY * 2 + fm.height() };
}

void OnAirBadge::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect());
    p.setPen(Qt::NoPen);
    p.setBrush(isPlaying_ ? Theme::onAir() : Theme::white(0.1));
    p.drawRoundedRect(r, r.height() / 2, r.height() / 2);
    const QColor fg = isPlaying_ ? QColor(Qt::white) : Theme::textSecondary();
    p.setBrush(fg);
    p.drawEllipse(QRectF(kPadX, (r.height() - kDot) / 2, kDot, kDot));
    p.setPen(fg);
    p.setFont(font());
    p.drawText(QRectF(kPadX + kDot + kSpacing, 0, r.width() - kPadX - kDot - kSpacing, r.height()),
               Qt::AlignLeft | Qt::AlignVCenter, text());
}

} // namespace tessarin
