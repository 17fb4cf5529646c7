#include "ui/playlist/WaveformTrimView.h"

#include "media/MediaFile.h"
#include "media/TimecodeFormatter.h"
#include "ui/kit/Accessibility.h"
#include "ui/kit/Buttons.h"
#include "ui/kit/DisplayName.h"
#include "ui/kit/Labels.h"
#include "ui/kit/Theme.h"
#include "ui/playlist/FramePreviewLoader.h"
#include "ui/playlist/FramePreviewBox.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <optional>

namespace tessarin {
namespace {

// The two markers never come closer than this, and IN stays this far from the end.
constexpr double kMinimumLength = MediaFile::minimumPlayLength;
// Below this a duration is not known yet: drawing uses it, drags are ignored.
constexpr double kUnknownDuration = 0.001;
// A marker's step by one frame from the keys: a frame of 25 fps (the item
// does not know its own rate).
constexpr double kKeyFrameSeconds = 1.0 / 25.0;
// The room a focused marker's ring takes on each side of the marker.
constexpr int kRingRoom = 3;

// A marker's time as screen readers say it: to the hundredth, so a step of
// one frame is heard ("00:00:12.04").
QString markerText(double seconds)
{
    if (!std::isfinite(seconds) || seconds < 0)
        seconds = 0;
    const double whole = std::floor(seconds);
    const int hundredths = std::clamp(int(std::lround((seconds - whole) * 100.0)), 0, 99);
    return TimecodeFormatter::string(whole) + QStringLiteral(".%1").arg(hundredths, 2, 10, QLatin1Char('0'));
}

// Where a key moves a marker from value: arrows by one frame (with Shift by
// one second), Page Up/Down by one second, Home and End to the ends (the
// marker's bounds stop it, as they stop a drag); nullopt for other keys.
std::optional<double> markerKeyTarget(const QKeyEvent& event, double value, double duration)
{
    const Qt::KeyboardModifiers mods = event.modifiers() & ~Qt::KeypadModifier;
    const bool shift = mods == Qt::ShiftModifier;
    if (mods != Qt::NoModifier && !shift)
        return std::nullopt;
    const double arrow = shift ? 1.0 : kKeyFrameSeconds;
    switch (event.key()) {
    case Qt::Key_Left: return value - arrow;
    case Qt::Key_Right: return value + arrow;
    case Qt::Key_PageDown: return shift ? std::nullopt : std::optional(value - 1.0);
    case Qt::Key_PageUp: return shift ? std::nullopt : std::optional(value + 1.0);
    case Qt::Key_Home: return shift ? std::nullopt : std::optional(0.0);
    case Qt::Key_End: return shift ? std::nullopt : std::optional(duration);
    default: return std::nullopt;
    }
}

} // namespace

// ---- TrimWaveformArea

// A marker for screen readers and the keyboard: it lies over the drawn
// marker, lets the pointer through to the area and paints only its focus
// ring. Tab reaches it; Left/Right move its point by one frame, with Shift
// and Page Up/Down by one second, Home and End as far as it goes, as a drag
// there does (the same bounds, the same previews).
class TrimWaveformArea::Handle final : public QWidget, public AccessibleValue {
public:
    Handle(TrimWaveformArea* area, bool isIn, const QString& name)
        : QWidget(area)
        , area_(area)
        , isIn_(isIn)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::TabFocus);
        setAccessibleName(name);
    }

    double accessibleMinimum() const override { return 0.0; }
    double accessibleMaximum() const override { return std::max(area_->item_->duration(), 0.0); }
    double accessibleValue() const override { return isIn_ ? area_->item_->inPoint() : area_->effectiveEnd(); }
    double accessibleStep() const override { return kKeyFrameSeconds; }
    QString accessibleValueText() const override { return markerText(accessibleValue()); }
    void setAccessibleValue(double seconds) override { area_->movePoint(isIn_, seconds); }

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        const std::optional<double> target = markerKeyTarget(*event, accessibleValue(), accessibleMaximum());
        if (!target)
            return QWidget::keyPressEvent(event);
        event->accept();
        area_->movePoint(isIn_, *target);
    }
    void focusInEvent(QFocusEvent* event) override
    {
        QWidget::focusInEvent(event);
        update();
    }
    void focusOutEvent(QFocusEvent* event) override
    {
        QWidget::focusOutEvent(event);
        update();
    }
    void paintEvent(QPaintEvent*) override
    {
        if (!showsFocusRing(this))
            return;
        QPainter p(this);
        paintFocusRing(p, QRectF(rect()).adjusted(1, 1, -1, -1), 3);
    }

