#pragma once
// Whether a video stream lets its decoder spread one picture's work over
// threads (HEVC wavefront rows or tiles), read from the parameter sets its
// container carries. Decides whether a large picture can be decoded one at a
// time on slice threads and still keep up. Pure functions, any thread.
#include <cstddef>
#include <cstdint>
#include <span>

struct AVCodecParameters;

namespace tessarin::pipeline {

// What the picture parameter sets in HEVC extradata (hvcC, as MP4 and
// Matroska carry it, or Annex B start codes) allow.
enum class HevcParallelism {
    Unknown,   // no picture parameter set, or one that cannot be read
    None,      // one slice's rows after another: a single thread per picture
    Rows,      // every picture parameter set enables wavefront rows or tiles
};

HevcParallelism hevcParallelism(std::span<const std::uint8_t> extradata);

// True only when the stream is known to allow it: HEVC whose every picture
// parameter set enables wavefront rows or tiles. Any other codec, or HEVC
// without readable parameter sets: false.
bool rowParallel(const AVCodecParameters& parameters);

} // namespace tessarin::pipeline
