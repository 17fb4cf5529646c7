#pragma once
// Reduces a stream of samples to a waveform of per-bucket peaks and the
// peak of the whole stream, for a bucket size that depends on the total
// number of values, n: s = max(1, n / t) for a target of t buckets.
//
// The total is known only at the end, yet the memory stays bounded: the
// bucketer keeps raw values only where a bucket boundary can fall for any
// total the container's estimate allows, and one running maximum for each
// stretch in between. When the real total falls outside the estimate (or
// there is none and the stream is long), finish() asks for a second pass
// with the total now known, which then needs almost no memory. Either way
// the result equals that of bucketing every value held in memory.
// Not thread-safe; one analysis per object.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace tessarin {

class PeakBucketer {
public:
    struct Result {
        std::vector<float> waveform;
        float peak = 0.0f;
    };

    // targetCount: t, at least 1. expectedCount: the estimated number of
    // values (-1 when unknown); exact: the count is known for certain.
    // keptLimit: the most raw values kept at any time.
    PeakBucketer(std::int64_t targetCount, std::int64_t expectedCount, bool exact,
                 std::size_t keptLimit = std::size_t{1} << 20);

    void add(const float* values, std::size_t count);
    std::int64_t count() const { return count_; }

    // The result, or nullopt when the stream did not fit what was prepared
    // for: run the values again through PeakBucketer(t, count(), true).
    std::optional<Result> finish() const;

    // Bucketing of values held in memory: the reference the streaming
    // result must equal.
    static Result bucket(const float* values, std::size_t n, std::int64_t targetCount);

    // Raw values kept so far (for tests of the memory bound).
    std::size_t keptValues() const { return kept_.size(); }

private:
    struct Window {
        std::int64_t begin; // first position kept
        std::int64_t end;   // one past the last
        std::size_t offset; // where its values start in kept_
    };
    void addExact(const float* values, std::size_t count);
    bool prepareWindows(std::int64_t low, std::int64_t high);
    float rangeMax(std::int64_t begin, std::int64_t end, std::size_t& cursor) const;

    std::int64_t target_;
    std::size_t keptLimit_;
    bool keepAll_ = false;
    bool overflow_ = false;
    std::int64_t low_ = 0;  // the totals the windows serve
    std::int64_t high_ = 0;
    std::vector<Window> windows_;
    // gapMax_[i]: largest value before windows_[i] and after the window before it;
    // the last entry covers everything after the last window.
    std::vector<float> gapMax_;
    std::vector<float> kept_;
    std::size_t segment_ = 0; // index of the window being filled or of the gap before it
    std::int64_t count_ = 0;
    // With the total known for certain: the bucket being filled.
    std::int64_t exactCount_ = -1;
    std::int64_t exactSize_ = 1;
    float bucketMax_ = 0.0f;
    Result exactResult_;
};

} // namespace tessarin
