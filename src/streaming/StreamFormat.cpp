#include "streaming/StreamFormat.h"

#include <QCoreApplication>

#include <cmath>

namespace tessarin {
namespace {

// Texts of this file, looked up as StreamFormat's.
struct Texts {
    Q_DECLARE_TR_FUNCTIONS(StreamFormat)
};

struct RateInfo {
    StreamFormat::Rate rate;
    const char* raw;
    int numerator;
    int denominator;
};

constexpr RateInfo kRates[] = {
    { StreamFormat::Rate::r23_976, "r23_976", 24000, 1001 }, { StreamFormat::Rate::r24, "r24", 24, 1 },
    { StreamFormat::Rate::r25, "r25", 25, 1 },               { StreamFormat::Rate::r29_97, "r29_97", 30000, 1001 },
    { StreamFormat::Rate::r30, "r30", 30, 1 },               { StreamFormat::Rate::r50, "r50", 50, 1 },
    { StreamFormat::Rate::r59_94, "r59_94", 60000, 1001 },  { StreamFormat::Rate::r60, "r60", 60, 1 },
};

const RateInfo& info(StreamFormat::Rate rate)
{
    return kRates[static_cast<int>(rate)];
}

// The number of a rate label, localised where it has a decimal mark.
QString rateNumberText(StreamFormat::Rate rate)
{
    switch (rate) {
    case StreamFormat::Rate::r23_976:
        return Texts::tr("23,976");
    case StreamFormat::Rate::r29_97:
        return Texts::tr("29,97");
    case StreamFormat::Rate::r59_94:
        return Texts::tr("59,94");
    default:
        return QString::number(info(rate).numerator);
    }
}

} // namespace

QString StreamFormat::rawValue(Resolution value)
{
    return value == Resolution::hd1080 ? QStringLiteral("hd1080") : QStringLiteral("hd720");
}

QString StreamFormat::rawValue(Scan value)
{
    return value == Scan::interlaced ? QStringLiteral("interlaced") : QStringLiteral("progressive");
}

QString StreamFormat::rawValue(Rate value)
{
    return QString::fromLatin1(info(value).raw);
}

std::optional<StreamFormat::Resolution> StreamFormat::resolutionFromRaw(const QString& raw)
{
    for (Resolution value : allResolutions) {
        if (rawValue(value) == raw)
            return value;
    }
    return std::nullopt;
}

std::optional<StreamFormat::Scan> StreamFormat::scanFromRaw(const QString& raw)
{
    for (Scan value : allScans) {
        if (rawValue(value) == raw)
            return value;
    }
    return std::nullopt;
}

std::optional<StreamFormat::Rate> StreamFormat::rateFromRaw(const QString& raw)
{
    for (Rate value : allRates) {
        if (rawValue(value) == raw)
            return value;
    }
    return std::nullopt;
}

int StreamFormat::width(Resolution value)
{
    return value == Resolution::hd1080 ? 1920 : 1280;
}

int StreamFormat::height(Resolution value)
{
    return value == Resolution::hd1080 ? 1080 : 720;
}

int StreamFormat::rateNumerator(Rate value)
{
    return info(value).numerator;
}

int StreamFormat::rateDenominator(Rate value)
{
    return info(value).denominator;
}

QString StreamFormat::ffmpegValue(Rate value)
{
    const RateInfo& rate = info(value);
    if (rate.denominator == 1001)
        return QString::number(rate.numerator) + QStringLiteral("/1001");
    return QString::number(rate.numerator);
}

QString StreamFormat::label(Rate value, Scan scan)
{
    if (scan == Scan::interlaced) {
        switch (value) {
        case Rate::r25:
            return Texts::tr("50i (25 fps)");
        case Rate::r29_97:
            return Texts::tr("59,94i (29,97 fps)");
        case Rate::r30:
            return Texts::tr("60i (30 fps)");
        default:
            break;
        }
    }
    return rateNumberText(value) + QStringLiteral(" fps");
}

QString StreamFormat::label(Scan value)
{
    return value == Scan::interlaced ? Texts::tr("Interlacciato") : Texts::tr("Progressivo");
}

std::vector<StreamFormat::Rate> StreamFormat::available(Scan scan)
{
    if (scan == Scan::interlaced)
        return { Rate::r25, Rate::r29_97, Rate::r30 };
    return { allRates.begin(), allRates.end() };
}

std::uint64_t StreamFormat::renderIntervalNanoseconds() const
{
    const RateInfo& r = info(rate);
    const double n = r.denominator == 1001 ? 1001000000000.0 : 1000000000.0;
    const double f = scan == Scan::interlaced ? 0.5 : 1.0;
    // std::round rounds half away from zero; the value is small and finite.
    return static_cast<std::uint64_t>(std::round(n / r.numerator * f));
}

int StreamFormat::keyframeInterval() const
{
    const RateInfo& r = info(rate);
    const int k = static_cast<int>(std::round(2.0 * r.numerator / r.denominator));
    return k < 1 ? 1 : k;
}

QString StreamFormat::summary() const
{
    const QString heightText = QString::number(height());
    if (scan == Scan::interlaced) {
        if (rate == Rate::r25)
            return heightText + QStringLiteral("i50");
        if (rate == Rate::r30)
            return heightText + QStringLiteral("i60");
        if (rate == Rate::r29_97)
            return Texts::tr("%1i59,94").arg(heightText);
    }
    return heightText + QStringLiteral("p") + label(rate, Scan::progressive).remove(QStringLiteral(" fps"));
}

StreamFormat StreamFormat::normalized() const
{
    if (scan == Scan::progressive)
        return *this;
    StreamFormat out = *this;
    out.resolution = Resolution::hd1080;
    if (rate != Rate::r25 && rate != Rate::r29_97 && rate != Rate::r30)
        out.rate = Rate::r25;
    return out;
}

} // namespace tessarin
