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

PeakBucketer::PeakBucketer(std::int64_t targetCount, std::int64_t exactCount)
    : target_(std::max<std::int64_t>(targetCount, 1))
    , maxBlocks_(static_cast<std::size_t>(4 * target_))
{
    if (exactCount >= 0) {
        // The bucket size is known: buckets are made as the values pass.
        exactCount_ = exactCount;
        exactSize_ = std::max<std::int64_t>(exactCount / target_, 1);
        exactResult_.waveform.reserve(static_cast<std::size_t>(std::min(target_, exactCount) + 1));
        return;
    }
    // Room for the usual targets at once; a larger one grows as it fills.
    blocks_.reserve(std::min<std::size_t>(maxBlocks_, 1024));
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

namespace {

// The largest |x| of eight values (a NaN never wins).
inline float maxAbs8(const float* x)
{
    float m = 0.0f;
    for (int i = 0; i < 8; ++i) {
        const float a = std::fabs(x[i]);
        m = a > m ? a : m;
    }
    return m;
}

} // namespace

void PeakBucketer::appendValues(const float* values, std::size_t n)
{
    Summary& to = current_;
    const std::int64_t begin = count_;
    // Falling, in one pass from the end back (its largest comes out last);
    // eight values are looked at one by one only when one of them exceeds
    // everything after them.
    const std::size_t kept = to.falling.size();
    float m = 0.0f;
    std::size_t i = n;
    while (i > 0) {
        if (i >= 8 && !(maxAbs8(values + i - 8) > m)) {
            i -= 8;
            continue;
        }
        const std::size_t stop = i >= 8 ? i - 8 : 0;
        for (; i > stop; --i) {
            const float a = std::fabs(values[i - 1]);
            if (a > m) {
                m = a;
                to.falling.push_back({begin + static_cast<std::int64_t>(i - 1), a});
            }
        }
    }
    const float pieceMax = m;
    std::reverse(to.falling.begin() + static_cast<std::ptrdiff_t>(kept), to.falling.end());
    // The block's earlier marks that this piece equals or exceeds go.
    auto falls = std::find_if(to.falling.begin(), to.falling.begin() + static_cast<std::ptrdiff_t>(kept),
                              [&](const Mark& mark) { return !(mark.value > pieceMax); });
    to.falling.erase(falls, to.falling.begin() + static_cast<std::ptrdiff_t>(kept));
    // Rising: only values above everything before them in the block, so
    // none when the block already holds a larger one; the scan ends at the
    // piece's largest.
    m = to.max;
    i = 0;
    while (m < pieceMax && i < n) {
        if (i + 8 <= n && !(maxAbs8(values + i) > m)) {
            i += 8;
            continue;
        }
        const std::size_t stop = std::min(i + 8, n);
        for (; i < stop; ++i) {
            const float a = std::fabs(values[i]);
            if (a > m) {
                m = a;
                to.rising.push_back({begin + static_cast<std::int64_t>(i), a});
            }
        }
    }
    to.max = std::max(to.max, pieceMax);
    to.end = begin + static_cast<std::int64_t>(n);
}

void PeakBucketer::join(Summary& to, Summary&& next)
{
    // Of the next block's rising values, those above everything before.
    auto rises = std::find_if(next.rising.begin(), next.rising.end(), [&](const Mark& m) { return m.value > to.max; });
    to.rising.insert(to.rising.end(), rises, next.rising.end());
    // Of this block's falling values, those above everything after.
    auto falls = std::find_if(to.falling.begin(), to.falling.end(), [&](const Mark& m) { return !(m.value > next.max); });
    to.falling.erase(falls, to.falling.end());
    to.falling.insert(to.falling.end(), next.falling.begin(), next.falling.end());
    to.max = std::max(to.max, next.max);
    to.end = next.end;
}

void PeakBucketer::closeBlock()
{
    marks_ += current_.rising.size() + current_.falling.size();
    blocks_.push_back(std::move(current_));
    current_ = Summary{};
    current_.begin = current_.end = count_;
    if (blocks_.size() < maxBlocks_)
        return;
    // Twice as large, half as many: neighbours joined.
    std::vector<Summary> joined;
    joined.reserve(maxBlocks_ / 2);
    marks_ = 0;
    for (std::size_t i = 0; i + 1 < blocks_.size(); i += 2) {
        Summary pair = std::move(blocks_[i]);
        join(pair, std::move(blocks_[i + 1]));
        marks_ += pair.rising.size() + pair.falling.size();
        joined.push_back(std::move(pair));
    }
    blocks_ = std::move(joined);
    blockSize_ *= 2;
}

void PeakBucketer::add(const float* values, std::size_t count)
{
    if (exactCount_ >= 0) {
        addExact(values, count);
        return;
    }
    while (count > 0) {
        const std::int64_t room = current_.begin + blockSize_ - count_;
        const std::size_t take = std::min(count, static_cast<std::size_t>(room));
        appendValues(values, take);
        values += take;
        count -= take;
        count_ += static_cast<std::int64_t>(take);
        if (count_ == current_.begin + blockSize_)
            closeBlock();
    }
}

std::size_t PeakBucketer::keptValues() const
{
    return blocks_.size() + marks_ + current_.rising.size() + current_.falling.size();
}

float PeakBucketer::headMax(const Summary& block, std::int64_t end)
{
    if (end >= block.end)
        return block.max;
    // The last value to rise before the end.
    auto after = std::partition_point(block.rising.begin(), block.rising.end(),
                                      [&](const Mark& m) { return m.position < end; });
    return after == block.rising.begin() ? 0.0f : std::prev(after)->value;
}

float PeakBucketer::tailMax(const Summary& block, std::int64_t begin)
{
    if (begin <= block.begin)
        return block.max;
    // The first value at or after the start that nothing after it exceeds.
    auto from = std::partition_point(block.falling.begin(), block.falling.end(),
                                     [&](const Mark& m) { return m.position < begin; });
    return from == block.falling.end() ? 0.0f : from->value;
}

float PeakBucketer::rangeMax(std::int64_t begin, std::int64_t end) const
{
    const auto first = static_cast<std::size_t>(begin / blockSize_);
    const auto last = static_cast<std::size_t>((end - 1) / blockSize_);
    if (first == last) {
        // Within one block only at its start or its end (a bucket spans at
        // least two whole blocks; the last, shorter bucket ends the stream).
        const Summary& block = blocks_[first];
        return begin <= block.begin ? headMax(block, end) : tailMax(block, begin);
    }
    float m = tailMax(blocks_[first], begin);
    for (std::size_t i = first + 1; i < last; ++i)
        m = std::max(m, blocks_[i].max);
    return std::max(m, headMax(blocks_[last], end));
}

std::optional<PeakBucketer::Result> PeakBucketer::finish()
{
    if (exactCount_ >= 0) {
        if (count_ != exactCount_)
            return std::nullopt;
        return exactResult_;
    }
    if (current_.end > current_.begin) {
        marks_ += current_.rising.size() + current_.falling.size();
        blocks_.push_back(std::move(current_));
        current_ = Summary{};
        current_.begin = current_.end = count_;
    }
    Result result;
    const std::int64_t size = std::max<std::int64_t>(count_ / target_, 1);
    result.waveform.reserve(static_cast<std::size_t>(std::min(target_, count_) + 1));
    std::int64_t start = 0;
    while (start < count_) {
        const std::int64_t end = std::min(start + size, count_);
        const float value = rangeMax(start, end);
        result.waveform.push_back(value);
        result.peak = std::max(result.peak, value);
        start = end;
    }
    return result;
}

} // namespace tessarin
