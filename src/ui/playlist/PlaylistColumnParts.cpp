#include "ui/playlist/PlaylistColumnParts.h"

#include "platform/Icons.h"
#include "ui/kit/Fills.h"
#include "ui/kit/Theme.h"
#include "ui/playlist/BlockCardView.h"
#include "ui/playlist/PlaylistDrag.h"

#include <QDragEnterEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>

namespace tessarin {

// ---- CardList

CardList::CardList(QWidget* parent)
    : RowsArea(parent, 10, 10)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    // As high as its cards, and at least as high as the view.
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::MinimumExpanding);
}

void CardList::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    for (const QRect& slice : paintSlices(event->rect())) {
        p.setClipRect(slice);
        p.fillRect(slice, Theme::panel());
        // A soft shadow 2 points below each card: a few widening rings stand
        // in for the blur (radius 10 in accent on air, else 5 in black).
        for (QObject* child : children()) {
            auto* card = qobject_cast<BlockCardView*>(child);
            if (!card || !card->isVisible())
                continue;
            const bool onAir = card->isOnAir();
            const int radius = onAir ? 10 : 5;
            const QRectF r = QRectF(card->geometry()).translated(0, 2);
            if (!slice.intersects(r.adjusted(-radius, -radius, radius, radius).toAlignedRect()))
                continue;
            // The card is opaque over its own rect: the shadow shows only
            // in the strips around it, each drawn under its own clip.
            const QColor base = onAir ? Theme::withAlpha(Theme::accent(), 0.22) : Theme::black(0.3);
            for (const QRect& strip : QRegion(slice).subtracted(QRegion(card->geometry()))) {
                p.setClipRect(strip);
                const QRectF part = paintedPart(r, strip, 10 + 2 * radius + 2);
                QColor c = base;
                c.setAlphaF(float(base.alphaF() / radius));
                p.setBrush(c);
                for (int i = radius; i > 0; --i) {
                    const double grow = i;
                    const QRectF ring = part.adjusted(-grow, -grow, grow, grow);
                    const double corner = 10 + grow;
                    // Between its rounded corners a ring is a plain band, the
                    // same pixels filled as a rect: along a long card no shape
                    // is rasterised for each strip of each page.
                    if (strip.top() >= ring.top() + corner && strip.bottom() + 1 <= ring.bottom() - corner)
                        p.fillRect(ring, c);
                    else
                        p.drawRoundedRect(ring, corner, corner);
                }
            }
        }
    }
}

// ---- SymbolPillButton

namespace {
constexpr int kPillSymbol = 12;
constexpr int kPillGap = 5;
} // namespace

SymbolPillButton::SymbolPillButton(const QString& symbol, const QString& text, PillButtonStyle style, QWidget* parent)
    : PillButton(text, std::move(style), parent)
    , symbol_(symbol)
{
}

QSize SymbolPillButton::sizeHint() const
{
    const QSize base = PillButton::sizeHint();
    return { base.width() + kPillSymbol + kPillGap, base.height() };
}

void SymbolPillButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setOpacity(isEnabled() ? 1.0 : 0.4);
    // Focused, the capsule stands inside the ring of the same colour.
    const bool ring = showsFocusRing(this);
    const qreal inset = ring ? 3.5 : 0.5;
    const QRectF r = QRectF(rect()).adjusted(inset, inset, -inset, -inset);
    p.setPen(Qt::NoPen);
    p.setBrush(isDown() ? style().tint.darker(115) : style().tint);
    p.drawRoundedRect(r, r.height() / 2, r.height() / 2);
    if (ring)
        paintFocusRing(p, QRectF(rect()).adjusted(1, 1, -1, -1), (height() - 2) / 2.0);
    const QColor fg = Theme::black(0.85);
    const QFontMetrics fm(font());
    const int content = kPillSymbol + kPillGap + fm.horizontalAdvance(text());
    const int x = (width() - content) / 2;
    p.drawPixmap(QRect(x, (height() - kPillSymbol) / 2, kPillSymbol, kPillSymbol),
                 Icons::pixmap(symbol_, fg, kPillSymbol, devicePixelRatioF()));
    p.setPen(fg);
    p.setFont(font());
    p.drawText(QRect(x + kPillSymbol + kPillGap, 0, width(), height()), Qt::AlignLeft | Qt::AlignVCenter, text());
}

// ---- DropZone

namespace {
constexpr int kZonePadY = 18;
constexpr int kZonePadX = 12;
constexpr int kZoneIcon = 18;
constexpr int kZoneGap = 4;
} // namespace

DropZone::DropZone(QWidget* parent)
    : QWidget(parent)
{
    setAcceptDrops(true);
    setFont(Theme::font(12));
    setAccessibleName(text());
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

QString DropZone::text() const { return tr("Trascina qui file o sorgenti per creare un nuovo blocco"); }

QRect DropZone::textRect(int width) const
{
    const QRect bound(kZonePadX, 0, std::max(1, width - 2 * kZonePadX), 10000);
    return QFontMetrics(font()).boundingRect(bound, Qt::AlignHCenter | Qt::TextWordWrap, text());
}

int DropZone::heightForWidth(int width) const
{
    return 2 * kZonePadY + kZoneIcon + kZoneGap + textRect(width).height();
}

QSize DropZone::sizeHint() const { return { 300, heightForWidth(300) }; }
QSize DropZone::minimumSizeHint() const { return { 100, heightForWidth(300) }; }

void DropZone::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double line = targeted_ ? 2.0 : 1.0;
    QPen pen(targeted_ ? Theme::accent() : Theme::panelBorder(), line, Qt::CustomDashLine, Qt::FlatCap, Qt::MiterJoin);
    pen.setDashPattern({ 6.0 / line, 6.0 / line }); // dash lengths are in line widths
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const double inset = line / 2;
    p.drawRoundedRect(QRectF(rect()).adjusted(inset, inset, -inset, -inset), 8 - inset, 8 - inset);

    const QColor fg = targeted_ ? Theme::accent() : Theme::textSecondary();
    const int top = kZonePadY;
    p.drawPixmap(QRect((width() - kZoneIcon) / 2, top, kZoneIcon, kZoneIcon),
                 Icons::pixmap(QStringLiteral("plus.rectangle.on.folder"), fg, kZoneIcon, devicePixelRatioF()));
    p.setPen(fg);
    p.setFont(font());
    const QRect text = textRect(width()).translated(0, top + kZoneIcon + kZoneGap);
    p.drawText(QRect(kZonePadX, text.top(), width() - 2 * kZonePadX, text.height()),
               Qt::AlignHCenter | Qt::TextWordWrap, this->text());
}

void DropZone::setTargeted(bool targeted)
{
    if (targeted == targeted_)
        return;
    targeted_ = targeted;
    update();
}

void DropZone::dragEnterEvent(QDragEnterEvent* event) { setTargeted(PlaylistDrag::acceptExternal(*event)); }
void DropZone::dragMoveEvent(QDragMoveEvent* event) { setTargeted(PlaylistDrag::acceptExternal(*event)); }
void DropZone::dragLeaveEvent(QDragLeaveEvent*) { setTargeted(false); }

void DropZone::dropEvent(QDropEvent* event)
{
    setTargeted(false);
    if (!PlaylistDrag::acceptExternal(*event))
        return;
    if (onDrop && event->mimeData())
        onDrop(*event->mimeData());
}

} // namespace tessarin
