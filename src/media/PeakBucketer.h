#pragma once
// Reduces a stream of samples to a waveform of per-bucket peaks and the
// peak of the whole stream, for a bucket size that depends on the total
// number of values, n: s = max(1, n / t) for a target of t buckets.
//
// The total is known only at the end, and no estimate of it is needed: the
// stream is cut into at most 4t blocks of equal size (the size doubling, two
// neighbours joined, whenever there would be more), and each block keeps
// its largest value, the values that raise the running largest from its
// start (with their positions) and those larger than everything after them
// up to its end. With at most 4t blocks a bucket of the final size spans
// more than one block, so its largest value is the rest of one block from
// its start, whole blocks, and the head of another block up to its end:
// exactly what those lists answer. One pass, whatever the length, and the
// memory follows t and how often the envelope of the sound keeps rising or
// falling within a block, not the length. The result equals that of
// bucketing every value held in memory.
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

    // targetCount: t, at least 1. exactCount: the number of values when
    // known for certain (-1 when not): buckets are then made as the values
    // pass, and finish() refuses a stream of another length.
    explicit PeakBucketer(std::int64_t targetCount, std::int64_t exactCount = -1);

    void add(const float* values, std::size_t count);
    std::int64_t count() const { return count_; }

    // The result; nullopt only when an exact count was given and the
    // stream had another length.
    std::optional<Result> finish();

    // Bucketing of values held in memory: the reference the streaming
    // result must equal.
    static Result bucket(const float* values, std::size_t n, std::int64_t targetCount);

    // Values kept so far (block maxima, the rising and falling values with
    // their positions), for tests of the memory bound.
    std::size_t keptValues() const;

private:
    struct Mark {
        std::int64_t position;
        float value;
    };
    // One stretch of the stream, [begin, end).
    struct Summary {
        std::int64_t begin = 0;
        std::int64_t end = 0;
        float max = 0.0f;
        std::vector<Mark> rising;  // each larger than all before it in the stretch
        std::vector<Mark> falling; // each larger than all after it in the stretch
    };
    void addExact(const float* values, std::size_t count);
    // Adds values at count_ to the block being filled.
    void appendValues(const float* values, std::size_t n);
    static void join(Summary& to, Summary&& next);
    void closeBlock();
    // The largest value in [begin, end) of one block.
    static float headMax(const Summary& block, std::int64_t end);
    static float tailMax(const Summary& block, std::int64_t begin);
    float rangeMax(std::int64_t begin, std::int64_t end) const;

    std::int64_t target_;
    std::int64_t count_ = 0;
    std::size_t maxBlocks_;
    std::int64_t blockSize_ = 1;
    std::vector<Summary> blocks_;  // whole blocks of blockSize_ values
    Summary current_;              // the block being filled
    std::size_t marks_ = 0;        // rising and falling marks in blocks_
    // With the total known for certain: the bucket being filled.
    std::int64_t exactCount_ = -1;
    std::int64_t exactSize_ = 1;
    float bucketMax_ = 0.0f;
    Result exactResult_;
};

} // namespace tessarin
