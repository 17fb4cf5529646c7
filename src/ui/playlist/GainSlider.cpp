#include "ui/playlist/GainSlider.h"

#include "ui/kit/Buttons.h"
#include "ui/kit/Theme.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace tessarin {
namespace {
constexpr double kTrackHeight = 4.0;
constexpr double kKnob = 12.0;
constexpr double kTickHeight = 10.0;
// Below this distance from 0 dB a press lands exactly on unity.
constexpr double kUnitySnap = 0.75;
constexpr double kStep = 0.5;
constexpr double kPageStep = 6.0;
// The track is inset by half a knob on each side, so the knob at either
// end is drawn whole.
constexpr double kInset = GainSlider::kTrackInset;
} // namespace

GainSlider::GainSlider(double lower, double upper, QWidget* parent)
    : QWidget(parent)
    , lower_(lower)
    , upper_(upper)
    , tint_(Theme::accent())
{
    setFixedHeight(16);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setHelp(this, tr("Guadagno della traccia — doppio clic per riportarlo a 0 dB"));
    setFocusPolicy(Qt::StrongFocus);
}

std::optional<double> GainSlider::valueForKey(int key, double value, double lower, double upper)
{
    // Steps land on the step's grid, so a value set by a drag moves to the
    // next whole step, not by a step off the grid.
    const auto stepped = [&](double by) {
        const double from = std::isfinite(value) ? value : lower;
        const double grid = by > 0 ? std::floor(from / kStep + 1e-9) : std::ceil(from / kStep - 1e-9);
        return std::clamp(grid * kStep + by, lower, upper);
    };
    switch (key) {
    case Qt::Key_Right:
    case Qt::Key_Up: return stepped(kStep);
    case Qt::Key_Left:
    case Qt::Key_Down: return stepped(-kStep);
    case Qt::Key_PageUp: return stepped(kPageStep);
    case Qt::Key_PageDown: return stepped(-kPageStep);
    case Qt::Key_Home: return lower;
    case Qt::Key_End: return upper;
    case Qt::Key_0: return std::clamp(0.0, lower, upper);
    default: return std::nullopt;
    }
}

double GainSlider::valueAt(double x, double width, double lower, double upper)
{
    const double w = width <= 1.0 ? 1.0 : width;
    double t = x / w;
    if (!(t >= 0.0)) // negative or not a number
        t = 0.0;
    t = std::min(t, 1.0);
    const double raw = lower + (upper - lower) * t;
    if (std::abs(raw) < kUnitySnap)
        return 0.0;
    return std::round(raw * 2.0) / 2.0; // std::round takes halves away from zero
}

void GainSlider::setValue(double value)
{
    if (value == value_ || (std::isnan(value) && std::isnan(value_)))
        return;
    value_ = value;
    notifyAccessibleValueChanged(this, value_);
    update();
}

QString GainSlider::accessibleValueText() const
{
    if (value_ <= lower_)
        return QStringLiteral("-∞ dB");
    return std::abs(value_) < 0.05 ? QStringLiteral("0 dB") : QString::asprintf("%+.1f dB", value_);
}

void GainSlider::setAccessibleValue(double value)
{
    const double stepped = std::clamp(std::round(value * 2.0) / 2.0, lower_, upper_);
    if (std::isfinite(stepped))
        emit valueEdited(stepped);
}

void GainSlider::setTint(const QColor& tint)
{
    if (tint == tint_)
        return;
    tint_ = tint;
    update();
}

void GainSlider::setDimmed(bool dimmed)
{
    if (dimmed == dimmed_)
        return;
    dimmed_ = dimmed;
    update();
}

double GainSlider::usableWidth() const
{
    const double w = width() - 2 * kInset;
    return w <= 1.0 ? 1.0 : w;
}

double GainSlider::trackX(double widgetX) { return widgetX - kInset; }

void GainSlider::editAt(double x)
{
    emit valueEdited(valueAt(trackX(x), usableWidth(), lower_, upper_));
}

void GainSlider::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    editAt(event->position().x());
}

void GainSlider::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() & Qt::LeftButton)
        editAt(event->position().x());
}

void GainSlider::keyPressEvent(QKeyEvent* event)
{
    // Only plain keys: Alt+Up / Alt+Down and the like belong to the row.
    const auto value = event->modifiers() & ~Qt::KeypadModifier
        ? std::nullopt
        : valueForKey(event->key(), value_, lower_, upper_);
    if (!value)
        return QWidget::keyPressEvent(event);
    if (*value != value_)
        emit valueEdited(*value);
}

void GainSlider::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    update();
}

void GainSlider::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    update();
}

void GainSlider::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        emit valueEdited(0.0);
}

void GainSlider::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(kInset, 0);
    const double w = usableWidth();
    const double cy = height() / 2.0;
    const double span = upper_ - lower_;
    const double f = span != 0.0 ? (value_ - lower_) / span : 0.0;
    const double pos = std::isfinite(f) ? w * f : 0.0;
    const double r = kTrackHeight / 2;

    p.setPen(Qt::NoPen);
    p.setBrush(Theme::black(0.5));
    p.drawRoundedRect(QRectF(0, cy - r, w, kTrackHeight), r, r);

    p.setBrush(dimmed_ ? Theme::textTertiary() : tint_);
    p.drawRoundedRect(QRectF(0, cy - r, std::max(pos, kTrackHeight), kTrackHeight), r, r);

    const double unity = span != 0.0 ? w * (0.0 - lower_) / span : 0.0;
    p.setBrush(Theme::white(0.4));
    p.drawRect(QRectF(unity, cy - kTickHeight / 2, 1.0, kTickHeight));

    const QRectF knob(pos - kKnob / 2, cy - kKnob / 2, kKnob, kKnob);
    p.setBrush(Theme::black(0.25));
    p.drawEllipse(knob.translated(0, 1).adjusted(-1, -1, 1, 1));
    p.setBrush(Theme::black(0.5));
    p.drawEllipse(knob.translated(0, 1));
    p.setBrush(Qt::white);
    p.drawEllipse(knob);
    if (showsFocusRing(this)) {
        p.translate(-kInset, 0);
        paintFocusRing(p, QRectF(rect()).adjusted(1, 1, -1, -1), height() / 2.0 - 1);
    }
}

} // namespace tessarin
