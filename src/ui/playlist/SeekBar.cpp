#include "ui/playlist/SeekBar.h"

#include "media/TimecodeFormatter.h"
#include "ui/kit/Buttons.h"
#include "ui/kit/Theme.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>

#include <algorithm>
#include <cmath>

namespace tessarin {

namespace {
constexpr double kTrackHeight = 6;
constexpr double kActiveTrackHeight = 8;
constexpr double kKnob = 16;
constexpr double kReadoutLift = 24;     // read-out centre above the bar's centre
constexpr double kReadoutHalfWidth = 28;
constexpr int kReadoutPadX = 6;
constexpr int kReadoutPadY = 2;
constexpr double kDisabledOpacity = 0.55;

void fillCapsule(QPainter& p, const QRectF& r, const QBrush& brush)
{
    if (r.width() <= 0 || r.height() <= 0)
        return;
    const double radius = std::min(r.width(), r.height()) / 2;
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    p.fillPath(path, brush);
}
} // namespace

// The time above the pointer. It belongs to the bar's window so it can stand
// above the bar (over the monitor) and lets every click through.
class SeekBar::Readout : public QWidget {
public:
    explicit Readout(QWidget* parent)
        : QWidget(parent)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_TranslucentBackground);
        setFont(Theme::monoFont(11, QFont::Medium));
        hide();
    }
    void setText(const QString& text)
    {
        if (text == text_)
            return;
        text_ = text;
        resize(sizeHint());
        update();
    }
    QSize sizeHint() const override
    {
        const QFontMetrics fm(font());
        return { fm.horizontalAdvance(text_) + 2 * kReadoutPadX, fm.height() + 2 * kReadoutPadY };
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath path;
        path.addRoundedRect(QRectF(rect()), 5, 5);
        p.fillPath(path, Theme::black(0.85));
        p.setPen(Theme::textPrimary());
        p.drawText(rect(), Qt::AlignCenter, text_);
    }

private:
    QString text_;
};

SeekBar::SeekBar(QWidget* parent)
    : QWidget(parent)
    , activeAnimation_(new QVariantAnimation(this))
{
    setFixedHeight(kHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setMouseTracking(true);
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::TabFocus);
    setAccessibleName(tr("Posizione nella traccia"));
    activeAnimation_->setDuration(120);
    activeAnimation_->setEasingCurve(QEasingCurve::OutQuad);
    connect(activeAnimation_, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        activeLevel_ = v.toDouble();
        update();
    });
    stateChanged();
}

SeekBar::~SeekBar()
{
    delete readout_;
}

void SeekBar::setProgress(double progress)
{
    if (!std::isfinite(progress))
        progress = 0;
    if (progress == progress_)
        return;
    progress_ = progress;
    // Screen readers hear of a move the operator asked for (a key, their
    // own setting) once it has landed, never of playback's progress: a
    // reader on the bar would read the position out every second.
    if (spokenTarget_ && std::abs(accessibleValue() - *spokenTarget_) < kLandedSeconds) {
        spokenTarget_.reset();
        notifyAccessibleValueChanged(this, accessibleValue());
    }
    if (!dragFraction_)
        update();
}

QString SeekBar::accessibleValueText() const { return TimecodeFormatter::string(accessibleValue()); }

void SeekBar::setAccessibleValue(double seconds)
{
    if (seekEnabled_ && duration_ > 0) {
        spokenTarget_ = std::clamp(seconds, 0.0, duration_);
        emit seekRequested(std::clamp(seconds / duration_, 0.0, 1.0), true);
    }
}

void SeekBar::setDuration(double seconds)
{
    if (seconds == duration_)
        return;
    duration_ = seconds;
    stateChanged();
}

void SeekBar::setSeekEnabled(bool enabled)
{
    if (enabled == seekEnabled_)
        return;
    seekEnabled_ = enabled;
    stateChanged();
}

bool SeekBar::isActive() const
{
    return seekEnabled_ && (hoverFraction_ || dragFraction_);
}

double SeekBar::shownFraction() const
{
    return dragFraction_ ? *dragFraction_ : progress_;
}

double SeekBar::workingWidth() const
{
    return std::max(double(width()), 1.0);
}

double SeekBar::shareAt(double x) const
{
    return std::clamp(x / workingWidth(), 0.0, 1.0);
}

QString SeekBar::readoutText() const
{
    const auto p = dragFraction_ ? dragFraction_ : hoverFraction_;
    if (!seekEnabled_ || !(duration_ > 0) || !p)
        return {};
    return TimecodeFormatter::string(duration_ * *p);
}

QRect SeekBar::readoutRect() const
{
    const auto p = dragFraction_ ? dragFraction_ : hoverFraction_;
    if (!readout_ || readoutText().isEmpty() || !p)
        return {};
    const double w = workingWidth();
    const double x = std::min(std::max(w * *p - kReadoutHalfWidth, 0.0), w - 2 * kReadoutHalfWidth);
    const QSize size = readout_->sizeHint();
    const double centreY = height() / 2.0 - kReadoutLift;
    return { int(std::lround(x)), int(std::lround(centreY - size.height() / 2.0)), size.width(), size.height() };
}