private:
    TrimWaveformArea* area_;
    bool isIn_;
};

TrimWaveformArea::TrimWaveformArea(std::shared_ptr<MediaFile> item, int height, QWidget* parent)
    : QWidget(parent)
    , item_(std::move(item))
    , inHandle_(new Handle(this, true, tr("Punto IN")))
    , outHandle_(new Handle(this, false, tr("Punto OUT")))
{
    setFixedHeight(height);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setCursor(Qt::SizeHorCursor);
    connect(item_.get(), &MediaFile::waveformChanged, this, qOverload<>(&QWidget::update));
    for (auto signal : { &MediaFile::inPointChanged, &MediaFile::outPointChanged, &MediaFile::durationChanged }) {
        connect(item_.get(), signal, this, [this] {
            update();
            placeHandles();
        });
    }
    placeHandles();
}

QWidget* TrimWaveformArea::inHandle() const { return inHandle_; }
QWidget* TrimWaveformArea::outHandle() const { return outHandle_; }

void TrimWaveformArea::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeHandles();
}

void TrimWaveformArea::placeHandles()
{
    inHandle_->setGeometry(inMarker().toAlignedRect().adjusted(-kRingRoom, 0, kRingRoom, 0));
    outHandle_->setGeometry(outMarker().toAlignedRect().adjusted(-kRingRoom, 0, kRingRoom, 0));
    notifyAccessibleValueChanged(inHandle_, inHandle_->accessibleValue());
    notifyAccessibleValueChanged(outHandle_, outHandle_->accessibleValue());
}

double TrimWaveformArea::drawingDuration() const
{
    const double d = item_->duration();
    return d > kUnknownDuration ? d : kUnknownDuration;
}

double TrimWaveformArea::effectiveEnd() const { return item_->outPoint().value_or(item_->duration()); }

double TrimWaveformArea::xForTime(double seconds) const { return width() * seconds / drawingDuration(); }

QRectF TrimWaveformArea::inMarker() const
{
    return { xForTime(item_->inPoint()) - kHandleWidth / 2.0, 0, double(kHandleWidth), double(height()) };
}

QRectF TrimWaveformArea::outMarker() const
{
    return { xForTime(effectiveEnd()) - kHandleWidth / 2.0, 0, double(kHandleWidth), double(height()) };
}

QRectF TrimWaveformArea::grabZone(double x) const
{
    const double w = std::min<double>(kGrabWidth, width());
    const double left = std::clamp(x - w / 2, 0.0, std::max(0.0, width() - w));
    return { left, 0, w, double(height()) };
}

QRectF TrimWaveformArea::inGrabZone() const { return grabZone(xForTime(item_->inPoint())); }

QRectF TrimWaveformArea::outGrabZone() const { return grabZone(xForTime(effectiveEnd())); }

