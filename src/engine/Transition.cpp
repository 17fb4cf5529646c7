#include "engine/Transition.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>

namespace tessarin {

namespace transition {

QString rawValue(TransitionStyle style)
{
    return style == TransitionStyle::fade ? QStringLiteral("fade") : QStringLiteral("cut");
}

std::optional<TransitionStyle> fromRawValue(const QString& raw)
{
    if (raw == QLatin1String("cut"))
        return TransitionStyle::cut;
    if (raw == QLatin1String("fade"))
        return TransitionStyle::fade;
    return std::nullopt;
}

QString title(TransitionStyle style)
{
    return style == TransitionStyle::fade ? QCoreApplication::translate("TransitionStyle", "Fade")
                                          : QCoreApplication::translate("TransitionStyle", "Cut");
}

} // namespace transition

namespace {
double unit(double value)
{
    const double v = value >= 0.0 ? value : 0.0; // NaN fails the test too
    return std::min(v, 1.0);
}
} // namespace

LockedUnitValue::LockedUnitValue(double initial, QObject* parent)
    : QObject(parent)
    , published_(unit(initial))
    , current_(unit(initial))
{
}

void LockedUnitValue::set(double value)
{
    const double v = unit(value);
    {
        std::lock_guard lock(lock_);
        current_ = v;
    }
    if (published_ == v)
        return;
    published_ = v;
    emit publishedChanged();
    emit changed();
}

double LockedUnitValue::current() const
{
    std::lock_guard lock(lock_);
    return current_;
}

} // namespace tessarin
