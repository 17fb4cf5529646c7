#include "ui/playlist/TimecodeBar.h"

#include "engine/FollowEngine.h"
#include "engine/PlaylistEngine.h"
#include "ui/kit/Labels.h"
#include "ui/kit/Theme.h"
#include "ui/kit/TimeOfDayClockView.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace tessarin {
namespace {
constexpr double kMinimumScale = 0.4;
constexpr double kRadius = 10.0;
constexpr int kInsetX = 20;
constexpr int kSpacing = 12;
} // namespace

TimecodeBar::TimecodeBar(PlaylistEngine& engine, Clock& clock, QWidget* parent)
    : QWidget(parent)
    , engine_(engine)
    , elapsed_(new FitLabel({}, kMinimumScale, this))
    , clockView_(new TimeOfDayClockView(clock, this))
    , remaining_(new FitLabel({}, kMinimumScale, this))
{
    elapsed_->setFont(Theme::monoFont(46, QFont::Medium));
    elapsed_->setColor(Theme::textPrimary());
    elapsed_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    remaining_->setFont(Theme::monoFont(46, QFont::Bold));
    remaining_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    for (auto* label : { elapsed_, remaining_ })
        label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(kInsetX, 10, kInsetX, 10);
    row->setSpacing(kSpacing);
    row->addWidget(elapsed_, 1);
    row->addWidget(clockView_, 0, Qt::AlignVCenter);
    row->addWidget(remaining_, 1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);

    followEngine(engine_, this,
        { &PlaylistEngine::currentTimecodeChanged, &PlaylistEngine::remainingTimecodeChanged,
          &PlaylistEngine::isNearEndChanged, &PlaylistEngine::nearEndBlinkOnChanged,
          &PlaylistEngine::isLiveOnAirChanged },
        [this] { follow(); });
    follow();
}

QSize TimecodeBar::minimumSizeHint() const
{
    QFont smallest = remaining_->font();
    smallest.setPixelSize(int(std::floor(smallest.pixelSize() * kMinimumScale)));
    if (readoutWidth_ < 0 || smallest != readoutFont_) {
        readoutFont_ = smallest;
        readoutWidth_ = QFontMetrics(smallest).horizontalAdvance(QStringLiteral("-00:00:00")) + 2;
    }
    return { 2 * kInsetX + 2 * kSpacing + 2 * readoutWidth_ + clockView_->sizeHint().width(),
             QWidget::minimumSizeHint().height() };
}

QColor TimecodeBar::remainingColor() const
{
    if (engine_.isNearEnd())
        return engine_.nearEndBlinkOn() ? Theme::meterHigh() : QColor(Qt::white);
    if (engine_.isLiveOnAir())
        return Theme::live();
    return Theme::textPrimary();
}

void TimecodeBar::follow()
{
    elapsed_->setText(engine_.currentTimecode());
    remaining_->setText(engine_.remainingTimecode());
    remaining_->setColor(remainingColor());
}

void TimecodeBar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawImage(QPointF(0, 0), box_.at(size(), devicePixelRatioF(), false, [](QPainter& draw, const QRectF& area) {
        draw.setRenderHint(QPainter::Antialiasing);
        const QRectF box = area.adjusted(0.5, 0.5, -0.5, -0.5);
        QPainterPath shape;
        shape.addRoundedRect(box, kRadius, kRadius);
        draw.fillPath(shape, Theme::headerFill(box));
        draw.setPen(QPen(Theme::panelBorder(), 1));
        draw.drawPath(shape);
    }));
}

} // namespace tessarin