void TrimWaveformArea::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF area(rect());
    p.fillRect(area, Theme::panelAlt());
    QPainterPath clip;
    clip.addRoundedRect(area, 6, 6);
    p.setClipPath(clip);

    const auto& samples = item_->waveform();
    if (!samples || samples->empty()) {
        // Still being analysed: a quiet arc where the bars will be.
        p.setPen(QPen(Theme::textSecondary(), 2, Qt::SolidLine, Qt::RoundCap));
        const QRectF spinner(area.center().x() - 8, area.center().y() - 8, 16, 16);
        p.drawArc(spinner, 90 * 16, 270 * 16);
    } else {
        const int n = int(samples->size());
        const double spacing = 1.0;
        const double barWidth = std::max(0.0, (area.width() - spacing * (n - 1)) / n);
        p.setPen(Qt::NoPen);
        p.setBrush(Theme::textSecondary());
        for (int i = 0; i < n; ++i) {
            const double sample = std::isfinite((*samples)[size_t(i)]) ? (*samples)[size_t(i)] : 0.0;
            const double h = std::max(area.height() * sample, 2.0);
            const QRectF bar(i * (barWidth + spacing), (area.height() - h) / 2, barWidth, h);
            p.drawRoundedRect(bar, 1, 1);
        }
    }

    const double inX = xForTime(item_->inPoint());
    const double endX = xForTime(effectiveEnd());
    p.fillRect(QRectF(0, 0, std::max(inX, 0.0), area.height()), Theme::black(0.55));
    p.fillRect(QRectF(endX, 0, std::max(area.width() - endX, 0.0), area.height()), Theme::black(0.55));
    p.setPen(Qt::NoPen);
    p.setBrush(Theme::accent());
    p.drawRoundedRect(inMarker(), 2, 2);
    p.setBrush(Theme::cue());
    p.drawRoundedRect(outMarker(), 2, 2);
}

void TrimWaveformArea::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QPointF pos = event->position();
    // Where both take the press, the nearer marker has it; OUT lies over
    // IN, so it has it when they stand at the same place.
    const bool out = outGrabZone().contains(pos);
    const bool in = inGrabZone().contains(pos);
    if (out && in)
        dragging_ = std::abs(pos.x() - xForTime(item_->inPoint())) < std::abs(pos.x() - xForTime(effectiveEnd()))
            ? Marker::in : Marker::out;
    else
        dragging_ = out ? Marker::out : in ? Marker::in : Marker::none;
    pressX_ = pos.x();
    if (dragging_ != Marker::none)
        dragTo(pos.x()); // a click is a drag of one step
}

void TrimWaveformArea::mouseMoveEvent(QMouseEvent* event)
{
    if (dragging_ != Marker::none && (event->buttons() & Qt::LeftButton))
        dragTo(event->position().x());
}

void TrimWaveformArea::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    dragging_ = Marker::none;
    dragStartIn_.reset();
    dragStartOut_.reset();
}

void TrimWaveformArea::dragTo(double pointerX)
{
    // While the length is unknown the markers have no scale to move on:
    // a drag would set points of a tenth of a second.
    if (item_->duration() <= kUnknownDuration || width() <= 0)
        return;
    const double d = drawingDuration();
    const double w = width();
    const bool isIn = dragging_ == Marker::in;
    if (isIn && !dragStartIn_)
        dragStartIn_ = item_->inPoint();
    if (!isIn && !dragStartOut_)
        dragStartOut_ = item_->outPoint().value_or(d);
    const double start = isIn ? *dragStartIn_ : *dragStartOut_;
    const double f = (xForTime(start) + (pointerX - pressX_)) / w;
    movePoint(isIn, !(f >= 0) ? 0.0 : f > 1 ? d : d * f);
}

void TrimWaveformArea::movePoint(bool isIn, double t)
{
    if (item_->duration() <= kUnknownDuration || !std::isfinite(t))
        return;
    const double d = drawingDuration();
    if (isIn) {
        const double end = item_->outPoint().value_or(d);
        const double in = std::min(std::max(t, 0.0), std::max(end - kMinimumLength, 0.0));
        item_->setInPoint(in);
        emit inPointDragged(in);
    } else {
        const double out = std::max(item_->inPoint() + kMinimumLength, std::min(t, d));
        item_->setOutPoint(out);
        emit outPointDragged(out);
    }
}

// ---- WaveformTrimView

