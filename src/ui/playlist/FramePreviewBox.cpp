#include "ui/playlist/FramePreviewBox.h"

#include "ui/kit/Theme.h"
#include "ui/playlist/FramePreviewLoader.h"

#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>

namespace tessarin {
namespace {
constexpr int kLabelGap = 4;
constexpr int kLabelFont = 10;
} // namespace

FramePreviewBox::FramePreviewBox(FramePreviewLoader* loader, const QString& label, const QColor& color, QWidget* parent)
    : QWidget(parent)
    , loader_(loader)
    , label_(label)
    , color_(color)
    , spin_(new QVariantAnimation(this))
{
    setFont(Theme::font(kLabelFont, QFont::Bold));
    setFixedHeight(kBoxHeight + kLabelGap + QFontMetrics(font()).height());
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAccessibleName(label);
    spin_->setStartValue(0.0);
    spin_->setEndValue(360.0);
    spin_->setDuration(1000);
    spin_->setLoopCount(-1);
    connect(spin_, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        angle_ = v.toDouble();
        update(0, 0, width(), kBoxHeight);
    });
    connect(loader_, &FramePreviewLoader::imageChanged, this, &FramePreviewBox::followLoader);
    followLoader();
}

void FramePreviewBox::hideEvent(QHideEvent*)
{
    spin_->stop(); // no timer runs for a box nobody sees
}

void FramePreviewBox::followLoader()
{
    const bool waiting = (!loader_ || loader_->image().isNull()) && isVisible();
    if (waiting && spin_->state() != QAbstractAnimation::Running)
        spin_->start();
    else if (!waiting)
        spin_->stop();
    update();
}

void FramePreviewBox::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF box(0, 0, width(), kBoxHeight);
    QPainterPath shape;
    shape.addRoundedRect(box, 6, 6);
    p.save();
    p.setClipPath(shape);
    p.fillRect(box, Qt::black);
    const QImage image = loader_ ? loader_->image() : QImage();
    if (!image.isNull()) {
        const QSizeF fitted = QSizeF(image.size()).scaled(box.size(), Qt::KeepAspectRatio);
        const QRectF target(box.center().x() - fitted.width() / 2, box.center().y() - fitted.height() / 2,
                            fitted.width(), fitted.height());
        p.drawImage(target, image);
    } else {
        p.setPen(QPen(Theme::textSecondary(), 2, Qt::SolidLine, Qt::RoundCap));
        const QRectF spinner(box.center().x() - 8, box.center().y() - 8, 16, 16);
        p.drawArc(spinner, int(-angle_ * 16), 270 * 16);
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(color_, 2));
    p.drawRoundedRect(box.adjusted(1, 1, -1, -1), 5, 5);
    p.restore();
    p.setPen(color_);
    p.setFont(font());
    p.drawText(QRectF(0, kBoxHeight + kLabelGap, width(), height() - kBoxHeight - kLabelGap), Qt::AlignHCenter | Qt::AlignTop,
               label_);
}

} // namespace tessarin
