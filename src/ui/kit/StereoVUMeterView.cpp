#include "ui/kit/StereoVUMeterView.h"

#include "engine/AudioLevelTap.h"
#include "ui/kit/Theme.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>

namespace tessarin {
namespace {
constexpr int kAnimationMs = 80;
constexpr double kRadius = 2.0;
} // namespace

VUMeterBar::VUMeterBar(QWidget* parent)
    : QWidget(parent)
    , animation_(new QVariantAnimation(this))
{
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    animation_->setDuration(kAnimationMs);
    animation_->setEasingCurve(QEasingCurve::Linear);
    connect(animation_, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        shown_ = v.toFloat();
        update();
    });
}

void VUMeterBar::setLevel(float level)
{
    if (level == target_)
        return;
    target_ = level;
    animation_->stop();
    if (!isVisible()) {
        shown_ = level;
        return;
    }
    animation_->setStartValue(shown_);
    animation_->setEndValue(level);
    animation_->start();
}

void VUMeterBar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF all(rect());
    QPainterPath clip;
    clip.addRoundedRect(all, kRadius, kRadius);
    p.setClipPath(clip);
    p.fillPath(clip, Theme::black(0.5));
    const double h = all.height() * double(shown_);
    if (h <= 0.0)
        return;
    const QRectF bar(all.left(), all.bottom() - h, all.width(), h);
    QLinearGradient g(bar.bottomLeft(), bar.topLeft());
    g.setColorAt(0.0, Theme::meterLow());
    g.setColorAt(0.5, Theme::meterMid());
    g.setColorAt(1.0, Theme::meterHigh());
    p.fillRect(bar, g);
}

StereoVUMeterView::StereoVUMeterView(std::shared_ptr<AudioLevelTap> levelTap, QWidget* parent)
    : QWidget(parent)
    , tap_(std::move(levelTap))
    , left_(new VUMeterBar(this))
    , right_(new VUMeterBar(this))
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(3);
    row->addWidget(left_, 1);
    row->addWidget(right_, 1);
    if (tap_)
        connect(tap_.get(), &AudioLevelTap::changed, this, &StereoVUMeterView::follow);
    follow();
}

void StereoVUMeterView::follow()
{
    left_->setLevel(tap_ ? tap_->left() : 0.0f);
    right_->setLevel(tap_ ? tap_->right() : 0.0f);
}

} // namespace tessarin
