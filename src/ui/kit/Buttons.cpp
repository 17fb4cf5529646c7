#include "ui/kit/Buttons.h"

#include "platform/Icons.h"
#include "ui/kit/Theme.h"

#include <QButtonGroup>
#include <QDialog>
#include <QKeyEvent>
#include <QLayout>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QVariantAnimation>

#include <algorithm>
#include <cmath>
#include <vector>

namespace tessarin {

void setHelp(QWidget* widget, const QString& text)
{
    widget->setToolTip(text);
    widget->setAccessibleName(text);
}

void nameAsOf(QWidget* control, const QString& what, const QString& whose)
{
    const QString name = whose.isEmpty() ? what : QStringLiteral("%1, %2").arg(what, whose);
    if (control && control->accessibleName() != name)
        control->setAccessibleName(name);
}

// ---- Keyboard

namespace {

// Return and keypad Enter click the button they are sent to, when the
// button was reached from the keyboard (not one that merely holds the
// focus its window gave it on opening) and is not in a dialog. A button
// that opens a menu opens it, in a dialog too, as Space does: Return there
// chooses in the menu, it does not confirm the dialog behind.
class ReturnActivation final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
            return false;
        if (key->modifiers() & ~Qt::KeypadModifier)
            return false;
        auto* button = static_cast<QAbstractButton*>(watched);
        if (!showsFocusRing(button))
            return false;
        if (auto* tool = qobject_cast<QToolButton*>(button); tool && tool->menu()) {
            if (tool->isEnabled() && !key->isAutoRepeat())
                QTimer::singleShot(0, tool, &QToolButton::showMenu); // the menu runs its own loop
            return true;
        }
        if (auto* push = qobject_cast<QPushButton*>(button); push && push->menu()) {
            if (push->isEnabled() && !key->isAutoRepeat())
                QTimer::singleShot(0, push, &QPushButton::showMenu);
            return true;
        }
        // In a dialog Return is the dialog's: its default action.
        if (qobject_cast<QDialog*>(button->window()))
            return false;
        if (button->isEnabled() && !key->isAutoRepeat())
            button->animateClick();
        return true;
    }
};

} // namespace

void useKeyboardFocus(QAbstractButton* button)
{
    button->setFocusPolicy(Qt::TabFocus);
    const auto& children = button->children();
    const bool has = std::any_of(children.begin(), children.end(),
                                 [](QObject* child) { return dynamic_cast<ReturnActivation*>(child) != nullptr; });
    if (!has)
        button->installEventFilter(new ReturnActivation(button));
}

bool showsFocusRing(const QWidget* widget)
{
    return widget->hasFocus() && widget->window()->testAttribute(Qt::WA_KeyboardFocusChange);
}

void paintFocusRing(QPainter& painter, const QRectF& shape, qreal radius)
{
    painter.save();
    painter.setOpacity(1.0);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Theme::accent(), 2));
    painter.setBrush(Qt::NoBrush);
    if (radius < 0)
        painter.drawEllipse(shape);
    else
        painter.drawRoundedRect(shape, radius, radius);
    painter.restore();
}

namespace {

void collectTabStops(QWidget* widget, std::vector<QWidget*>& stops);

void collectTabStops(QLayout* layout, std::vector<QWidget*>& stops)
{
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem* item = layout->itemAt(i);
        if (QWidget* widget = item->widget())
            collectTabStops(widget, stops);
        else if (QLayout* inner = item->layout())
            collectTabStops(inner, stops);
    }
}

// A control that takes Tab itself is one stop (its inner parts go with it);
// a container gives its controls in its layout's order, or in their own
// order when it has no layout.
void collectTabStops(QWidget* widget, std::vector<QWidget*>& stops)
{
    if (widget->focusPolicy() & Qt::TabFocus) {
        stops.push_back(widget);
        return;
    }
    if (QLayout* layout = widget->layout()) {
        collectTabStops(layout, stops);
        return;
    }
    for (QWidget* child : widget->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (!child->isWindow())
            collectTabStops(child, stops);
    }
}

} // namespace

