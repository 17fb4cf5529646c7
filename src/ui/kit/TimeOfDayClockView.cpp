#include "ui/kit/TimeOfDayClockView.h"

#include "platform/Clock.h"
#include "platform/LocalZone.h"
#include "ui/kit/Theme.h"

#include <QPainter>

#include <cmath>

namespace tessarin {
namespace {
constexpr int kPadX = 14;
constexpr int kPadY = 4;
constexpr int kFrame = 2;
} // namespace

TimeOfDayClockView::TimeOfDayClockView(Clock& clock, QWidget* parent)
    : QWidget(parent)
    , clock_(clock)
{
    setFont(Theme::monoFont(34, QFont::DemiBold));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    timer_ = clock_.createTimer([this] { tick(); }, true);
    text_ = format(clock_.wallNow());
    setAccessibleName(text_);
}

TimeOfDayClockView::~TimeOfDayClockView() = default;

QString TimeOfDayClockView::format(double wallSeconds)
{
    // The zone the schedule runs in, so an event set for 14:00 starts when
    // this clock shows 14:00.
    if (!std::isfinite(wallSeconds) || std::fabs(wallSeconds) > 1.0e11)
        return QStringLiteral("--:--:--");
    const date::sys_seconds whole{std::chrono::seconds{static_cast<std::int64_t>(std::floor(wallSeconds))}};
    const date::local_seconds local = LocalZone::process().toLocal(whole);
    const date::hh_mm_ss<std::chrono::seconds> time{local - date::floor<date::days>(local)};
    return QStringLiteral("%1:%2:%3")
        .arg(time.hours().count(), 2, 10, QLatin1Char('0'))
        .arg(time.minutes().count(), 2, 10, QLatin1Char('0'))
        .arg(time.seconds().count(), 2, 10, QLatin1Char('0'));
}

void TimeOfDayClockView::tick()
{
    const double now = clock_.wallNow();
    const QString shown = format(now);
    if (shown != text_) {
        text_ = shown;
        setAccessibleName(text_);
        update();
    }
    if (isVisible()) {
        // The next whole second, with a hair of margin so the tick lands after it.
        const double wait = std::floor(now) + 1.0 - now;
        timer_->start(wait + 0.002);
    }
}

void TimeOfDayClockView::showEvent(QShowEvent*)
{
    tick();
}

void TimeOfDayClockView::hideEvent(QHideEvent*)
{
    timer_->stop();
}

QSize TimeOfDayClockView::sizeHint() const
{
    const QFontMetrics fm(font());
    return { fm.horizontalAdvance(QStringLiteral("00:00:00")) + 2 * kPadX, fm.height() + 2 * kPadY };
}

void TimeOfDayClockView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setFont(font());
    p.setPen(Theme::textPrimary());
    p.drawText(rect(), Qt::AlignCenter, text_);
    QPen frame(Theme::withAlpha(Theme::textPrimary(), 0.8), kFrame);
    frame.setJoinStyle(Qt::MiterJoin);
    p.setPen(frame);
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(rect()).adjusted(kFrame / 2.0, kFrame / 2.0, -kFrame / 2.0, -kFrame / 2.0));
}

} // namespace tessarin
