#include "engine/OverlayFade.h"

#include <algorithm>
#include <cmath>

namespace tessarin {

double OverlayFade::step(double alpha, double target, double elapsed)
{
    if (!std::isfinite(target))
        return alpha;
    if (!std::isfinite(alpha))
        return target;
    const double amount = elapsed > 0.0 ? elapsed * kRate : 0.0; // NaN compares false
    if (alpha < target)
        return std::min(alpha + amount, target);
    return std::max(alpha - amount, target);
}

} // namespace tessarin
