#include "ui/playlist/BlockCardParts.h"

#include "platform/Icons.h"
#include "ui/kit/Buttons.h"
#include "ui/kit/Fills.h"
#include "ui/kit/Theme.h"

#include <QHash>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace tessarin {
namespace {
constexpr double kCardRadius = 10.0;
// The square at each corner of a card that its rounding reaches into.
constexpr int kCornerZone = int(kCardRadius) + 2;
} // namespace

// ---- CardHeader

CardHeader::CardHeader(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CardHeader::setOnAir(bool onAir)
{
    if (onAir == onAir_)
        return;
    onAir_ = onAir;
    update();
}

void CardHeader::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRectF r(rect());
    if (onAir_) {
        p.fillRect(r, Theme::panel());
        p.fillRect(r, Theme::withAlpha(Theme::accent(), 0.14));
    } else {
        p.fillRect(r, Theme::headerFill(r));
    }
}

// ---- DragHandle

DragHandle::DragHandle(QWidget* parent)
    : QWidget(parent)
{
    setFixedSize(18, 24);
    setCursor(Qt::OpenHandCursor);
    setHelp(this, tr("Trascina per riordinare i blocchi"));
}

void DragHandle::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const int s = 12;
    p.drawPixmap(QRect((width() - s) / 2, (height() - s) / 2, s, s),
                 Icons::pixmap(QStringLiteral("line.3.horizontal"), Theme::textTertiary(), s, devicePixelRatioF()));
}

void DragHandle::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    press_.press(event->position().toPoint());
}

void DragHandle::mouseMoveEvent(QMouseEvent* event)
{
    if (press_.becomesDrag(event->position().toPoint(), event->buttons()) && onDragStart)
        onDragStart();
}

void DragHandle::mouseReleaseEvent(QMouseEvent*) { press_.release(); }

// ---- CountCapsule

namespace {
QFont countFont()
{
    QFont f = Theme::font(10, QFont::DemiBold);
    return f;
}
} // namespace

CountCapsule::CountCapsule(QWidget* parent)
    : QWidget(parent)
{
    setFont(countFont());
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setToolTip(tr("Numero di tracce nel blocco"));
}

void CountCapsule::setCount(qsizetype count)
{
    const QString text = QString::number(count);
    if (text == text_)
        return;
    const bool wider = text.size() != text_.size();
    text_ = text;
    setAccessibleName(text);
    if (wider)
        updateGeometry();
    update();
}

QSize CountCapsule::sizeHint() const
{
    const QFontMetrics fm(font());
    return { fm.horizontalAdvance(text_) + 12, fm.height() + 4 };
}

void CountCapsule::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(rect());
    p.setPen(Qt::NoPen);
    p.setBrush(Theme::white(0.08));
    p.drawRoundedRect(r, r.height() / 2, r.height() / 2);
    p.setPen(Theme::textSecondary());
    p.setFont(font());
    p.drawText(rect(), Qt::AlignCenter, text_);
}

// ---- EmptyBlockHint

namespace {
constexpr int kHintPad = 16;
constexpr int kHintIcon = 14;
constexpr int kHintGap = 8;
} // namespace

EmptyBlockHint::EmptyBlockHint(QWidget* parent)
    : QWidget(parent)
{
    setFont(Theme::font(12));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setAccessibleName(tr("Trascina qui file o sorgenti dal browser"));
}

QSize EmptyBlockHint::sizeHint() const
{
    const QFontMetrics fm(font());
    return { 2 * kHintPad + kHintIcon + kHintGap + fm.horizontalAdvance(accessibleName()),
             2 * kHintPad + std::max(kHintIcon, fm.height()) };
}

QSize EmptyBlockHint::minimumSizeHint() const { return { 2 * kHintPad + kHintIcon, sizeHint().height() }; }

void EmptyBlockHint::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const int cy = height() / 2;
    p.drawPixmap(QRect(kHintPad, cy - kHintIcon / 2, kHintIcon, kHintIcon),
                 Icons::pixmap(QStringLiteral("arrow.down.doc"), Theme::textSecondary(), kHintIcon, devicePixelRatioF()));
    const int x = kHintPad + kHintIcon + kHintGap;
    p.setPen(Theme::textSecondary());
    p.setFont(font());
    const QString text = QFontMetrics(font()).elidedText(accessibleName(), Qt::ElideRight, width() - x - kHintPad);
    p.drawText(QRect(x, 0, width() - x, height()), Qt::AlignLeft | Qt::AlignVCenter, text);
}

// ---- CardFrame

CardFrame::CardFrame(QWidget* parent)
    : QWidget(parent)
    , color_(Theme::panelBorder())
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
}

void CardFrame::setBorder(const QColor& color, double width)
{
    if (color == color_ && width == width_)
        return;
    color_ = color;
    width_ = width;
    corners_.forget();
    update();
}

const QImage& CardFrame::corners()
{
    // A card as small as its four corners, drawn once per look: each corner
    // of a card of any size is the same pixels, moved by whole pixels.
    const int side = 2 * kCornerZone;
    return corners_.at(QSize(side, side), devicePixelRatioF(), false, [this](QPainter& p, const QRectF& r) {
        p.setRenderHint(QPainter::Antialiasing);
        // The rect and the card's shape in one path, filled odd-even: what
        // lies outside the rounded corners, with no boolean operation on paths.
        QPainterPath outside;
        outside.setFillRule(Qt::OddEvenFill);
        outside.addRect(r);
        outside.addRoundedRect(r, kCardRadius, kCardRadius);
        p.fillPath(outside, Theme::panel());
        // Stroked inside the edge: the whole line lies within the card.
        const double inset = width_ / 2;
        p.setPen(QPen(color_, width_));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(r.adjusted(inset, inset, -inset, -inset), kCardRadius - inset, kCardRadius - inset);
    });
}

void CardFrame::paintEvent(QPaintEvent* event)
{
    // Straight edges are filled bands and the corners come from a small
    // drawing made once: no shape is rasterised as long as the card, whose
    // fill the raster engine would hand to a thread pool and wait for.
    QPainter p(this);
    const QRect area = event->rect();
    const int c = kCornerZone;
    const int w = int(std::ceil(width_));
    const auto fill = [&](const QRect& band) {
        for (const QRect& slice : paintSlices(band.intersected(area)))
            p.fillRect(slice, color_);
    };
    fill(QRect(0, c, w, height() - 2 * c));
    fill(QRect(width() - w, c, w, height() - 2 * c));
    fill(QRect(c, 0, width() - 2 * c, w));
    fill(QRect(c, height() - w, width() - 2 * c, w));
    const QImage& pieces = corners();
    const QRect quadrants[] = { { 0, 0, c, c }, { c, 0, c, c }, { 0, c, c, c }, { c, c, c, c } };
    const QPoint places[] = { { 0, 0 }, { width() - c, 0 }, { 0, height() - c }, { width() - c, height() - c } };
    for (int i = 0; i < 4; ++i) {
        const QRect target(places[i], quadrants[i].size());
        if (target.intersects(area))
            p.drawImage(target, pieces, QRectF(quadrants[i].topLeft() * pieces.devicePixelRatio(),
                                               quadrants[i].size() * pieces.devicePixelRatio()));
    }
}

} // namespace tessarin