namespace {

QWidget* timeColumn(const QString& title, QLabel*& value, const QColor& color, QWidget* parent)
{
    auto* column = new QWidget(parent);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    auto* titleLabel = new QLabel(title, column);
    titleLabel->setFont(Theme::font(10));
    setTextColor(titleLabel, Theme::textSecondary());
    value = new QLabel(column);
    value->setFont(Theme::monoFont(12));
    setTextColor(value, color);
    layout->addWidget(titleLabel);
    layout->addWidget(value);
    return column;
}

} // namespace

WaveformTrimView::WaveformTrimView(std::shared_ptr<MediaFile> item, int waveHeight, QWidget* parent)
    : QWidget(parent)
    , item_(std::move(item))
    , inPreview_(new FramePreviewLoader(this))
    , outPreview_(new FramePreviewLoader(this))
    , area_(new TrimWaveformArea(item_, waveHeight, this))
{
    setFixedWidth(kWidth);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 14, 14, 14);
    layout->setSpacing(10);

    auto* title = new ElidedLabel(itemDisplayName(*item_), Qt::ElideRight, this);
    title->setFont(Theme::font(13, QFont::Bold));
    title->setColor(Theme::textPrimary());
    layout->addWidget(title);

    if (!item_->isAudioOnly()) {
        auto* previews = new QHBoxLayout;
        previews->setSpacing(10);
        previews->addWidget(new FramePreviewBox(inPreview_, QStringLiteral("IN"), Theme::accent(), this), 1);
        previews->addWidget(new FramePreviewBox(outPreview_, QStringLiteral("OUT"), Theme::cue(), this), 1);
        layout->addLayout(previews);
    }
    layout->addWidget(area_);

    auto* times = new QHBoxLayout;
    times->addWidget(timeColumn(QStringLiteral("IN"), inTime_, Theme::accent(), this));
    times->addStretch();
    times->addWidget(timeColumn(tr("Durata"), lengthTime_, Theme::textSecondary(), this));
    times->addStretch();
    times->addWidget(timeColumn(QStringLiteral("OUT"), outTime_, Theme::cue(), this));
    layout->addLayout(times);

    reset_ = new QPushButton(tr("Reimposta punti IN/OUT"), this);
    reset_->setFont(Theme::font(13));
    layout->addWidget(reset_, 0, Qt::AlignLeft);
    connect(reset_, &QPushButton::clicked, this, &WaveformTrimView::reset);

    connect(area_, &TrimWaveformArea::inPointDragged, inPreview_, &FramePreviewLoader::update);
    connect(area_, &TrimWaveformArea::outPointDragged, outPreview_, &FramePreviewLoader::update);
    for (auto signal : { &MediaFile::inPointChanged, &MediaFile::outPointChanged, &MediaFile::durationChanged })
        connect(item_.get(), signal, this, &WaveformTrimView::refreshTimes);
    refreshTimes();

    const QString path = item_->url().toLocalFile();
    inPreview_->prepare(path);
    outPreview_->prepare(path);
    inPreview_->update(item_->inPoint());
    outPreview_->update(item_->outPoint().value_or(item_->duration()));
}

WaveformTrimView::~WaveformTrimView() = default;

void WaveformTrimView::reset()
{
    item_->setInPoint(0);
    item_->setOutPoint(std::nullopt);
    inPreview_->update(0);
    outPreview_->update(item_->duration());
}

void WaveformTrimView::refreshTimes()
{
    const double end = item_->outPoint().value_or(item_->duration());
    inTime_->setText(TimecodeFormatter::string(item_->inPoint()));
    lengthTime_->setText(TimecodeFormatter::string(std::max(end - item_->inPoint(), 0.0)));
    outTime_->setText(TimecodeFormatter::string(end));
}

QString WaveformTrimView::inText() const { return inTime_->text(); }
QString WaveformTrimView::lengthText() const { return lengthTime_->text(); }
QString WaveformTrimView::outText() const { return outTime_->text(); }

} // namespace tessarin
