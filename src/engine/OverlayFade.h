#pragma once
// How the stream renderer moves an overlay layer's drawing alpha towards its
// target (its opacity while visible, 0 while hidden): linearly at a fixed
// rate per second of host time, whatever the frame rate, so a full show or
// hide takes 0.25 s and opacity changes glide the same way.
namespace tessarin {

struct OverlayFade {
    // Alpha units per second.
    static constexpr double kRate = 4.0;
    // A layer at or below this alpha is not drawn.
    static constexpr double kDrawThreshold = 0.001;

    // The target of a layer: its opacity when visible, else 0.
    static double target(bool isVisible, double opacity) { return isVisible ? opacity : 0.0; }
    // alpha moved towards target by elapsed seconds' worth, never past it.
    // An elapsed time that is negative or not a number moves nothing.
    static double step(double alpha, double target, double elapsed);
    static bool isDrawn(double alpha) { return alpha > kDrawThreshold; }
};

} // namespace tessarin
