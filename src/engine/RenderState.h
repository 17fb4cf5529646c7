#pragma once
// What the program renderer needs of the main-thread model for one frame:
// whether a live source is on air, and a snapshot of every overlay layer in
// drawing order (first lowest). Taken on the main thread, read on the render
// thread: it holds values and shared pixels only, and the layers' players
// weakly, so the last reference never drops off the main thread.
#include <QImage>
#include <QUuid>

#include <memory>
#include <vector>

namespace tessarin {

class MediaPlayer;
class OverlayLayer;
class OverlayLayers;
class PlaylistEngine;

struct RenderState {
    struct Layer {
        QUuid id;
        bool isVisible = false;
        double opacity = 1.0;
        double scale = 1.0;
        double offsetX = 0.0; // fraction of the frame width, positive to the right
        double offsetY = 0.0; // fraction of the frame height, positive downwards
        QImage cgImage;       // the still (premultiplied ARGB32), null when none
        std::weak_ptr<MediaPlayer> player;

        // Main thread: the layer's current published values.
        static Layer capture(const OverlayLayer& layer);
    };

    bool isLiveOnAir = false;
    std::vector<Layer> layers;

    // Main thread.
    static RenderState capture(bool isLiveOnAir, const OverlayLayers& overlays);
    // Main thread: the engine's live flag and overlay layers now.
    static RenderState capture(const PlaylistEngine& engine);
};

} // namespace tessarin
