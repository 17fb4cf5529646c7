#pragma once
// Resizes BGRA pictures with libswscale (bilinear), keeping a few scaling
// contexts for the sizes in use so that steady playback never rebuilds one.
// Packed BGRA goes through libswscale's slow generic path (and through YUV),
// so the picture is split into four byte planes, scaled as YUVA 4:4:4 (no
// colour conversion, each plane on the vector code path) and joined again;
// a picture shrunk to half or less in both directions is first halved by
// 2 x 2 means while it is split. One thread at a time.
#include "platform/BgraView.h"

#include <cstdint>
#include <vector>

struct SwsContext;

namespace tessarin {

class PixelScaler {
public:
    PixelScaler() = default;
    ~PixelScaler();
    PixelScaler(const PixelScaler&) = delete;
    PixelScaler& operator=(const PixelScaler&) = delete;

    // Scales all of source into width x height pixels at dst (dstStride bytes
    // a row). False when either size is empty or libswscale refuses.
    bool scale(const BgraView& source, uint8_t* dst, int width, int height, int dstStride);

private:
    struct Entry {
        int srcWidth, srcHeight, dstWidth, dstHeight;
        SwsContext* context;
        uint64_t lastUse;
    };
    SwsContext* contextFor(int srcWidth, int srcHeight, int dstWidth, int dstHeight);

    // Different sizes drawn in one frame (two players, two overlays, a live
    // picture) each keep their own context.
    static constexpr size_t kContexts = 8;
    AlignedBuffer sourcePlanes_;
    AlignedBuffer scaledPlanes_;
    std::vector<Entry> entries_;
    uint64_t uses_ = 0;
};

} // namespace tessarin