namespace {

// Marks a group whose Tab stop follows its checked button.
const char* const kTabStopOnChecked = "tessarinTabStopOnChecked";

void moveTabStop(QButtonGroup* group)
{
    const QList<QAbstractButton*> buttons = group->buttons();
    QAbstractButton* stop = group->checkedButton();
    if (!stop && !buttons.isEmpty())
        stop = buttons.front();
    for (QAbstractButton* b : buttons) {
        const Qt::FocusPolicy policy = b->focusPolicy();
        b->setFocusPolicy(b == stop ? Qt::FocusPolicy(policy | Qt::TabFocus) : Qt::FocusPolicy(policy & ~Qt::TabFocus));
    }
}

// While the Tab order of the widgets under root is set, every button of
// those groups is a stop: they keep their places together, so the order
// holds whichever button is checked later.
class WholeGroups {
public:
    explicit WholeGroups(QObject* root)
    {
        for (QButtonGroup* group : root->findChildren<QButtonGroup*>()) {
            if (!group->property(kTabStopOnChecked).toBool())
                continue;
            groups_.push_back(group);
            for (QAbstractButton* b : group->buttons())
                b->setFocusPolicy(Qt::FocusPolicy(b->focusPolicy() | Qt::TabFocus));
        }
    }
    ~WholeGroups()
    {
        for (QButtonGroup* group : groups_)
            moveTabStop(group);
    }
    WholeGroups(const WholeGroups&) = delete;
    WholeGroups& operator=(const WholeGroups&) = delete;

private:
    std::vector<QButtonGroup*> groups_;
};

} // namespace

void tabStopOnChecked(QButtonGroup* group)
{
    moveTabStop(group);
    if (group->property(kTabStopOnChecked).toBool())
        return; // followed already; called again after buttons were added
    group->setProperty(kTabStopOnChecked, true);
    QObject::connect(group, &QButtonGroup::buttonToggled, group, [group] { moveTabStop(group); });
}

void setGroupTabOrder(QButtonGroup* group, QWidget* first, QWidget* second)
{
    const WholeGroups whole(group->parent() ? group->parent() : group);
    QWidget::setTabOrder(first, second);
}

void placeInTabOrder(QWidget* widget)
{
    const WholeGroups whole(widget->window());
    // The nearest container whose layout holds a Tab stop before the widget
    // gives that stop; the widget's own stops follow it.
    for (QWidget* inner = widget; QWidget* outer = inner->parentWidget(); inner = outer) {
        if (inner->isWindow())
            return;
        std::vector<QWidget*> stops;
        collectTabStops(outer, stops);
        std::vector<QWidget*> own;
        collectTabStops(widget, own);
        if (own.empty())
            return;
        // A container that takes Tab itself (a scroll area) is one stop: the
        // widget's controls come right after it.
        const auto first = std::find_if(stops.begin(), stops.end(),
                                        [&](QWidget* stop) { return stop == own.front() || stop->isAncestorOf(widget); });
        if (first == stops.end() || (first == stops.begin() && *first == own.front()))
            continue;
        QWidget* previous = *first == own.front() ? *(first - 1) : *first;
        for (QWidget* stop : own) {
            QWidget::setTabOrder(previous, stop);
            previous = stop;
        }
        return;
    }
}

void useLayoutTabOrder(QWidget* form)
{
    const WholeGroups whole(form);
    std::vector<QWidget*> stops;
    if (QLayout* layout = form->layout())
        collectTabStops(layout, stops);
    for (std::size_t i = 1; i < stops.size(); ++i)
        QWidget::setTabOrder(stops[i - 1], stops[i]);
}

// ---- PillButton

namespace {
constexpr int kPillFont = 12;
constexpr int kPillPadX = 12;
constexpr int kPillPadY = 5;
constexpr int kPillIconGap = 5;
} // namespace

PillButton::PillButton(const QString& text, PillButtonStyle style, QWidget* parent)
    : QAbstractButton(parent)
    , style_(std::move(style))
{
    setText(text);
    setFont(Theme::font(kPillFont, QFont::Medium));
    setCursor(Qt::PointingHandCursor);
    setAccessibleName(text);
    useKeyboardFocus(this);
}

void PillButton::setStyle(PillButtonStyle style)
{
    style_ = std::move(style);
    update();
}

void PillButton::setSymbol(const QString& symbol)
{
    if (symbol_ == symbol)
        return;
    symbol_ = symbol;
    updateGeometry();
    update();
}

void PillButton::setLabelColor(const QColor& color)
{
    if (labelColor_ == color)
        return;
    labelColor_ = color;
    update();
}

QColor PillButton::labelColor() const
{
    if (labelColor_.isValid())
        return labelColor_;
    return style_.filled ? Theme::black(0.85) : style_.tint;
}

// The symbol's side: a little under the text's height.
static int symbolSide(const QFontMetrics& fm) { return fm.height() - 2; }

