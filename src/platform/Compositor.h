#pragma once
// CPU composition of program frames: pictures are fitted into the frame
// (whole picture visible, aspect kept, centred), optionally scaled about the
// frame's centre and moved, then drawn source-over with their alpha scaled,
// and colours can be scaled towards black. Frames are VideoFrames of the
// output size, always opaque once drawBase has filled them;
// resizing goes through libswscale.
//
// A frame is built as: newFrame(), drawBase() (black plus the bottom
// picture), any number of drawOver(), optionally scaleColour(). Darkening is
// linear, so a fade can be folded into each program draw (colourScale)
// instead of a separate pass, and overlays drawn afterwards stay undimmed.
//
// Not thread-safe: one thread (the render queue) uses a compositor at a
// time. Frames it returns may be read and released on any thread.
#include "platform/BgraView.h"
#include "platform/PixelScaler.h"
#include "platform/player/VideoFrame.h"

#include <QRect>
#include <QRectF>
#include <QSizeF>

#include <cstdint>
#include <vector>

namespace tessarin {

// How one picture is drawn over the frame.
struct DrawParams {
    Orientation orientation = Orientation::up; // turned before fitting
    double scale = 1.0;       // about the frame's centre; 1 = fitted; <= 0 draws nothing
    double offsetX = 0.0;     // fraction of the frame's width, positive to the right
    double offsetY = 0.0;     // fraction of the frame's height, positive downwards
    double alpha = 1.0;       // multiplies the picture's alpha, 0 to 1
    double colourScale = 1.0; // multiplies red, green and blue, 0 (black) to 1
};

class Compositor {
public:
    Compositor(int width, int height);

    int width() const { return width_; }
    int height() const { return height_; }

    // A frame of the output size with undefined contents (drawBase fills
    // all of it), in picture memory given back by an earlier frame when
    // there is some; nullptr when no memory can be had or the size is
    // unusable.
    std::shared_ptr<VideoFrame> newFrame() const { return VideoFrame::createForOverwrite(width_, height_); }

    // Fills the whole frame: opaque black, and over it source (if given and
    // valid) turned, fitted and centred, with its colours times colourScale.
    // Transparent parts of the source show the black.
    void drawBase(VideoFrame& frame, const BgraView* source, Orientation orientation = Orientation::up,
                  double colourScale = 1.0);

    // drawBase(a) then drawOver(b) with b's alpha times mix and both
    // darkened by colourScale, in one pass over the frame when both are
    // opaque, need no scaling and cover the same pixels (the crossfade of
    // two players of one size).
    void drawBaseCrossfade(VideoFrame& frame, const BgraView* a, Orientation aOrientation, const BgraView& b,
                           Orientation bOrientation, double mix, double colourScale = 1.0);

    // Draws source over the frame, turned, fitted, scaled and moved as the
    // params say, with its alpha and colours scaled.
    void drawOver(VideoFrame& frame, const BgraView& source, const DrawParams& params);

    // Red, green and blue of the whole frame times level (towards black).
    void scaleColour(VideoFrame& frame, double level);

    // Geometry, in frame pixels with the origin at the top left.
    static QSizeF orientedSize(QSizeF picture, Orientation orientation);
    // The largest centred rectangle of the picture's aspect inside canvas;
    // empty for an empty picture.
    static QRectF fittedRect(QSizeF picture, QSizeF canvas);
    // fitted scaled by scale about canvas's centre, then moved by
    // (offsetX x width, offsetY x height).
    static QRectF placedRect(const QRectF& fitted, QSizeF canvas, double scale, double offsetX, double offsetY);

private:
    // A picture at its final size and where its top left lands in the frame
    // (possibly outside it); view points into a scratch or cached buffer, or
    // at the source itself when nothing had to change.
    struct Prepared {
        BgraView view;
        int x = 0;
        int y = 0;
        QRect content; // the part of view with visible pixels (all of it unless known)
    };
    bool prepare(const BgraView& source, Orientation orientation, const QRectF& target, Prepared& out,
                 QRect& visible);
    BgraView turned(const BgraView& source, Orientation orientation, AlignedBuffer& buffer);

    struct CachedStill {
        uint64_t stillId;
        Orientation orientation;
        QRect crop;
        int width, height;
        AlignedBuffer pixels;
        bool hasPixels = false; // false: the source itself is drawn as it is
        QRect content;
        uint64_t lastUse;
    };
    CachedStill* findStill(uint64_t id, Orientation o, const QRect& crop, int width, int height);
    CachedStill& newStill();

    int width_;
    int height_;
    PixelScaler scaler_;
    AlignedBuffer turnScratch_;
    AlignedBuffer scaleScratch_;
    // Scaled copies of still pictures (overlay images), so an unchanged
    // overlay costs only its blend.
    static constexpr size_t kCachedStills = 4;
    std::vector<std::unique_ptr<CachedStill>> stills_;
    uint64_t uses_ = 0;
};

} // namespace tessarin
