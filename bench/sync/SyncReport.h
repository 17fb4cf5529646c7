#pragma once
// The flash-to-beep report of the sync benchmarks: for one received file,
// the offset of every beep behind its flash, lap by lap (flashes further
// apart than lapGap seconds start a new lap), over the run, and the first
// flash of each lap apart from the others (where a lap begins with a
// flash, that one sits on a join). Two verdicts: every flash paired and
// none beyond +-20 ms (strict), or the median within +-20 ms and 95 % of
// the flashes within +-40 ms (median); and the drift, the median of the
// last third of the run against that of the first.
#include "streaming/SyncClip.h"

#include <QString>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace tessarin::bench {

struct SyncFigures {
    int flashes = 0, beeps = 0, paired = 0;
    double median = 0, p95 = 0, drift = 0; // seconds; p95 of the absolute offset
    int beyond20 = 0;
    bool strict = false, medianMet = false;
};

inline double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size())))];
}

inline void printSpread(const char* label, const std::vector<double>& v)
{
    if (v.empty())
        return;
    std::printf("  %s: %zu flashes  min %.1f  median %.1f  max %.1f ms\n", label, v.size(),
                *std::min_element(v.begin(), v.end()) * 1000, percentile(v, 0.5) * 1000,
                *std::max_element(v.begin(), v.end()) * 1000);
}

// Prints the offsets of one received file, leaving out flashes before
// `from` seconds of it (the start of a live feed).
inline SyncFigures syncReport(const char* name, const QString& file, int fps, double lapGap = 3.0, double from = 0.0,
                              bool perLap = true)
{
    const test::SyncEvents events = test::findSyncEvents(file, fps);
    std::vector<test::SyncOffset> offsets = test::syncOffsets(events);
    SyncFigures f;
    f.flashes = int(std::count_if(events.flashes.begin(), events.flashes.end(), [&](double t) { return t >= from; }));
    f.beeps = int(std::count_if(events.beeps.begin(), events.beeps.end(), [&](double t) { return t >= from; }));
    std::erase_if(offsets, [&](const test::SyncOffset& o) { return o.flash < from; });
    f.paired = int(offsets.size());
    std::printf("\n%s: %d flashes, %d beeps, %d paired\n", name, f.flashes, f.beeps, f.paired);
    if (offsets.empty()) {
        std::printf("  nothing paired -> NOT met\n");
        return f;
    }
    std::vector<double> all, first, rest, lap, absolute;
    int index = 0;
    double last = -1e9;
    auto flush = [&] {
        if (!lap.empty() && perLap)
            std::printf("  lap %3d  %d flashes  offset min %6.1f  median %6.1f  max %6.1f ms\n", ++index,
                        int(lap.size()), *std::min_element(lap.begin(), lap.end()) * 1000,
                        percentile(lap, 0.5) * 1000, *std::max_element(lap.begin(), lap.end()) * 1000);
        lap.clear();
    };
    for (const test::SyncOffset& o : offsets) {
        const bool starts = o.flash - last > lapGap;
        if (starts)
            flush();
        last = o.flash;
        lap.push_back(o.offset);
        all.push_back(o.offset);
        (starts ? first : rest).push_back(o.offset);
        absolute.push_back(std::abs(o.offset));
        if (std::abs(o.offset) > 0.020)
            ++f.beyond20;
    }
    flush();
    const size_t third = all.size() / 3;
    if (third > 0)
        f.drift = percentile(std::vector<double>(all.end() - long(third), all.end()), 0.5)
            - percentile(std::vector<double>(all.begin(), all.begin() + long(third)), 0.5);
    f.median = percentile(all, 0.5);
    f.p95 = percentile(absolute, 0.95);
    f.strict = f.paired == f.flashes && f.flashes == f.beeps && f.beyond20 == 0;
    f.medianMet = f.paired == f.flashes && std::abs(f.median) <= 0.020 && f.p95 <= 0.040;
    printSpread("first flash of each lap", first);
    printSpread("other flashes         ", rest);
    std::printf("  whole run: min %.1f  median %.1f  max %.1f ms; 95 %% within +-%.1f ms; %d of %zu beyond +-20 ms; "
                "drift (last third against first) %+.1f ms\n",
                *std::min_element(all.begin(), all.end()) * 1000, f.median * 1000,
                *std::max_element(all.begin(), all.end()) * 1000, f.p95 * 1000, f.beyond20, all.size(),
                f.drift * 1000);
    std::printf("  every flash paired, none beyond +-20 ms: %s; median within +-20 ms and 95 %% within +-40 ms: %s\n",
                f.strict ? "met" : "NOT met", f.medianMet ? "met" : "NOT met");
    return f;
}

} // namespace tessarin::bench
