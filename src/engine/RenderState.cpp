#include "engine/RenderState.h"

#include "engine/OverlayLayer.h"
#include "engine/PlaylistEngine.h"

namespace tessarin {

RenderState::Layer RenderState::Layer::capture(const OverlayLayer& layer)
{
    Layer l;
    l.id = layer.id();
    l.isVisible = layer.isVisible();
    l.opacity = layer.opacity();
    l.scale = layer.scale();
    l.offsetX = layer.offsetX();
    l.offsetY = layer.offsetY();
    l.cgImage = layer.cgImage();
    l.player = layer.player();
    return l;
}

RenderState RenderState::capture(bool isLiveOnAir, const OverlayLayers& overlays)
{
    RenderState state;
    state.isLiveOnAir = isLiveOnAir;
    state.layers.reserve(overlays.layers().size());
    for (const auto& layer : overlays.layers()) {
        if (layer)
            state.layers.push_back(Layer::capture(*layer));
    }
    return state;
}

RenderState RenderState::capture(const PlaylistEngine& engine)
{
    return capture(engine.isLiveOnAir(), engine.overlays());
}

} // namespace tessarin
