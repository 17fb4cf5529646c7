#include "platform/PixelScaler.h"

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
    SwsContext* context = sws_getContext(srcWidth, srcHeight, AV_PIX_FMT_BGRA, dstWidth, dstHeight,
                                         AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr, nullptr, nullptr);
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

bool PixelScaler::scale(const BgraView& source, uint8_t* dst, int width, int height, int dstStride)
{
    if (!source.isValid() || !dst || width <= 0 || height <= 0 || dstStride < width * 4)
        return false;
    SwsContext* context = contextFor(source.width, source.height, width, height);
    if (!context)
        return false;
    const uint8_t* const srcPlanes[4] = {source.data, nullptr, nullptr, nullptr};
    const int srcStrides[4] = {source.stride, 0, 0, 0};
    uint8_t* const dstPlanes[4] = {dst, nullptr, nullptr, nullptr};
    const int dstStrides[4] = {dstStride, 0, 0, 0};
    return sws_scale(context, srcPlanes, srcStrides, 0, source.height, dstPlanes, dstStrides) == height;
}

} // namespace tessarin
