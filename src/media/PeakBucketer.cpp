#include "media/PeakBucketer.h"

#include <algorithm>
#include <cmath>

namespace tessarin {

namespace {

// The larger of m and |x| for each x; a NaN sample never wins (the
// comparison with NaN is false). Four lanes keep the loop pipelined.
float maxAbs(const float* x, std::size_t n, float m)
{
    float m0 = m, m1 = m, m2 = m, m3 = m;
    std::size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const float a = std::fabs(x[i]), b = std::fabs(x[i + 1]), c = std::fabs(x[i + 2]), d = std::fabs(x[i + 3]);
        m0 = a > m0 ? a : m0;
        m1 = b > m1 ? b : m1;
        m2 = c > m2 ? c : m2;
        m3 = d > m3 ? d : m3;
    }
    for (; i < n; ++i) {
        const float a = std::fabs(x[i]);
        m0 = a > m0 ? a : m0;
    }
    return std::max(std::max(m0, m1), std::max(m2, m3));
}

} // namespace

PeakBucketer::Result PeakBucketer::bucket(const float* values, std::size_t n, std::int64_t targetCount)
{
    Result result;
    const auto total = static_cast<std::int64_t>(n);
    const std::int64_t t = std::max<std::int64_t>(targetCount, 1);
    const std::int64_t size = std::max<std::int64_t>(total / t, 1);
    result.waveform.reserve(static_cast<std::size_t>(std::min(t, total) + 1));
    std::int64_t start = 0;
    while (start < total) {
        const std::int64_t end = std::min(start + size, total);
        const float value = maxAbs(values + start, static_cast<std::size_t>(end - start), 0.0f);
        result.waveform.push_back(value);
        result.peak = std::max(result.peak, value);
        start = end;
    }
    return result;
}

PeakBucketer::PeakBucketer(std::int64_t targetCount, std::int64_t expectedCount, bool exact, std::size_t keptLimit)
    : target_(std::max<std::int64_t>(targetCount, 1)), keptLimit_(std::max<std::size_t>(keptLimit, 1))
{
    if (expectedCount >= 0 && exact) {
        // The bucket size is known: buckets are made as the values pass.
        exactCount_ = expectedCount;
        exactSize_ = std::max<std::int64_t>(expectedCount / target_, 1);
        exactResult_.waveform.reserve(static_cast<std::size_t>(std::min(target_, expectedCount) + 1));
        return;
    }
    // Short streams (and those of unknown length, until they grow long)
    // are simply kept whole.
    if (expectedCount < 0 || static_cast<std::uint64_t>(expectedCount) <= keptLimit_ / 2) {
        keepAll_ = true;
        return;
    }
    // The widest margin around the estimate whose windows fit the limit.
    for (std::int64_t margin = expectedCount / 100 + 65536; margin >= 1; margin /= 2) {
        if (prepareWindows(std::max<std::int64_t>(0, expectedCount - margin), expectedCount + margin))
            return;
    }
    keepAll_ = true;
}

bool PeakBucketer::prepareWindows(std::int64_t low, std::int64_t high)
{
    // A boundary k·s (k >= 1) lies below the total n, and s = max(1, n / t)
    // lies between the sizes of the lowest and highest totals allowed.
    const std::int64_t sLow = std::max<std::int64_t>(low / target_, 1);
    const std::int64_t sHigh = std::max<std::int64_t>(high / target_, 1);
    std::vector<Window> windows;
    std::size_t total = 0;
    for (std::int64_t k = 1; k * sLow < high; ++k) {
        const std::int64_t begin = k * sLow;
        const std::int64_t end = std::min(k * sHigh, high - 1) + 1;
        if (!windows.empty() && begin <= windows.back().end) {
            total += static_cast<std::size_t>(std::max<std::int64_t>(0, end - windows.back().end));
            windows.back().end = std::max(windows.back().end, end);
        } else {
            windows.push_back({begin, end, total});
            total += static_cast<std::size_t>(end - begin);
        }
        if (total > keptLimit_)
            return false;
    }
    for (std::size_t i = 1; i < windows.size(); ++i)
        windows[i].offset = windows[i - 1].offset + static_cast<std::size_t>(windows[i - 1].end - windows[i - 1].begin);
    low_ = low;
    high_ = high;
    windows_ = std::move(windows);
    gapMax_.assign(windows_.size() + 1, 0.0f);
    kept_.reserve(total);
    return true;
}

