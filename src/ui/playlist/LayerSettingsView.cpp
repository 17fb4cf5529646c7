#include "ui/playlist/LayerSettingsView.h"

#include "engine/OverlayLayer.h"
#include "ui/kit/Accessibility.h"
#include "ui/kit/Buttons.h"
#include "ui/kit/Controls.h"
#include "ui/kit/Labels.h"
#include "ui/kit/Theme.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <optional>
#include <limits>

namespace tessarin {
namespace {

struct SliderSpec {
    ValueRange range;
    bool signedText;
};

// Opacity, size, position X, position Y.
constexpr SliderSpec kSliders[4] = { { OverlayLayer::opacityRange, false }, { OverlayLayer::scaleRange, false },
                                     { OverlayLayer::offsetRange, true }, { OverlayLayer::offsetRange, true } };

// value x 100 truncated toward zero, when it is a number that fits.
std::optional<long long> percent(double value)
{
    const double scaled = std::trunc(value * 100.0);
    if (!std::isfinite(scaled) || std::fabs(scaled) > 1e15)
        return std::nullopt;
    return static_cast<long long>(scaled);
}

int sliderPosition(double value, const SliderSpec& spec)
{
    if (!std::isfinite(value))
        return 0;
    const double f = std::clamp((value - spec.range.lower) / (spec.range.upper - spec.range.lower), 0.0, 1.0);
    return int(std::lround(f * LayerSettingsView::kSliderSteps));
}

double sliderValue(int position, const SliderSpec& spec)
{
    return spec.range.lower + (spec.range.upper - spec.range.lower) * double(position) / LayerSettingsView::kSliderSteps;
}

// A layer's slider as screen readers take it: its value in per cent of the
// layer's value (0 to 100 for the opacity, not the slider's steps), read as
// the popover shows it, set as a drag sets it.
class PercentSlider final : public QSlider, public AccessibleValue {
public:
    PercentSlider(const SliderSpec& spec, QWidget* parent)
        : QSlider(Qt::Horizontal, parent)
        , spec_(spec)
    {
        setRange(0, LayerSettingsView::kSliderSteps);
        connect(this, &QSlider::valueChanged, this, [this] { notifyAccessibleValueChanged(this, accessibleValue()); });
    }
    double accessibleMinimum() const override { return spec_.range.lower * 100.0; }
    double accessibleMaximum() const override { return spec_.range.upper * 100.0; }
    double accessibleValue() const override { return sliderValue(value(), spec_) * 100.0; }
    double accessibleStep() const override { return (accessibleMaximum() - accessibleMinimum()) / maximum(); }
    QString accessibleValueText() const override
    {
        const double v = sliderValue(value(), spec_);
        return spec_.signedText ? LayerSettingsView::signedPercentText(v) : LayerSettingsView::percentText(v);
    }
    void setAccessibleValue(double value) override { setValue(tessarin::sliderPosition(value / 100.0, spec_)); }

private:
    SliderSpec spec_;
};

double layerValue(const OverlayLayer& layer, int row)
{
    switch (row) {
    case 0: return layer.opacity();
    case 1: return layer.scale();
    case 2: return layer.offsetX();
    default: return layer.offsetY();
    }
}

void setLayerValue(OverlayLayer& layer, int row, double value)
{
    switch (row) {
    case 0: layer.setOpacity(value); break;
    case 1: layer.setScale(value); break;
    case 2: layer.setOffsetX(value); break;
    default: layer.setOffsetY(value); break;
    }
}

} // namespace

QString LayerSettingsView::percentText(double value)
{
    const auto p = percent(value);
    return p ? QStringLiteral("%1%").arg(*p) : QStringLiteral("—");
}

QString LayerSettingsView::signedPercentText(double value)
{
    const auto p = percent(value);
    if (!p)
        return QStringLiteral("—");
    return QStringLiteral("%1%2%").arg(*p < 0 ? QStringLiteral("-") : QStringLiteral("+")).arg(std::llabs(*p));
}

LayerSettingsView::LayerSettingsView(std::shared_ptr<OverlayLayer> layer, QWidget* parent)
    : QWidget(parent)
    , layer_(std::move(layer))
{
    setFixedWidth(kWidth);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(14);

    auto* title = new QLabel(layer_->title(), this);
    title->setFont(Theme::font(13, QFont::Bold));
    layout->addWidget(title);

    const QString labels[4] = { tr("Opacità"), tr("Dimensione"), tr("Posizione X"), tr("Posizione Y") };
    for (int row = 0; row < 4; ++row) {
        auto* box = new QVBoxLayout;
        box->setSpacing(2);
        auto* header = new QHBoxLayout;
        auto* label = new QLabel(labels[row], this);
        label->setFont(Theme::font(11));
        values_[row] = new QLabel(this);
        values_[row]->setFont(Theme::monoFont(11));
        setTextColor(values_[row], Theme::textSecondary());
        header->addWidget(label);
        header->addStretch();
        header->addWidget(values_[row]);
        auto* slider = new PercentSlider(kSliders[row], this);
        slider->setAccessibleName(labels[row]);
        sliders_[row] = slider;
        box->addLayout(header);
        box->addWidget(slider);
        layout->addLayout(box);
        connect(slider, &QSlider::valueChanged, this, [this, row](int position) {
            if (writing_)
                return;
            setLayerValue(*layer_, row, sliderValue(position, kSliders[row]));
        });
    }

    loopSection_ = new QWidget(this);
    auto* loopLayout = new QVBoxLayout(loopSection_);
    loopLayout->setContentsMargins(0, 0, 0, 0);
    loopLayout->setSpacing(14);
    auto* divider = new QFrame(loopSection_);
    divider->setFrameShape(QFrame::HLine);
    divider->setFixedHeight(1);
    divider->setStyleSheet(QStringLiteral("background: %1; border: none;").arg(Theme::panelBorder().name(QColor::HexArgb)));
    auto* loopRow = new QHBoxLayout;
    const QString loopText = tr("Ripeti in loop");
    auto* loopLabel = new QLabel(loopText, loopSection_);
    loopLabel->setFont(Theme::font(13));
    loop_ = new SwitchButton(loopText, loopSection_);
    setHelp(loop_, tr("Se spento, il video si ferma sull'ultimo fotogramma"));
    loopLabel->setToolTip(loop_->toolTip());
    loopRow->addWidget(loopLabel);
    loopRow->addStretch();
    loopRow->addWidget(loop_);
    loopLayout->addWidget(divider);
    loopLayout->addLayout(loopRow);
    layout->addWidget(loopSection_);
    connect(loop_, &QAbstractButton::toggled, this, [this](bool on) {
        if (!writing_)
            layer_->setLoops(on);
    });

    auto* resetRow = new QHBoxLayout;
    resetRow->addStretch();
    auto* reset = new QPushButton(tr("Ripristina"), this);
    reset->setFlat(true);
    reset_ = reset;
    resetRow->addWidget(reset);
    layout->addLayout(resetRow);
    connect(reset, &QPushButton::clicked, this, [this] { layer_->resetTransform(); });

    connect(layer_.get(), &OverlayLayer::changed, this, &LayerSettingsView::refresh);
    refresh();
}

QString LayerSettingsView::valueText(int row) const { return values_[row]->text(); }

void LayerSettingsView::refresh()
{
    writing_ = true;
    for (int row = 0; row < 4; ++row) {
        const double value = layerValue(*layer_, row);
        // A slider being dragged stays where the pointer is.
        if (!sliders_[row]->isSliderDown())
            sliders_[row]->setValue(sliderPosition(value, kSliders[row]));
        values_[row]->setText(kSliders[row].signedText ? signedPercentText(value) : percentText(value));
    }
    loopSection_->setVisible(layer_->player() != nullptr);
    loop_->setChecked(layer_->loops());
    writing_ = false;
    adjustSize();
}

// ---- CheckerboardView

CheckerboardView::CheckerboardView(QWidget* parent)
    : QWidget(parent)
{
}

void CheckerboardView::paint(QPainter& painter, const QRectF& rect)
{
    if (rect.width() <= 0 || rect.height() <= 0)
        return;
    const int rows = int(std::ceil(rect.height() / kCell));
    const int columns = int(std::ceil(rect.width() / kCell));
    const QColor light = Theme::checkerLight();
    const QColor dark = Theme::checkerDark();
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c)
            painter.fillRect(QRectF(rect.left() + c * kCell, rect.top() + r * kCell, kCell, kCell), (r + c) % 2 ? dark : light);
    }
}

void CheckerboardView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    paint(p, QRectF(rect()));
}

} // namespace tessarin
