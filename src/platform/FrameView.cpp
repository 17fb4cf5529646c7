#include "platform/FrameView.h"

#include "platform/BgraView.h"
#include "platform/Compositor.h"

#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QScreen>

#include <cmath>

namespace tessarin {

namespace {
constexpr double kFallbackRate = 60.0;
}

FrameView::FrameView(Clock& clock, QWidget* parent)
    : QWidget(parent)
    , clock_(clock)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
}

FrameView::~FrameView() = default;

void FrameView::setFrameSource(FrameSource source)
{
    source_ = std::move(source);
    refresh();
}

double FrameView::refreshInterval() const
{
    const QScreen* s = screen();
    const double rate = s ? s->refreshRate() : 0.0;
    // Some drivers report 0 or absurd rates; fall back rather than spin.
    if (!std::isfinite(rate) || rate < 1.0 || rate > 1000.0)
        return 1.0 / kFallbackRate;
    return 1.0 / rate;
}

void FrameView::setPlaying(bool playing)
{
    playing_ = playing;
    if (!playing) {
        timer_.reset();
        refresh(); // the picture it stopped on (or black)
        return;
    }
    restartTimer();
    pull();
}

void FrameView::restartTimer()
{
    const double interval = refreshInterval();
    if (timer_ && timer_->isActive() && interval == timerInterval_)
        return;
    timerInterval_ = interval;
    timer_ = clock_.createTimer([this] {
        pull();
        // The widget may have moved to a screen of another rate.
        if (playing_ && refreshInterval() != timerInterval_)
            restartTimer();
    });
    timer_->start(interval);
}

void FrameView::refresh()
{
    pull();
}

bool FrameView::isSamePicture(const QImage& image) const
{
    if (image.isNull() || current_.isNull())
        return image.isNull() && current_.isNull();
    if (image.cacheKey() == current_.cacheKey())
        return true;
    // A frame wrapped anew each time: while current_ holds it, its buffer
    // cannot be handed out again, so the same pixels at the same address
    // are the same frame.
    return image.constBits() == current_.constBits() && image.size() == current_.size()
        && image.format() == current_.format() && image.bytesPerLine() == current_.bytesPerLine();
}

void FrameView::pull()
{
    QImage image = source_ ? source_() : QImage();
    if (isSamePicture(image))
        return;
    current_ = std::move(image);
    scaled_ = QImage();
    update();
}

void FrameView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    // Under a clip of several rects (a view with rounded corners), the
    // raster engine blends a picture span by span on its thread pool and
    // waits for it, waking threads at every frame; under one rect it copies
    // lines. Each rect of the region is painted under its own clip.
    const QRegion& region = event->region();
    if (region.rectCount() <= 1)
        return paintPart(painter, event->rect());
    for (const QRect& part : region) {
        painter.save();
        painter.setClipRect(part);
        paintPart(painter, part);
        painter.restore();
    }
}

void FrameView::paintPart(QPainter& painter, const QRect& part)
{
    if (current_.isNull()) {
        painter.fillRect(part, Qt::black);
        return;
    }
    const double dpr = devicePixelRatioF();
    const QSizeF device(width() * dpr, height() * dpr);
    const QRectF fitted = Compositor::fittedRect(QSizeF(current_.size()), device);
    const QSize size(int(std::lround(fitted.width())), int(std::lround(fitted.height())));
    if (size.isEmpty()) {
        painter.fillRect(part, Qt::black);
        return;
    }
    const QRectF target(fitted.x() / dpr, fitted.y() / dpr, size.width() / dpr, size.height() / dpr);
    // Black only where the picture leaves bars: an opaque picture covers
    // the pixels wholly inside it.
    const QRect inner(QPoint(int(std::ceil(target.left())), int(std::ceil(target.top()))),
                      QPoint(int(std::floor(target.right())) - 1, int(std::floor(target.bottom())) - 1));
    const QRegion black = current_.hasAlphaChannel() || !inner.isValid() ? QRegion(part) : QRegion(part).subtracted(inner);
    for (const QRect& bar : black)
        painter.fillRect(bar, Qt::black);
    if (size == current_.size()) {
        painter.drawImage(target, current_);
        return;
    }
    if (scaled_.isNull() || scaledSize_ != size) {
        QImage source = current_;
        if (source.format() != QImage::Format_ARGB32_Premultiplied && source.format() != QImage::Format_RGB32)
            source = source.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        const BgraView view = BgraView::of(source);
        QImage scaled(size, source.format());
        if (scaled.isNull() || !scaler_.scale(view, scaled.bits(), size.width(), size.height(), int(scaled.bytesPerLine()))) {
            // libswscale refused (a picture of a pixel or two): let Qt scale it.
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.drawImage(target, current_);
            return;
        }
        scaled_ = std::move(scaled);
        scaledSize_ = size;
    }
    painter.drawImage(target, scaled_);
}

} // namespace tessarin
