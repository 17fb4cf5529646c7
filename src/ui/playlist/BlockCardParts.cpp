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

RowsArea::RowsArea(QWidget* parent, int margin, int spacing)
    : QWidget(parent)
    , margin_(margin)
    , spacing_(spacing)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

int RowsArea::heightOf(const Place& place) const
{
    if (!place.row)
        return place.height;
    const int w = width() - 2 * margin_;
    if (w > 0 && place.row->hasHeightForWidth())
        return place.row->heightForWidth(w);
    return place.row->sizeHint().height();
}

void RowsArea::setPlaces(std::vector<Place> places)
{
    places_ = std::move(places);
    for (const Place& place : places_) {
        if (place.row && place.row->isHidden())
            place.row->show();
    }
    keepChildrenInOrder();
    placeFrom(0);
}

void RowsArea::setRow(int index, QWidget* row)
{
    places_[std::size_t(index)].row = row;
    // Among the children, just before the next row shown, or last.
    QWidget* next = nullptr;
    for (std::size_t i = std::size_t(index) + 1; i < places_.size() && !next; ++i)
        next = places_[i].row;
    if (next)
        row->stackUnder(next);
    else
        row->raise();
    row->show();
    placeFrom(index);
    keepTabOrder(index);
}

namespace {

// The controls Tab reaches in a compound just made, in their Tab order: they
// follow it in the focus chain, as made.
QList<QWidget*> tabStops(QWidget* compound)
{
    QList<QWidget*> stops;
    for (QWidget* w = compound->nextInFocusChain(); w != compound && compound->isAncestorOf(w); w = w->nextInFocusChain()) {
        if (w->focusPolicy() & Qt::TabFocus)
            stops.append(w);
    }
    return stops;
}

// The last control Tab reaches in a compound placed before (its controls
// stand together in the focus chain), or null when it has none.
QWidget* lastTabStop(QWidget* compound)
{
    QWidget* last = nullptr;
    for (QWidget* child : compound->findChildren<QWidget*>()) {
        if (child->focusPolicy() & Qt::TabFocus) {
            last = child;
            break;
        }
    }
    if (!last)
        return nullptr;
    for (QWidget* w = last->nextInFocusChain(); w != last && compound->isAncestorOf(w); w = w->nextInFocusChain()) {
        if (w->focusPolicy() & Qt::TabFocus)
            last = w;
    }
    return last;
}

} // namespace

void RowsArea::keepTabOrder(int index)
{
    QWidget* after = tabStart_;
    for (int i = index - 1; i >= 0; --i) {
        QWidget* before = places_[std::size_t(i)].row;
        if (QWidget* last = before ? lastTabStop(before) : nullptr) {
            after = last;
            break;
        }
    }
    if (!after)
        return;
    for (QWidget* stop : tabStops(places_[std::size_t(index)].row)) {
        QWidget::setTabOrder(after, stop);
        after = stop;
    }
}

void RowsArea::takeRow(int index)
{
    Place& place = places_[std::size_t(index)];
    if (!place.row)
        return;
    place.row = nullptr;
    if (std::size_t(index) < heights_.size())
        place.height = heights_[std::size_t(index)];
}

void RowsArea::setPlaceHeight(int index, int height)
{
    Place& place = places_[std::size_t(index)];
    if (place.height == height)
        return;
    place.height = height;
    if (!place.row)
        placeFrom(index);
}

void RowsArea::keepChildrenInOrder()
{
    QHash<const QObject*, int> at;
    for (int i = 0; i < int(places_.size()); ++i) {
        if (places_[std::size_t(i)].row)
            at.insert(places_[std::size_t(i)].row, i);
    }
    int previous = -1;
    for (const QObject* child : children()) {
        const auto it = at.constFind(child);
        if (it == at.constEnd())
            continue;
        if (*it < previous) {
            for (const Place& place : places_) {
                if (place.row)
                    place.row->raise();
            }
            return;
        }
        previous = *it;
    }
}

QRect RowsArea::placeRect(int index) const
{
    if (index < 0 || index >= int(tops_.size()))
        return {};
    return { margin_, tops_[std::size_t(index)], width() - 2 * margin_, heights_[std::size_t(index)] };
}

void RowsArea::placeFrom(int first)
{
    const std::size_t n = places_.size();
    tops_.resize(n);
    heights_.resize(n, 0);
    int y = first > 0 ? tops_[std::size_t(first - 1)] + heights_[std::size_t(first - 1)] + spacing_ : margin_;
    const int w = width() - 2 * margin_;
    bool moved = false;
    for (std::size_t i = std::size_t(std::max(first, 0)); i < n; ++i) {
        const Place& place = places_[i];
        const int height = heightOf(place);
        moved = moved || height != heights_[i] || y != tops_[i];
        heights_[i] = height;
        tops_[i] = y;
        // Before the area has its width, rows wait for it to be placed once.
        if (place.row && w > 0) {
            const QRect r(margin_, y, w, heights_[i]);
            if (place.row->geometry() != r)
                place.row->setGeometry(r);
        }
        y += heights_[i] + spacing_;
    }
    y += margin_ - (n > 0 ? spacing_ : 0);
    if (y != total_) {
        total_ = y;
        moved = true;
        updateGeometry(); // the card grows or shrinks
    }
    if (moved && onPlaced)
        onPlaced();
}

bool RowsArea::event(QEvent* event)
{
    // A row's size hint changed: the rows below it move, nothing more.
    if (event->type() == QEvent::LayoutRequest) {
        placeFrom(0);
        return true;
    }
    return QWidget::event(event);
}

void RowsArea::resizeEvent(QResizeEvent*)
{
    placeFrom(0);
}

} // namespace tessarin
