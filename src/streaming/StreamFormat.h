#pragma once
// The one video format the program is streamed in: resolution, scan and
// frame rate, with the values derived from it.
#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace tessarin {

struct StreamFormat {
    enum class Resolution { hd720, hd1080 };
    enum class Scan { progressive, interlaced };
    enum class Rate { r23_976, r24, r25, r29_97, r30, r50, r59_94, r60 };

    Resolution resolution = Resolution::hd720;
    Scan scan = Scan::progressive;
    Rate rate = Rate::r30;

    friend bool operator==(const StreamFormat&, const StreamFormat&) = default;

    // Every case in declaration order.
    static constexpr std::array<Resolution, 2> allResolutions { Resolution::hd720, Resolution::hd1080 };
    static constexpr std::array<Scan, 2> allScans { Scan::progressive, Scan::interlaced };
    static constexpr std::array<Rate, 8> allRates { Rate::r23_976, Rate::r24, Rate::r25, Rate::r29_97,
                                                    Rate::r30, Rate::r50, Rate::r59_94, Rate::r60 };

    // Raw values (equal to the case names) and their exact parsing.
    static QString rawValue(Resolution value);
    static QString rawValue(Scan value);
    static QString rawValue(Rate value);
    static std::optional<Resolution> resolutionFromRaw(const QString& raw);
    static std::optional<Scan> scanFromRaw(const QString& raw);
    static std::optional<Rate> rateFromRaw(const QString& raw);

    static int width(Resolution value);
    static int height(Resolution value);
    int width() const { return width(resolution); }
    int height() const { return height(resolution); }

    // The rate as an exact fraction: numerator / denominator frames a second.
    static int rateNumerator(Rate value);
    static int rateDenominator(Rate value);
    // "30000/1001" for the 1001 rates, else the integer.
    static QString ffmpegValue(Rate value);
    // Localised rate label for a scan ("59,94i (29,97 fps)", "24 fps").
    static QString label(Rate value, Scan scan);
    // Localised scan label.
    static QString label(Scan value);
    // The rates offered for a scan.
    static std::vector<Rate> available(Scan scan);

    // Nanoseconds between renders: one frame, or one field when interlaced.
    std::uint64_t renderIntervalNanoseconds() const;
    // Keyframe distance in frames: two seconds' worth.
    int keyframeInterval() const;
    // Short text of the whole format, e.g. "1080i50", "720p29,97".
    QString summary() const;
    // The nearest allowed format: interlaced is always 1080 at 25, 29.97 or 30.
    StreamFormat normalized() const;
};

} // namespace tessarin
