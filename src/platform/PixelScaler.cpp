#include "platform/PixelScaler.h"

#include "platform/PixelKernels.h"

extern "C" {
#include <libswscale/swscale.h>
}

#include <algorithm>

namespace tessarin {

PixelScaler::~PixelScaler()
{
    for (auto& entry : entries_)
        sws_freeContext(entry.context);
}

SwsContext* PixelScaler::contextFor(int srcWidth, int srcHeight, int dstWidth, int dstHeight)
{
    ++uses_;
    for (auto& entry : entries_) {
        if (entry.srcWidth == srcWidth && entry.srcHeight == srcHeight && entry.dstWidth == dstWidth
            && entry.dstHeight == dstHeight) {
            entry.lastUse = uses_;
            return entry.context;
        }
    }
    SwsContext* context = sws_getContext(srcWidth, srcHeight, AV_PIX_FMT_YUVA444P, dstWidth, dstHeight,
                                         AV_PIX_FMT_YUVA444P, SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!context)
        return nullptr;
    if (entries_.size() >= kContexts) {
        auto oldest = std::min_element(entries_.begin(), entries_.end(),
                                       [](const Entry& a, const Entry& b) { return a.lastUse < b.lastUse; });
        sws_freeContext(oldest->context);
        entries_.erase(oldest);
    }
    entries_.push_back({srcWidth, srcHeight, dstWidth, dstHeight, context, uses_});
    return context;
}

namespace {

// Plane rows padded to 64 bytes, as libswscale's vector code wants them.
int planeStride(int width)
{
    return (width + 63) / 64 * 64;
}

struct Planes {
    uint8_t* plane[4];
    int stride;
};

Planes planesIn(uint8_t* base, int width, int height)
{
    const int stride = planeStride(width);
    const size_t size = size_t(stride) * height;
    return {{base, base + size, base + 2 * size, base + 3 * size}, stride};
}

const uint32_t* sourceRow(const BgraView& v, int y)
{
    return reinterpret_cast<const uint32_t*>(v.data + size_t(y) * v.stride);
}

} // namespace

bool PixelScaler::scale(const BgraView& source, uint8_t* dst, int width, int height, int dstStride)
{
    if (!source.isValid() || !dst || width <= 0 || height <= 0 || dstStride < width * 4)
        return false;
    // Halve first while the result stays at least twice the target.
    const bool halve = source.width >= 2 * width && source.height >= 2 * height;
    const int w = halve ? source.width / 2 : source.width;
    const int h = halve ? source.height / 2 : source.height;
    uint8_t* in = sourcePlanes_.ensure(size_t(planeStride(w)) * h * 4);
    uint8_t* out = scaledPlanes_.ensure(size_t(planeStride(width)) * height * 4);
    if (!in || !out)
        return false;
    Planes split = planesIn(in, w, h);
    for (int y = 0; y < h; ++y) {
        const size_t at = size_t(y) * split.stride;
        if (halve)
            pixels::splitHalvingRow(sourceRow(source, 2 * y), sourceRow(source, 2 * y + 1), w, split.plane[0] + at,
                                    split.plane[1] + at, split.plane[2] + at, split.plane[3] + at);
        else
            pixels::splitRow(sourceRow(source, y), w, split.plane[0] + at, split.plane[1] + at, split.plane[2] + at,
                             split.plane[3] + at);
    }
    if (w == width && h == height) {
        // Halving alone reached the size.
        for (int y = 0; y < height; ++y) {
            const size_t at = size_t(y) * split.stride;
            pixels::joinRow(reinterpret_cast<uint32_t*>(dst + size_t(y) * dstStride), width, split.plane[0] + at,
                            split.plane[1] + at, split.plane[2] + at, split.plane[3] + at);
        }
        return true;
    }
    SwsContext* context = contextFor(w, h, width, height);
    if (!context)
        return false;
    Planes scaled = planesIn(out, width, height);
    const int srcStrides[4] = {split.stride, split.stride, split.stride, split.stride};
    const int dstStrides[4] = {scaled.stride, scaled.stride, scaled.stride, scaled.stride};
    if (sws_scale(context, split.plane, srcStrides, 0, h, scaled.plane, dstStrides) != height)
        return false;
    for (int y = 0; y < height; ++y) {
        const size_t at = size_t(y) * scaled.stride;
        pixels::joinRow(reinterpret_cast<uint32_t*>(dst + size_t(y) * dstStride), width, scaled.plane[0] + at,
                        scaled.plane[1] + at, scaled.plane[2] + at, scaled.plane[3] + at);
    }
    return true;
}

} // namespace tessarin
