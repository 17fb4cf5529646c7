#pragma once
// Seconds as the "HH:MM:SS" text of rows, readouts, the seek bar and the
// trim editor.
#include <QString>

namespace tessarin::TimecodeFormatter {

// Truncates to whole seconds; hours are not limited to two digits. NaN,
// infinities, negative values and values too large to truncate (2^63 s and
// more) give "00:00:00".
QString string(double seconds);

} // namespace tessarin::TimecodeFormatter