QSize PillButton::sizeHint() const
{
    const QFontMetrics fm(font());
    const int iconWidth = !symbol_.isEmpty() ? symbolSide(fm) + kPillIconGap
                                             : (icon().isNull() ? 0 : iconSize().width() + kPillIconGap);
    const int width = std::max(iconWidth + fm.horizontalAdvance(text()), minimumLabelWidth_);
    return { width + 2 * kPillPadX, fm.height() + 2 * kPillPadY };
}

void PillButton::setMinimumLabelWidth(int width)
{
    minimumLabelWidth_ = width;
    updateGeometry();
}

void PillButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setOpacity(isEnabled() ? 1.0 : 0.4);
    // A focused button draws its capsule inside the ring, apart from it
    // even when filled with the ring's colour.
    const bool ring = showsFocusRing(this);
    const qreal inset = ring ? 3.5 : 0.5;
    const QRectF r = QRectF(rect()).adjusted(inset, inset, -inset, -inset);
    const qreal radius = r.height() / 2;
    if (style_.filled) {
        p.setPen(Qt::NoPen);
        p.setBrush(style_.tint);
    } else {
        p.setPen(QPen(Theme::white(0.1), 1));
        p.setBrush(Theme::white(isDown() ? 0.14 : 0.07));
    }
    p.drawRoundedRect(r, radius, radius);
    const QColor fg = labelColor();
    const QFontMetrics fm(font());
    const int textWidth = fm.horizontalAdvance(text());
    const bool hasSymbol = !symbol_.isEmpty();
    const bool hasIcon = hasSymbol || !icon().isNull();
    const QSize is = hasSymbol ? QSize(symbolSide(fm), symbolSide(fm)) : iconSize();
    const int iconWidth = hasIcon ? is.width() : 0;
    const int gap = hasIcon && textWidth ? kPillIconGap : 0;
    int x = (width() - (iconWidth + gap + textWidth)) / 2;
    if (hasIcon) {
        const QRect place(x, (height() - is.height()) / 2, is.width(), is.height());
        if (hasSymbol)
            p.drawPixmap(place, Icons::pixmap(symbol_, fg, is.width(), devicePixelRatioF()));
        else
            icon().paint(&p, place);
        x += iconWidth + gap;
    }
    p.setPen(fg);
    p.setFont(font());
    p.drawText(QRect(x, 0, textWidth + 1, height()), Qt::AlignLeft | Qt::AlignVCenter, text());
    if (ring)
        paintFocusRing(p, QRectF(rect()).adjusted(1, 1, -1, -1), (height() - 2) / 2.0);
}

// ---- IconButton

IconButton::IconButton(const QString& symbol, const QString& help, IconButtonStyle style, QWidget* parent)
    : QAbstractButton(parent)
    , symbol_(symbol)
    , style_(style)
{
    setHelp(this, help);
    setFont(Theme::font(12, QFont::Medium));
    setAttribute(Qt::WA_Hover);
    setFixedSize(style_.size, style_.size);
    useKeyboardFocus(this);
}

void IconButton::setSymbol(const QString& symbol)
{
    if (symbol_ == symbol)
        return;
    symbol_ = symbol;
    update();
}

void IconButton::setGlyphColor(const QColor& color)
{
    if (color == glyph_)
        return;
    glyph_ = color;
    update();
}

QSize IconButton::sizeHint() const { return { style_.size, style_.size }; }

void IconButton::enterEvent(QEnterEvent*)
{
    hovering_ = true;
    update();
}

void IconButton::leaveEvent(QEvent*)
{
    hovering_ = false;
    update();
}

void IconButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setOpacity(isEnabled() ? 1.0 : 0.35);
    const double fill = isDown() ? 0.18 : (hovering_ ? 0.1 : 0.0);
    if (fill > 0) {
        p.setPen(Qt::NoPen);
        p.setBrush(Theme::white(fill));
        p.drawRoundedRect(QRectF(rect()), 6, 6);
    }
    const QColor color = glyph_.isValid() ? glyph_ : palette().color(QPalette::Active, QPalette::ButtonText);
    const int glyph = 14;
    const QPixmap pm = Icons::pixmap(symbol_, color, glyph, devicePixelRatioF());
    p.drawPixmap(QRect((width() - glyph) / 2, (height() - glyph) / 2, glyph, glyph), pm);
    if (showsFocusRing(this))
        paintFocusRing(p, QRectF(rect()).adjusted(1, 1, -1, -1), 6);
}

// ---- TransportButton

