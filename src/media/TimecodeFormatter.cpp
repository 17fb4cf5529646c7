#include "media/TimecodeFormatter.h"

#include <cmath>
#include <cstdint>

namespace tessarin::TimecodeFormatter {

QString string(double seconds)
{
    // 2^63 is the first double that no longer fits a signed 64-bit integer.
    constexpr double limit = 9223372036854775808.0;
    if (!std::isfinite(seconds) || seconds < 0 || seconds >= limit)
        return QStringLiteral("00:00:00");
    const auto t = static_cast<std::int64_t>(seconds);
    const std::int64_t hours = t / 3600;
    const std::int64_t minutes = (t % 3600) / 60;
    const std::int64_t secs = t % 60;
    return QStringLiteral("%1:%2:%3")
        .arg(hours, 2, 10, QLatin1Char('0'))
        .arg(minutes, 2, 10, QLatin1Char('0'))
        .arg(secs, 2, 10, QLatin1Char('0'));
}

} // namespace tessarin::TimecodeFormatter
