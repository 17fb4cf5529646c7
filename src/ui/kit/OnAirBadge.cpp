#include "ui/kit/OnAirBadge.h"

#include "ui/kit/ShapedLine.h"
#include "ui/kit/Theme.h"

#include <QEvent>
#include <QPainter>

#include <limits>

namespace tessarin {
namespace {
constexpr int kDot = 5;
constexpr int kSpacing = 4;
constexpr int kPadX = 7;
constexpr int kPadY = 3;

// The capsules' small spaced capitals, made once per weight and kept to the
// end (never destroyed after the application).
const QFont& capsuleFont(QFont::Weight weight)
{
    const auto make = [](QFont::Weight w) {
        auto* f = new QFont(Theme::font(9, w));
        f->setLetterSpacing(QFont::AbsoluteSpacing, 0.8);
        return f;
    };
    static const QFont* badge = make(QFont::ExtraBold);
    static const QFont* cue = make(QFont::Black);
    return weight == QFont::Black ? *cue : *badge;
}

const QFont& badgeFont() { return capsuleFont(QFont::ExtraBold); }
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

QString OnAirBadge::text() const { return text(isPlaying_); }

QString OnAirBadge::text(bool isPlaying) { return isPlaying ? tr("ON AIR") : tr("PAUSA"); }

QSize OnAirBadge::sizeFor(bool isPlaying)
{
    // Measured once per text: the language can change while running.
    static QString measured[2];
    static int widths[2] = { 0, 0 };
    const QString t = text(isPlaying);
    const QFontMetrics fm(badgeFont());
    if (measured[isPlaying] != t) {
        measured[isPlaying] = t;
        widths[isPlaying] = fm.horizontalAdvance(t);
    }
    return { kPadX * 2 + kDot + kSpacing + widths[isPlaying], kPadY * 2 + fm.height() };
}

void OnAirBadge::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) {
        setAccessibleName(text());
        updateGeometry();
    }
    QWidget::changeEvent(event);
}

QSize OnAirBadge::sizeHint() const { return sizeFor(isPlaying_); }

void OnAirBadge::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    paint(p, QRectF(rect()), isPlaying_);
}

void OnAirBadge::paint(QPainter& p, const QRectF& r, bool isPlaying)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(isPlaying ? Theme::onAir() : Theme::white(0.1));
    p.drawRoundedRect(r, r.height() / 2, r.height() / 2);
    const QColor fg = isPlaying ? QColor(Qt::white) : Theme::textSecondary();
    p.setBrush(fg);
    p.drawEllipse(QRectF(r.left() + kPadX, r.top() + (r.height() - kDot) / 2, kDot, kDot));
    p.setPen(fg);
    // Shaped once per text and kept to the end, like the font.
    static ShapedLine* const lines = new ShapedLine[2];
    ShapedLine& line = lines[isPlaying ? 1 : 0];
    line.set(text(isPlaying), badgeFont(), std::numeric_limits<int>::max(), Qt::ElideNone);
    line.draw(p, QRectF(r.left() + kPadX + kDot + kSpacing, r.top(), r.width() - kPadX - kDot - kSpacing, r.height())
                     .toAlignedRect());
    p.restore();
}

QSize CueCapsule::size()
{
    // "CUE" in every language: measured once.
    static const QSize measured = [] {
        const QFontMetrics fm(capsuleFont(QFont::Black));
        return QSize(fm.horizontalAdvance(QStringLiteral("CUE")) + 14, fm.height() + 6);
    }();
    return measured;
}

void CueCapsule::paint(QPainter& p, const QRectF& r)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(Theme::cue());
    p.drawRoundedRect(r, r.height() / 2, r.height() / 2);
    p.setPen(Theme::black(0.85));
    p.setFont(capsuleFont(QFont::Black));
    p.drawText(r, Qt::AlignCenter, QStringLiteral("CUE"));
    p.restore();
}

} // namespace tessarin
