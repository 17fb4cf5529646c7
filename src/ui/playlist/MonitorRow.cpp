#include "ui/playlist/MonitorRow.h"

#include "engine/MonitorView.h"
#include "engine/PlaylistEngine.h"
#include "ui/kit/StereoVUMeterView.h"
#include "ui/kit/Theme.h"

#include <QPainter>
#include <QPaintEvent>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace tessarin {
namespace {
constexpr double kRadius = 8.0;
constexpr int kShadowRadius = 12;
constexpr int kFrameWidth = 2;
} // namespace

MonitorRow::MonitorRow(PlaylistEngine& engine, Clock& clock, QWidget* parent)
    : QWidget(parent)
    , engine_(engine)
    , monitor_(new MonitorView(engine, true, clock, this))
    , meter_(new StereoVUMeterView(engine.levelMeter(), clock, this))
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    // The frame shows whether the program runs: a stop and a start within
    // one change (the next item on air) leave it as it was drawn.
    connect(&engine_, &PlaylistEngine::isPlayingChanged, this, [this] {
        if (engine_.isPlaying() != drawnPlaying_)
            update();
    });
}

QRect MonitorRow::monitorRect(const QSize& size)
{
    const int availableWidth = std::max(0, size.width() - kMeterWidth - kSpacing);
    int w = availableWidth;
    int h = int(std::floor(w * 9.0 / 16.0));
    if (h > size.height()) {
        h = size.height();
        w = int(std::floor(h * 16.0 / 9.0));
    }
    const int groupWidth = w + kSpacing + kMeterWidth;
    const int x = (size.width() - groupWidth) / 2;
    const int y = (size.height() - h) / 2;
    return { x, y, w, h };
}

void MonitorRow::place()
{
    // The frame is stroked on the inside of the monitor's shape. Rather than
    // a stroke laid over every picture, the picture sits inside the frame's
    // width, its corners cut by a mask, and the row draws the frame around
    // it: a new picture then repaints the picture alone.
    const QRect m = monitorRect(size());
    const QRect picture = m.adjusted(kFrameWidth, kFrameWidth, -kFrameWidth, -kFrameWidth);
    monitor_->setGeometry(picture);
    QPainterPath rounded;
    rounded.addRoundedRect(QRectF(QPointF(0, 0), QSizeF(picture.size())), kRadius - kFrameWidth, kRadius - kFrameWidth);
    monitor_->setMask(QRegion(rounded.toFillPolygon().toPolygon()));
    meter_->setGeometry(m.right() + 1 + kSpacing, 0, kMeterWidth, height());
    update();
}

void MonitorRow::resizeEvent(QResizeEvent*)
{
    place();
}

void MonitorRow::paintEvent(QPaintEvent* event)
{
    // The shadow and the frame are a dozen antialiased shapes as large as the
    // monitor: drawn once per size and state, then copied.
    const bool playing = engine_.isPlaying();
    const qreal ratio = devicePixelRatioF();
    if (drawn_.isNull() || drawnPlaying_ != playing || drawn_.size() != size() * ratio
        || drawn_.devicePixelRatio() != ratio) {
        drawn_ = QPixmap(size() * ratio);
        drawn_.setDevicePixelRatio(ratio);
        drawn_.fill(Qt::transparent);
        QPainter p(&drawn_);
        drawFrame(p, playing);
        drawnPlaying_ = playing;
    }
    QPainter p(this);
    for (const QRect& r : event->region())
        p.drawPixmap(r, drawn_, QRectF(QPointF(r.topLeft()) * ratio, QSizeF(r.size()) * ratio));
}

void MonitorRow::drawFrame(QPainter& p, bool playing) const
{
    // A soft shadow around the monitor: concentric rounded outlines fading out.
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF m(monitorRect(size()));
    const QColor base = playing ? Theme::withAlpha(Theme::onAir(), 0.35) : Theme::black(0.4);
    p.setPen(Qt::NoPen);
    for (int i = kShadowRadius; i >= 1; --i) {
        const double t = 1.0 - double(i) / (kShadowRadius + 1);
        QColor c = base;
        c.setAlphaF(float(base.alphaF() * t * t / 3.0));
        p.setBrush(c);
        p.drawRoundedRect(m.adjusted(-i, -i, i, i), kRadius + i, kRadius + i);
    }
    // Under the picture's cut corners, then the frame.
    p.setBrush(Theme::background());
    p.drawRoundedRect(m, kRadius, kRadius);
    const double width = playing ? 2.0 : 1.0;
    const double in = playing ? 1.0 : kFrameWidth - 0.5;
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(playing ? Theme::withAlpha(Theme::onAir(), 0.9) : Theme::panelBorder(), width));
    p.drawRoundedRect(m.adjusted(in, in, -in, -in), kRadius - in, kRadius - in);
}

} // namespace tessarin
