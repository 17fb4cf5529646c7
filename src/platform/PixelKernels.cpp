#include "platform/PixelKernels.h"

#include <cstring>

// Built for the machine's best vector unit at load time (AVX2 where there is
// one, SSE2 otherwise); the loops themselves are plain C++. Not under
// ThreadSanitizer: the clones' resolver runs while libraries load, before its
// runtime is ready, and would crash there instrumented, while uninstrumented
// kernels would hide a race between the threads that share their rows.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_THREAD__)
#define TESSARIN_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define TESSARIN_VECTOR_CLONES
#endif

namespace tessarin::pixels {

namespace {

constexpr uint32_t kRedBlue = 0x00FF00FFu;
constexpr uint32_t kRounding = 0x00800080u;

// All four channels times f (0..256), rounded.
inline uint32_t scaleAll(uint32_t p, uint32_t f)
{
    const uint32_t rb = (((p & kRedBlue) * f + kRounding) >> 8) & kRedBlue;
    const uint32_t ag = (((p >> 8) & kRedBlue) * f + kRounding) & ~kRedBlue;
    return rb | ag;
}

// Red, green and blue times f; alpha kept.
inline uint32_t scaleColour(uint32_t p, uint32_t f)
{
    return (scaleAll(p, f) & 0x00FFFFFFu) | (p & 0xFF000000u);
}

// Alpha times a, then colour times c: one pass, with c folded into the
// colour factor (c x a / 256).
inline uint32_t scaleAlphaColour(uint32_t p, uint32_t a, uint32_t ca)
{
    const uint32_t rb = (((p & kRedBlue) * ca + kRounding) >> 8) & kRedBlue;
    const uint32_t g = ((((p >> 8) & 0xFFu) * ca + 0x80u) >> 8) << 8;
    const uint32_t alpha = (((p >> 24) * a + 0x80u) >> 8) << 24;
    return rb | g | alpha;
}

inline uint32_t over(uint32_t s, uint32_t d)
{
    const uint32_t sa = s >> 24;
    // 255 must weigh as 256, so an opaque source replaces the destination.
    const uint32_t inverse = 256 - (sa + (sa >> 7));
    return s + scaleAll(d, inverse);
}

// Pixels per block when looking for blocks a source leaves untouched.
constexpr int kBlock = 16;

} // namespace

TESSARIN_VECTOR_CLONES
void fillRow(uint32_t* dst, int count, uint32_t value)
{
    for (int i = 0; i < count; ++i)
        dst[i] = value;
}

TESSARIN_VECTOR_CLONES
void copyOpaqueRow(uint32_t* __restrict dst, const uint32_t* __restrict src, int count, uint32_t colour)
{
    if (colour >= 256) {
        for (int i = 0; i < count; ++i)
            dst[i] = src[i] | kOpaqueBlack;
        return;
    }
    for (int i = 0; i < count; ++i)
        dst[i] = scaleAll(src[i], colour) | kOpaqueBlack;
}

TESSARIN_VECTOR_CLONES
void overRow(uint32_t* __restrict dst, const uint32_t* __restrict src, int count, uint32_t alpha, uint32_t colour)
{
    if (alpha == 0)
        return;
    const uint32_t ca = (alpha * colour + 128) >> 8;
    const bool plain = alpha >= 256 && colour >= 256;
    int i = 0;
    for (; i + kBlock <= count; i += kBlock) {
        const uint32_t* s = src + i;
        uint32_t* d = dst + i;
        // Whole blocks of transparent source (0 in every channel, as
        // premultiplied transparency is) leave the destination alone, and
        // blocks of opaque source at full strength are copied.
        uint32_t any = 0;
        uint32_t all = 0xFFFFFFFFu;
        for (int j = 0; j < kBlock; ++j) {
            any |= s[j];
            all &= s[j];
        }
        if (any == 0)
            continue;
        if (plain && (all >> 24) == 0xFFu) {
            std::memcpy(d, s, sizeof(uint32_t) * kBlock);
            continue;
        }
        if (plain) {
            for (int j = 0; j < kBlock; ++j)
                d[j] = over(s[j], d[j]);
        } else {
            for (int j = 0; j < kBlock; ++j)
                d[j] = over(scaleAlphaColour(s[j], alpha, ca), d[j]);
        }
    }
    for (; i < count; ++i)
        dst[i] = over(plain ? src[i] : scaleAlphaColour(src[i], alpha, ca), dst[i]);
}

TESSARIN_VECTOR_CLONES
void overOpaqueRow(uint32_t* __restrict dst, const uint32_t* __restrict src, int count, uint32_t alpha,
                   uint32_t colour)
{
    if (alpha == 0)
        return;
    const uint32_t ca = (alpha * colour + 128) >> 8;
    const uint32_t sa = (255 * alpha + 128) >> 8;
    const uint32_t inverse = 256 - (sa + (sa >> 7));
    for (int i = 0; i < count; ++i)
        dst[i] = ((scaleAll(src[i], ca) + scaleAll(dst[i], inverse)) & 0x00FFFFFFu) | kOpaqueBlack;
}

TESSARIN_VECTOR_CLONES
void crossfadeOpaqueRow(uint32_t* __restrict dst, const uint32_t* __restrict a, const uint32_t* __restrict b,
                        int count, uint32_t alpha, uint32_t colour)
{
    const uint32_t ca = (alpha * colour + 128) >> 8;
    const uint32_t sa = (255 * alpha + 128) >> 8;
    const uint32_t inverse = 256 - (sa + (sa >> 7));
    if (colour >= 256) {
        for (int i = 0; i < count; ++i)
            dst[i] = ((scaleAll(b[i], ca) + scaleAll(a[i], inverse)) & 0x00FFFFFFu) | kOpaqueBlack;
        return;
    }
    // The darkening folded into a's weight: one product per picture (within
    // one step of darkening first).
    const uint32_t ia = (inverse * colour + 128) >> 8;
    for (int i = 0; i < count; ++i)
        dst[i] = ((scaleAll(b[i], ca) + scaleAll(a[i], ia)) & 0x00FFFFFFu) | kOpaqueBlack;
}

TESSARIN_VECTOR_CLONES
void premultiplyRow(uint32_t* row, int count)
{
    for (int i = 0; i < count; ++i) {
        const uint32_t a = row[i] >> 24;
        row[i] = scaleColour(row[i], a + (a >> 7));
    }
}

TESSARIN_VECTOR_CLONES
void scaleColourRow(uint32_t* dst, int count, uint32_t colour)
{
    if (colour >= 256)
        return;
    for (int i = 0; i < count; ++i)
        dst[i] = scaleColour(dst[i], colour);
}

TESSARIN_VECTOR_CLONES
void splitRow(const uint32_t* __restrict src, int count, uint8_t* __restrict b, uint8_t* __restrict g,
              uint8_t* __restrict r, uint8_t* __restrict a)
{
    for (int i = 0; i < count; ++i) {
        const uint32_t p = src[i];
        b[i] = uint8_t(p);
        g[i] = uint8_t(p >> 8);
        r[i] = uint8_t(p >> 16);
        a[i] = uint8_t(p >> 24);
    }
}

TESSARIN_VECTOR_CLONES
void splitHalvingRow(const uint32_t* __restrict above, const uint32_t* __restrict below, int count,
                     uint8_t* __restrict b, uint8_t* __restrict g, uint8_t* __restrict r, uint8_t* __restrict a)
{
    // Four bytes summed stay within ten bits, so each 16-bit half holds its sum.
    constexpr uint32_t kHalfRounding = 0x00020002u;
    for (int i = 0; i < count; ++i) {
        const uint32_t p = above[2 * i], q = above[2 * i + 1], s = below[2 * i], t = below[2 * i + 1];
        const uint32_t rb = ((p & kRedBlue) + (q & kRedBlue) + (s & kRedBlue) + (t & kRedBlue) + kHalfRounding) >> 2;
        const uint32_t ag = (((p >> 8) & kRedBlue) + ((q >> 8) & kRedBlue) + ((s >> 8) & kRedBlue)
                             + ((t >> 8) & kRedBlue) + kHalfRounding)
            >> 2;
        b[i] = uint8_t(rb);
        g[i] = uint8_t(ag);
        r[i] = uint8_t(rb >> 16);
        a[i] = uint8_t(ag >> 16);
    }
}

TESSARIN_VECTOR_CLONES
void halvePlaneRow(const uint8_t* __restrict above, const uint8_t* __restrict below, int count,
                   uint8_t* __restrict out)
{
    for (int i = 0; i < count; ++i)
        out[i] = uint8_t((unsigned(above[2 * i]) + above[2 * i + 1] + below[2 * i] + below[2 * i + 1] + 2) >> 2);
}

TESSARIN_VECTOR_CLONES
void halveDeepPlaneRow(const uint16_t* __restrict above, const uint16_t* __restrict below, int count, int bits,
                       uint8_t* __restrict out)
{
    const unsigned shift = unsigned(bits - 8) + 2;
    const unsigned rounding = 1u << (shift - 1);
    const unsigned most = 255;
    for (int i = 0; i < count; ++i) {
        const unsigned sum = unsigned(above[2 * i]) + above[2 * i + 1] + below[2 * i] + below[2 * i + 1];
        const unsigned mean = (sum + rounding) >> shift;
        out[i] = uint8_t(mean < most ? mean : most);
    }
}

TESSARIN_VECTOR_CLONES
void joinRow(uint32_t* __restrict dst, int count, const uint8_t* __restrict b, const uint8_t* __restrict g,
             const uint8_t* __restrict r, const uint8_t* __restrict a)
{
    for (int i = 0; i < count; ++i)
        dst[i] = uint32_t(b[i]) | uint32_t(g[i]) << 8 | uint32_t(r[i]) << 16 | uint32_t(a[i]) << 24;
}

} // namespace tessarin::pixels
