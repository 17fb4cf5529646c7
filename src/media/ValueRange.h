#pragma once
// A closed range of numbers that a model value may take, declared once
// beside the value: the control that edits the value spans it and the show
// loader brings stored values into it. Any thread.
#include <algorithm>
#include <cmath>

namespace tessarin {

struct ValueRange {
    double lower;
    double upper;

    bool contains(double value) const { return value >= lower && value <= upper; }
    // The nearest value of the range; fallback for a value that is no number.
    double clamp(double value, double fallback) const
    {
        return std::isnan(value) ? fallback : std::clamp(value, lower, upper);
    }
};

} // namespace tessarin