void SeekBar::stateChanged()
{
    // Named whether or not it can seek; the help only while it can.
    setToolTip(seekEnabled_ ? tr("Clicca o trascina per spostarti nella traccia") : QString());
    setAccessibleDescription(toolTip());
    const bool active = isActive();
    if (active != wasActive_) {
        wasActive_ = active;
        activeAnimation_->stop();
        activeAnimation_->setStartValue(activeLevel_);
        activeAnimation_->setEndValue(active ? 1.0 : 0.0);
        activeAnimation_->start();
    }
    placeReadout();
    update();
}

void SeekBar::placeReadout()
{
    const QString text = readoutText();
    if (text.isEmpty() || !isVisible()) {
        if (readout_)
            readout_->hide();
        return;
    }
    QWidget* host = window();
    if (!readout_ || readout_->parentWidget() != host) {
        delete readout_;
        readout_ = new Readout(host);
        // The read-out is placed in the window: it must follow the bar when
        // the column around it moves (the cue bar comes or goes).
        for (QWidget* w = parentWidget(); w && w != host; w = w->parentWidget())
            w->installEventFilter(this);
    }
    readout_->setText(text);
    const QRect r = readoutRect();
    readout_->move(mapTo(host, r.topLeft()));
    readout_->show();
    readout_->raise();
}

void SeekBar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setOpacity(seekEnabled_ ? 1.0 : kDisabledOpacity);
    const double w = workingWidth();
    const double trackHeight = kTrackHeight + (kActiveTrackHeight - kTrackHeight) * activeLevel_;
    const double top = (height() - trackHeight) / 2.0;
    fillCapsule(p, QRectF(0, top, w, trackHeight), Theme::panelAlt());

    const double filled = std::max(w * shownFraction(), 0.0);
    QLinearGradient gradient(0, 0, std::max(filled, 1.0), 0);
    gradient.setColorAt(0, Theme::withAlpha(Theme::accent(), 0.75));
    gradient.setColorAt(1, Theme::accent());
    fillCapsule(p, QRectF(0, top, filled, trackHeight), gradient);

    if (isActive() || activeLevel_ > 0) {
        const double x = std::min(std::max(filled - kKnob / 2, 0.0), w - kKnob);
        const QRectF knob(x, (height() - kKnob) / 2.0, kKnob, kKnob);
        p.setOpacity(p.opacity() * activeLevel_);
        // A soft shadow: black at 0.5 spread over a radius of 3, one point down.
        for (int i = 3; i >= 1; --i) {
            p.setBrush(Theme::black(0.5 / 3));
            p.setPen(Qt::NoPen);
            p.drawEllipse(knob.translated(0, 1).adjusted(-i * 0.6, -i * 0.6, i * 0.6, i * 0.6));
        }
        p.setBrush(Qt::white);
        p.drawEllipse(knob);
    }
    if (showsFocusRing(this)) {
        p.setOpacity(1.0);
        paintFocusRing(p, QRectF(rect()).adjusted(1, 1, -1, -1), height() / 2.0 - 1);
    }
}

void SeekBar::keyPressEvent(QKeyEvent* event)
{
    constexpr double kStep = 1.0;
    constexpr double kPage = 10.0;
    double seconds = 0;
    if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
        switch (event->key()) {
        case Qt::Key_Left: seconds = -kStep; break;
        case Qt::Key_Right: seconds = kStep; break;
        case Qt::Key_PageDown: seconds = -kPage; break;
        case Qt::Key_PageUp: seconds = kPage; break;
        default: break;
        }
    }
    if (seconds == 0)
        return QWidget::keyPressEvent(event);
    event->accept();
    if (seekEnabled_) {
        spokenTarget_ = std::clamp(accessibleValue() + seconds, 0.0, accessibleMaximum());
        emit jumpRequested(seconds);
    }
}

void SeekBar::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    update();
}

void SeekBar::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    update();
}

void SeekBar::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    dragging_ = true;
    if (!seekEnabled_)
        return;
    const double f = shareAt(event->position().x());
    dragFraction_ = f;
    stateChanged();
    emit seekRequested(f, false);
}

void SeekBar::mouseMoveEvent(QMouseEvent* event)
{
    const double f = shareAt(event->position().x());
    if (rect().contains(event->position().toPoint()))
        hoverFraction_ = f;
    if (dragging_ && seekEnabled_) {
        dragFraction_ = f;
        stateChanged();
        emit seekRequested(f, false);
        return;
    }
    stateChanged();
}

void SeekBar::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !dragging_)
        return QWidget::mouseReleaseEvent(event);
    dragging_ = false;
    const bool seeks = seekEnabled_;
    const double f = shareAt(event->position().x());
    // The drag ends whatever happened meanwhile: a bar that was switched off
    // mid-drag must not keep showing the pointer's share for ever.
    dragFraction_.reset();
    if (!rect().contains(event->position().toPoint()))
        hoverFraction_.reset();
    stateChanged();
    if (seeks)
        emit seekRequested(f, true);
}

void SeekBar::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    hoverFraction_.reset();
    stateChanged();
}

void SeekBar::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    placeReadout();
}

void SeekBar::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeReadout();
}

bool SeekBar::eventFilter(QObject* watched, QEvent* event)
{
    if ((event->type() == QEvent::Move || event->type() == QEvent::Resize) && readout_ && readout_->isVisible())
        placeReadout();
    return QWidget::eventFilter(watched, event);
}

void SeekBar::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    if (readout_)
        readout_->hide();
}

} // namespace tessarin