void PeakBucketer::addExact(const float* values, std::size_t count)
{
    while (count > 0) {
        const std::int64_t bucketEnd = std::min((count_ / exactSize_ + 1) * exactSize_, exactCount_);
        // Values beyond the announced total would make another bucket size:
        // they are counted, and finish() then refuses the result.
        const std::size_t take = count_ < bucketEnd
            ? static_cast<std::size_t>(std::min<std::int64_t>(bucketEnd - count_, static_cast<std::int64_t>(count)))
            : count;
        bucketMax_ = maxAbs(values, take, bucketMax_);
        values += take;
        count -= take;
        count_ += static_cast<std::int64_t>(take);
        if (count_ == bucketEnd) {
            exactResult_.waveform.push_back(bucketMax_);
            exactResult_.peak = std::max(exactResult_.peak, bucketMax_);
            bucketMax_ = 0.0f;
        }
    }
}

void PeakBucketer::add(const float* values, std::size_t count)
{
    if (exactCount_ >= 0) {
        addExact(values, count);
        return;
    }
    if (keepAll_) {
        if (!overflow_ && kept_.size() + count > keptLimit_) {
            overflow_ = true; // a second pass with the total known takes over
            kept_.clear();
            kept_.shrink_to_fit();
        }
        if (!overflow_)
            kept_.insert(kept_.end(), values, values + count);
        count_ += static_cast<std::int64_t>(count);
        return;
    }
    while (count > 0) {
        if (segment_ < windows_.size() && count_ >= windows_[segment_].end)
            ++segment_;
        std::size_t take;
        if (segment_ < windows_.size() && count_ >= windows_[segment_].begin) {
            take = static_cast<std::size_t>(std::min<std::int64_t>(windows_[segment_].end - count_,
                                                                   static_cast<std::int64_t>(count)));
            for (std::size_t i = 0; i < take; ++i)
                kept_.push_back(std::fabs(values[i]));
        } else {
            take = segment_ < windows_.size()
                ? static_cast<std::size_t>(std::min<std::int64_t>(windows_[segment_].begin - count_,
                                                                  static_cast<std::int64_t>(count)))
                : count;
            gapMax_[segment_] = maxAbs(values, take, gapMax_[segment_]);
        }
        values += take;
        count -= take;
        count_ += static_cast<std::int64_t>(take);
    }
}

float PeakBucketer::rangeMax(std::int64_t begin, std::int64_t end, std::size_t& cursor) const
{
    // Segments in order: gap 0, window 0, gap 1, window 1, ..., last gap.
    // Segment 2i is gap i, segment 2i+1 is window i.
    float m = 0.0f;
    const std::size_t segments = windows_.size() * 2 + 1;
    for (; cursor < segments; ++cursor) {
        const std::size_t i = cursor / 2;
        const bool gap = cursor % 2 == 0;
        const std::int64_t segBegin = gap ? (i == 0 ? 0 : windows_[i - 1].end) : windows_[i].begin;
        const std::int64_t segEnd = gap ? (i < windows_.size() ? windows_[i].begin : count_) : windows_[i].end;
        const std::int64_t from = std::max(begin, segBegin);
        const std::int64_t to = std::min({end, segEnd, count_});
        if (from < to) {
            if (gap) {
                m = std::max(m, gapMax_[i]); // no boundary falls inside a gap
            } else {
                const float* base = kept_.data() + windows_[i].offset;
                m = maxAbs(base + (from - segBegin), static_cast<std::size_t>(to - from), m);
            }
        }
        if (segEnd > end)
            break; // the segment continues into the next bucket
    }
    return m;
}

std::optional<PeakBucketer::Result> PeakBucketer::finish() const
{
    if (exactCount_ >= 0) {
        if (count_ != exactCount_)
            return std::nullopt;
        return exactResult_;
    }
    if (keepAll_) {
        if (overflow_)
            return std::nullopt;
        return bucket(kept_.data(), kept_.size(), target_);
    }
    if (count_ < low_ || count_ > high_)
        return std::nullopt;
    Result result;
    const std::int64_t size = std::max<std::int64_t>(count_ / target_, 1);
    result.waveform.reserve(static_cast<std::size_t>(std::min(target_, count_) + 1));
    std::size_t cursor = 0;
    std::int64_t start = 0;
    while (start < count_) {
        const std::int64_t end = std::min(start + size, count_);
        const float value = rangeMax(start, end, cursor);
        result.waveform.push_back(value);
        result.peak = std::max(result.peak, value);
        start = end;
    }
    return result;
}

} // namespace tessarin
