#pragma once
// The per-row loops of the compositor on premultiplied BGRA pixels held as
// 32-bit words. Factors are fixed point, 0 to 256 (256 = unchanged), so one
// channel times a factor stays within its 16-bit half of the word and the
// loops run on whole words, which the compiler turns into vector code.
#include <cmath>
#include <cstdint>

namespace tessarin::pixels {

constexpr uint32_t kOpaqueBlack = 0xFF000000u;

// A factor of 0..1 as 0..256; NaN and anything below 0 give 0.
inline uint32_t factor(double value)
{
    if (!(value > 0.0))
        return 0;
    if (value >= 1.0)
        return 256;
    return uint32_t(std::lround(value * 256.0));
}

// dst = value.
void fillRow(uint32_t* dst, int count, uint32_t value);
// dst = src with red, green and blue times colour, alpha 255: the source
// put over opaque black and darkened.
void copyOpaqueRow(uint32_t* dst, const uint32_t* src, int count, uint32_t colour);
// dst = src' + dst x (1 - alpha of src'), where src' is src with all four
// channels times alpha and then red, green and blue times colour.
void overRow(uint32_t* dst, const uint32_t* src, int count, uint32_t alpha, uint32_t colour);
// overRow for an opaque src over an opaque dst (a crossfade): the weights
// are the same for every pixel, and the result is opaque.
void overOpaqueRow(uint32_t* dst, const uint32_t* src, int count, uint32_t alpha, uint32_t colour);
// copyOpaqueRow of a followed by overOpaqueRow of b in one pass: the
// crossfade of two opaque pictures over the same pixels (the same to the bit
// at colour 256, within one step below).
void crossfadeOpaqueRow(uint32_t* dst, const uint32_t* a, const uint32_t* b, int count, uint32_t alpha,
                        uint32_t colour);
// Straight alpha to premultiplied: red, green and blue of each pixel times
// its own alpha.
void premultiplyRow(uint32_t* row, int count);
// Red, green and blue of dst times colour; alpha unchanged.
void scaleColourRow(uint32_t* dst, int count, uint32_t colour);

// Splits BGRA words into four byte planes (blue, green, red, alpha).
void splitRow(const uint32_t* src, int count, uint8_t* b, uint8_t* g, uint8_t* r, uint8_t* a);
// Like splitRow, each output pixel the rounded mean of a 2 x 2 block of the
// rows above and below (count output pixels, 2 x count input pixels a row).
void splitHalvingRow(const uint32_t* above, const uint32_t* below, int count, uint8_t* b, uint8_t* g, uint8_t* r,
                     uint8_t* a);
// One row of a byte plane at half size: each output byte the rounded mean
// of a 2 x 2 block of the rows above and below (2 x count bytes a row).
void halvePlaneRow(const uint8_t* above, const uint8_t* below, int count, uint8_t* out);
// The same for a plane of deep samples (9 to 16 bits in 16-bit words, the
// low bits used): each output byte the rounded mean at 8 bits, the sample's
// low (bits - 8) bits dropped after the mean.
void halveDeepPlaneRow(const uint16_t* above, const uint16_t* below, int count, int bits, uint8_t* out);
// Joins four byte planes into BGRA words.
void joinRow(uint32_t* dst, int count, const uint8_t* b, const uint8_t* g, const uint8_t* r, const uint8_t* a);

} // namespace tessarin::pixels
