#pragma once
// A background drawn once per size and pixel ratio and copied in each
// paint: gradients and rounded shapes cost more to draw than to copy, and a
// small repaint (a label's new text) would draw them whole under its clip.
// Main thread.
#include <QImage>

#include <functional>

class QPainter;
class QRectF;

namespace tessarin {

class KeptPicture {
public:
    using Draw = std::function<void(QPainter& painter, const QRectF& area)>;

    // Draws the picture of size at dpr with draw, unless it is drawn already;
    // opaque pictures are kept without an alpha channel.
    const QImage& at(const QSize& size, qreal dpr, bool opaque, const Draw& draw);
    // The next paint draws again (what draw draws has changed).
    void forget() { image_ = {}; }

private:
    QImage image_;
};

} // namespace tessarin