TransportButton::TransportButton(const QString& symbol, int glyphSize, TransportButtonStyle style, QWidget* parent)
    : QAbstractButton(parent)
    , symbol_(symbol)
    , glyphSize_(glyphSize)
    , style_(std::move(style))
    , pressAnimation_(new QVariantAnimation(this))
{
    // Room for the disc's shadow around it.
    setFixedSize(sizeHint());
    setCursor(Qt::PointingHandCursor);
    useKeyboardFocus(this);
    pressAnimation_->setDuration(120);
    pressAnimation_->setEasingCurve(QEasingCurve::OutQuad);
    connect(pressAnimation_, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        scale_ = v.toDouble();
        update();
    });
    auto animateTo = [this](double target) {
        pressAnimation_->stop();
        pressAnimation_->setStartValue(scale_);
        pressAnimation_->setEndValue(target);
        pressAnimation_->start();
    };
    connect(this, &QAbstractButton::pressed, this, [animateTo] { animateTo(0.93); });
    connect(this, &QAbstractButton::released, this, [animateTo] { animateTo(1.0); });
}

void TransportButton::setSymbol(const QString& symbol)
{
    if (symbol_ == symbol)
        return;
    symbol_ = symbol;
    update();
}

void TransportButton::setStyle(TransportButtonStyle style)
{
    style_ = std::move(style);
    update();
}

QSize TransportButton::sizeHint() const
{
    const int margin = 12;
    return { style_.size + 2 * margin, style_.size + 2 * margin };
}

namespace {
// Half the side of the disc's pixmap: the disc, its rings and their offset.
qreal discHalfSide(const TransportButtonStyle& style, double scale)
{
    const int blur = style.glow ? 10 : 4;
    return std::ceil((style.size / 2.0 + blur * 0.6 + 2 + 1) * scale * 2) / 2.0;
}
} // namespace

QPixmap TransportButton::disc(QPointF at) const
{
    // The disc and its shadow (a few soft rings standing in for a blur), at
    // the press scale: drawn once per look rather than in every repaint.
    const qreal dpr = devicePixelRatioF();
    if (!disc_.isNull() && discStyle_ == style_ && discScale_ == scale_ && discAt_ == at
        && disc_.devicePixelRatio() == dpr)
        return disc_;
    const qreal r = style_.size / 2.0;
    const int blur = style_.glow ? 10 : 4;
    const int side = int(discHalfSide(style_, scale_) * 2);
    disc_ = QPixmap(QSize(int(std::ceil(side * dpr)), int(std::ceil(side * dpr))));
    disc_.setDevicePixelRatio(dpr);
    disc_.fill(Qt::transparent);
    QPainter p(&disc_);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(side / 2.0 + at.x(), side / 2.0 + at.y());
    p.scale(scale_, scale_);
    const QColor shadow = style_.glow ? Theme::withAlpha(style_.fill, 0.7) : Theme::black(0.35);
    p.setPen(Qt::NoPen);
    for (int i = blur; i > 0; --i) {
        QColor c = shadow;
        c.setAlphaF(float(shadow.alphaF() * (1.0 - double(i) / (blur + 1)) / blur * 2.0));
        p.setBrush(c);
        p.drawEllipse(QPointF(0, 2), r + i * 0.6, r + i * 0.6);
    }
    p.setBrush(style_.fill);
    p.drawEllipse(QPointF(0, 0), r, r);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Theme::white(0.12), 1));
    p.drawEllipse(QPointF(0, 0), r - 0.5, r - 0.5);
    discStyle_ = style_;
    discScale_ = scale_;
    discAt_ = at;
    return disc_;
}

void TransportButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setOpacity(isEnabled() ? 1.0 : 0.35);
    const QPointF centre = QRectF(rect()).center();
    // The disc's pixmap stands on whole pixels; the centre's fraction is
    // drawn into it.
    const qreal half = discHalfSide(style_, scale_);
    const QPointF corner(std::floor(centre.x() - half), std::floor(centre.y() - half));
    p.drawPixmap(corner, disc(centre - corner - QPointF(half, half)));

    p.translate(centre);
    p.scale(scale_, scale_);
    const qreal r = style_.size / 2.0;
    const QPixmap glyph = Icons::pixmap(symbol_, style_.glyph, glyphSize_, devicePixelRatioF());
    p.drawPixmap(QRectF(-glyphSize_ / 2.0, -glyphSize_ / 2.0, glyphSize_, glyphSize_), glyph, QRectF(glyph.rect()));
    if (showsFocusRing(this))
        paintFocusRing(p, QRectF(-r - 3, -r - 3, 2 * r + 6, 2 * r + 6), -1);
}

} // namespace tessarin
