#include "ui/playlist/MonitorRow.h"

#include "engine/MonitorView.h"
#include "engine/PlaylistEngine.h"
#include "ui/kit/StereoVUMeterView.h"
#include "ui/kit/Theme.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace tessarin {
namespace {
constexpr double kRadius = 8.0;
constexpr int kShadowRadius = 12;
} // namespace

// Lies over the monitor: paints the background into the rounded corners and
// strokes the frame on the inside of the shape. Takes no input.
class MonitorRow::Frame : public QWidget {
public:
    Frame(PlaylistEngine& engine, QWidget* parent)
        : QWidget(parent)
        , engine_(engine)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF all(rect());
        QPainterPath rounded;
        rounded.addRoundedRect(all, kRadius, kRadius);
        QPainterPath corners;
        corners.addRect(all);
        p.fillPath(corners.subtracted(rounded), Theme::background());
        const bool playing = engine_.isPlaying();
        const double width = playing ? 2.0 : 1.0;
        const double in = width / 2.0;
        p.setPen(QPen(playing ? Theme::withAlpha(Theme::onAir(), 0.9) : Theme::panelBorder(), width));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(all.adjusted(in, in, -in, -in), kRadius - in, kRadius - in);
    }

private:
    PlaylistEngine& engine_;
};

MonitorRow::MonitorRow(PlaylistEngine& engine, Clock& clock, QWidget* parent)
    : QWidget(parent)
    , engine_(engine)
    , monitor_(new MonitorView(engine, true, clock, this))
    , frame_(new Frame(engine, this))
    , meter_(new StereoVUMeterView(engine.levelMeter(), this))
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    connect(&engine_, &PlaylistEngine::isPlayingChanged, this, [this] {
        frame_->update();
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
    const QRect m = monitorRect(size());
    monitor_->setGeometry(m);
    frame_->setGeometry(m);
    meter_->setGeometry(m.right() + 1 + kSpacing, 0, kMeterWidth, height());
    update();
}

void MonitorRow::resizeEvent(QResizeEvent*)
{
    place();
}

void MonitorRow::paintEvent(QPaintEvent*)
{
    // A soft shadow around the monitor: concentric rounded outlines fading out.
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF m(monitorRect(size()));
    const bool playing = engine_.isPlaying();
    const QColor base = playing ? Theme::withAlpha(Theme::onAir(), 0.35) : Theme::black(0.4);
    p.setPen(Qt::NoPen);
    for (int i = kShadowRadius; i >= 1; --i) {
        const double t = 1.0 - double(i) / (kShadowRadius + 1);
        QColor c = base;
        c.setAlphaF(float(base.alphaF() * t * t / 3.0));
        p.setBrush(c);
        p.drawRoundedRect(m.adjusted(-i, -i, i, i), kRadius + i, kRadius + i);
    }
}

} // namespace tessarin
