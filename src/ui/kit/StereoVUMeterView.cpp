#include "ui/kit/StereoVUMeterView.h"

#include "engine/AudioLevelTap.h"
#include "platform/Clock.h"
#include "ui/kit/Theme.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace tessarin {
namespace {
constexpr double kRadius = 2.0;
} // namespace

VUMeterBar::VUMeterBar(QWidget* parent)
    : QWidget(parent)
    , background_(Theme::background())
{
    // Opaque: a level step repaints the bar alone, never what lies behind it.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void VUMeterBar::setBackground(const QColor& color)
{
    background_ = color;
    update();
}

int VUMeterBar::topFor(float level) const
{
    return height() - int(std::lround(height() * double(std::clamp(level, 0.0f, 1.0f))));
}

void VUMeterBar::setShownLevel(float level)
{
    if (level == shown_)
        return;
    const int oldTop = topFor(shown_);
    const int newTop = topFor(level);
    shown_ = level;
    if (oldTop == newTop)
        return;
    // The band that changed, with a pixel either side for antialiasing and
    // the rounded corners at the ends.
    const int top = std::min(oldTop, newTop) - 3;
    const int bottom = std::max(oldTop, newTop) + 3;
    update(QRect(0, top, width(), bottom - top));
}

void VUMeterBar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), background_);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF all(rect());
    p.setPen(Qt::NoPen);
    p.setBrush(Theme::black(0.5));
    p.drawRoundedRect(all, kRadius, kRadius);
    const double h = all.height() * double(std::clamp(shown_, 0.0f, 1.0f));
    if (h <= 0.0)
        return;
    // The gradient runs over the bar's own height: green at its foot, red at its top.
    const QRectF bar(all.left(), all.bottom() - h, all.width(), h);
    QLinearGradient g(bar.bottomLeft(), bar.topLeft());
    g.setColorAt(0.0, Theme::meterLow());
    g.setColorAt(0.5, Theme::meterMid());
    g.setColorAt(1.0, Theme::meterHigh());
    p.setBrush(g);
    QPainterPath clip;
    clip.addRoundedRect(all, kRadius, kRadius);
    QPainterPath column;
    column.addRect(bar);
    p.drawPath(clip.intersected(column));
}

StereoVUMeterView::StereoVUMeterView(std::shared_ptr<AudioLevelTap> levelTap, Clock& clock, QWidget* parent)
    : QWidget(parent)
    , tap_(std::move(levelTap))
    , clock_(clock)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(3);
    for (Ease& ease : bars_) {
        ease.bar = new VUMeterBar(this);
        row->addWidget(ease.bar, 1);
    }
    timer_ = clock_.createTimer([this] { step(); });
    if (tap_)
        connect(tap_.get(), &AudioLevelTap::changed, this, &StereoVUMeterView::follow);
    follow();
}

StereoVUMeterView::~StereoVUMeterView() = default;

void StereoVUMeterView::setBackground(const QColor& color)
{
    for (Ease& ease : bars_)
        ease.bar->setBackground(color);
}

void StereoVUMeterView::follow()
{
    const float levels[2] = { tap_ ? tap_->left() : 0.0f, tap_ ? tap_->right() : 0.0f };
    const double now = clock_.now();
    bool moving = false;
    for (int i = 0; i < 2; ++i) {
        Ease& ease = bars_[i];
        if (levels[i] != ease.target) {
            ease.from = ease.bar->shownLevel();
            ease.target = levels[i];
            ease.start = now;
        }
        moving = moving || ease.bar->shownLevel() != ease.target;
    }
    if (moving && !timer_->isActive())
        timer_->start(kStepSeconds);
}

void StereoVUMeterView::step()
{
    const double now = clock_.now();
    bool moving = false;
    for (Ease& ease : bars_) {
        const double t = std::clamp((now - ease.start) / kEaseSeconds, 0.0, 1.0);
        ease.bar->setShownLevel(t >= 1.0 ? ease.target : float(ease.from + (ease.target - ease.from) * t));
        moving = moving || t < 1.0;
    }
    if (!moving)
        timer_->stop();
}

} // namespace tessarin
