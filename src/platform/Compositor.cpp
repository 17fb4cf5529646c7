#include "platform/Compositor.h"

#include "platform/PixelKernels.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace tessarin {

namespace {

// Pixel edges of a rectangle in frame coordinates; each edge rounded on its
// own, so abutting rectangles stay abutting. Nothing for non-finite or
// out-of-range coordinates.
bool pixelRect(const QRectF& r, QRect& out)
{
    const double edges[4] = {r.left(), r.top(), r.right(), r.bottom()};
    constexpr double kLimit = 1 << 28;
    for (double e : edges) {
        if (!std::isfinite(e) || std::fabs(e) > kLimit)
            return false;
    }
    const int x0 = int(std::lround(r.left()));
    const int y0 = int(std::lround(r.top()));
    const int x1 = int(std::lround(r.right()));
    const int y1 = int(std::lround(r.bottom()));
    if (x1 <= x0 || y1 <= y0)
        return false;
    out = QRect(x0, y0, x1 - x0, y1 - y0);
    return true;
}

BgraView cropped(const BgraView& v, const QRect& crop)
{
    BgraView c = v;
    c.data = v.data + size_t(crop.y()) * v.stride + size_t(crop.x()) * 4;
    c.width = crop.width();
    c.height = crop.height();
    return c;
}

uint32_t* frameRow(VideoFrame& frame, int y)
{
    return reinterpret_cast<uint32_t*>(frame.bits() + size_t(y) * frame.bytesPerLine());
}

const uint32_t* sourceRow(const BgraView& v, int y)
{
    return reinterpret_cast<const uint32_t*>(v.data + size_t(y) * v.stride);
}

// The smallest rectangle holding every pixel that is not fully transparent
// (premultiplied: not 0); empty when there is none.
QRect visibleContent(const BgraView& v)
{
    int top = -1, bottom = -1, left = v.width, right = -1;
    for (int y = 0; y < v.height; ++y) {
        const uint32_t* row = sourceRow(v, y);
        int first = 0;
        while (first < v.width && row[first] == 0)
            ++first;
        if (first == v.width)
            continue;
        int last = v.width - 1;
        while (row[last] == 0)
            --last;
        if (top < 0)
            top = y;
        bottom = y;
        left = std::min(left, first);
        right = std::max(right, last);
    }
    if (top < 0)
        return {};
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

} // namespace

Compositor::Compositor(int width, int height)
    : width_(std::max(width, 0))
    , height_(std::max(height, 0))
{
}

QSizeF Compositor::orientedSize(QSizeF picture, Orientation orientation)
{
    if (orientation == Orientation::left || orientation == Orientation::right)
        return picture.transposed();
    return picture;
}

QRectF Compositor::fittedRect(QSizeF picture, QSizeF canvas)
{
    if (!(picture.width() > 0) || !(picture.height() > 0))
        return {};
    const double s = std::min(canvas.width() / picture.width(), canvas.height() / picture.height());
    const double w = s * picture.width();
    const double h = s * picture.height();
    return QRectF((canvas.width() - w) / 2, (canvas.height() - h) / 2, w, h);
}

QRectF Compositor::placedRect(const QRectF& fitted, QSizeF canvas, double scale, double offsetX, double offsetY)
{
    const double midX = canvas.width() / 2;
    const double midY = canvas.height() / 2;
    const double left = (fitted.left() - midX) * scale + midX + offsetX * canvas.width();
    const double top = (fitted.top() - midY) * scale + midY + offsetY * canvas.height();
    return QRectF(left, top, fitted.width() * scale, fitted.height() * scale);
}

BgraView Compositor::turned(const BgraView& source, Orientation orientation, AlignedBuffer& buffer)
{
    if (orientation == Orientation::up)
        return source;
    const bool quarter = orientation != Orientation::down;
    const int w = quarter ? source.height : source.width;
    const int h = quarter ? source.width : source.height;
    const int stride = w * 4;
    uint8_t* pixels = buffer.ensure(size_t(stride) * h);
    if (!pixels)
        return {};
    const int sw = source.width;
    const int sh = source.height;
    // Tiles keep both the rows read and the rows written in the cache.
    constexpr int kTile = 64;
    for (int ty = 0; ty < h; ty += kTile) {
        for (int tx = 0; tx < w; tx += kTile) {
            const int yEnd = std::min(ty + kTile, h);
            const int xEnd = std::min(tx + kTile, w);
            for (int y = ty; y < yEnd; ++y) {
                auto* out = reinterpret_cast<uint32_t*>(pixels + size_t(y) * stride);
                for (int x = tx; x < xEnd; ++x) {
                    int sx, sy;
                    switch (orientation) {
                    case Orientation::right: // a quarter clockwise
                        sx = y;
                        sy = sh - 1 - x;
                        break;
                    case Orientation::left: // a quarter anticlockwise
                        sx = sw - 1 - y;
                        sy = x;
                        break;
                    default: // half a turn
                        sx = sw - 1 - x;
                        sy = sh - 1 - y;
                        break;
                    }
                    out[x] = sourceRow(source, sy)[sx];
                }
            }
        }
    }
    BgraView v = source;
    v.data = pixels;
    v.width = w;
    v.height = h;
    v.stride = stride;
    return v;
}

Compositor::CachedStill* Compositor::findStill(uint64_t id, Orientation o, const QRect& crop, int width, int height)
{
    for (auto& still : stills_) {
        if (still->stillId == id && still->orientation == o && still->crop == crop && still->width == width
            && still->height == height) {
            still->lastUse = ++uses_;
            return still.get();
        }
    }
    return nullptr;
}

Compositor::CachedStill& Compositor::newStill()
{
    if (stills_.size() < kCachedStills) {
        stills_.push_back(std::make_unique<CachedStill>());
    } else {
        auto oldest = std::min_element(stills_.begin(), stills_.end(),
                                       [](const auto& a, const auto& b) { return a->lastUse < b->lastUse; });
        std::rotate(oldest, oldest + 1, stills_.end());
    }
    CachedStill& still = *stills_.back();
    still.stillId = 0; // matches no lookup until filled
    still.lastUse = ++uses_;
    return still;
}

bool Compositor::prepare(const BgraView& source, Orientation orientation, const QRectF& target, Prepared& out,
                         QRect& visible)
{
    QRect placed;
    if (!source.isValid() || !pixelRect(target, placed))
        return false;
    const QSizeF turnedSize = orientedSize(QSizeF(source.width, source.height), orientation);
    const int tw = int(turnedSize.width());
    const int th = int(turnedSize.height());
    // A picture the player already made at the drawn size may differ from
    // the rounded rectangle by a pixel: drawn at its own size, not rescaled.
    if (std::abs(tw - placed.width()) <= 1 && std::abs(th - placed.height()) <= 1)
        placed.setSize(QSize(tw, th));
    visible = placed.intersected(QRect(0, 0, width_, height_));
    if (visible.isEmpty())
        return false;
    const bool resized = tw != placed.width() || th != placed.height();

    // Only the part of the (turned) picture that lands in the frame is
    // scaled: a picture zoomed far past the frame costs no more than one
    // that fills it.
    QRect crop(0, 0, tw, th);
    QRect drawn = placed;
    if (resized) {
        const double fx = double(tw) / placed.width();
        const double fy = double(th) / placed.height();
        const int sx0 = std::clamp(int(std::floor((visible.left() - placed.left()) * fx)), 0, tw);
        const int sx1 = std::clamp(int(std::ceil((visible.right() + 1 - placed.left()) * fx)), 0, tw);
        const int sy0 = std::clamp(int(std::floor((visible.top() - placed.top()) * fy)), 0, th);
        const int sy1 = std::clamp(int(std::ceil((visible.bottom() + 1 - placed.top()) * fy)), 0, th);
        if (sx1 <= sx0 || sy1 <= sy0)
            return false;
        crop = QRect(sx0, sy0, sx1 - sx0, sy1 - sy0);
        const int dx0 = placed.left() + int(std::lround(sx0 / fx));
        const int dx1 = placed.left() + int(std::lround(sx1 / fx));
        const int dy0 = placed.top() + int(std::lround(sy0 / fy));
        const int dy1 = placed.top() + int(std::lround(sy1 / fy));
        if (dx1 <= dx0 || dy1 <= dy0)
            return false;
        drawn = QRect(dx0, dy0, dx1 - dx0, dy1 - dy0);
        visible = visible.intersected(drawn);
        if (visible.isEmpty())
            return false;
    }
    const int dw = drawn.width();
    const int dh = drawn.height();
    out.x = drawn.x();
    out.y = drawn.y();
    out.content = QRect(0, 0, dw, dh);

    if (source.stillId) {
        if (CachedStill* still = findStill(source.stillId, orientation, crop, dw, dh)) {
            out.view = still->hasPixels ? BgraView{still->pixels.data(), dw, dh, dw * 4, source.opaque, 0} : source;
            out.content = still->content;
            return true;
        }
    }
    CachedStill* still = source.stillId ? &newStill() : nullptr;
    if (orientation == Orientation::up && !resized) {
        out.view = source;
    } else {
        // Turned (into the scratch, or straight into the cache when that is
        // all), then resized.
        AlignedBuffer& turnTo = (still && !resized) ? still->pixels : turnScratch_;
        const BgraView t = turned(source, orientation, turnTo);
        if (!t.isValid())
            return false;
        if (resized) {
            AlignedBuffer& buffer = still ? still->pixels : scaleScratch_;
            uint8_t* pixels = buffer.ensure(size_t(dw) * 4 * dh);
            if (!pixels || !scaler_.scale(cropped(t, crop), pixels, dw, dh, dw * 4))
                return false;
            out.view = BgraView{pixels, dw, dh, dw * 4, source.opaque, 0};
        } else {
            out.view = t;
        }
    }
    if (still) {
        still->stillId = source.stillId;
        still->orientation = orientation;
        still->crop = crop;
        still->width = dw;
        still->height = dh;
        still->hasPixels = out.view.data != source.data;
        still->content = source.opaque ? out.content : visibleContent(out.view);
        out.content = still->content;
    }
    return true;
}

void Compositor::drawBase(VideoFrame& frame, const BgraView* source, Orientation orientation, double colourScale)
{
    if (frame.width() != width_ || frame.height() != height_)
        return;
    Prepared picture;
    QRect visible;
    const bool drawn = source
        && prepare(*source, orientation,
                   fittedRect(orientedSize(QSizeF(source->width, source->height), orientation),
                              QSizeF(width_, height_)),
                   picture, visible);
    if (!drawn) {
        for (int y = 0; y < height_; ++y)
            pixels::fillRow(frameRow(frame, y), width_, pixels::kOpaqueBlack);
        return;
    }
    const uint32_t colour = pixels::factor(colourScale);
    for (int y = 0; y < height_; ++y) {
        uint32_t* row = frameRow(frame, y);
        if (y < visible.top() || y > visible.bottom()) {
            pixels::fillRow(row, width_, pixels::kOpaqueBlack);
            continue;
        }
        pixels::fillRow(row, visible.left(), pixels::kOpaqueBlack);
        const uint32_t* src = sourceRow(picture.view, y - picture.y) + (visible.left() - picture.x);
        pixels::copyOpaqueRow(row + visible.left(), src, visible.width(), colour);
        pixels::fillRow(row + visible.right() + 1, width_ - visible.right() - 1, pixels::kOpaqueBlack);
    }
}

void Compositor::drawBaseCrossfade(VideoFrame& frame, const BgraView* a, Orientation aOrientation, const BgraView& b,
                                   Orientation bOrientation, double mix, double colourScale)
{
    if (frame.width() != width_ || frame.height() != height_)
        return;
    const uint32_t alpha = pixels::factor(mix);
    const QSizeF canvas(width_, height_);
    Prepared pa, pb;
    QRect va, vb;
    const bool fused = a && a->opaque && b.opaque && alpha > 0 && alpha < 256 && aOrientation == Orientation::up
        && bOrientation == Orientation::up
        && prepare(*a, aOrientation, fittedRect(QSizeF(a->width, a->height), canvas), pa, va)
        && pa.view.data == a->data
        && prepare(b, bOrientation, fittedRect(QSizeF(b.width, b.height), canvas), pb, vb)
        && pb.view.data == b.data && va == vb && pa.x == pb.x && pa.y == pb.y;
    if (!fused) {
        drawBase(frame, a, aOrientation, colourScale);
        DrawParams p;
        p.orientation = bOrientation;
        p.alpha = mix;
        p.colourScale = colourScale;
        drawOver(frame, b, p);
        return;
    }
    const uint32_t colour = pixels::factor(colourScale);
    for (int y = 0; y < height_; ++y) {
        uint32_t* row = frameRow(frame, y);
        if (y < va.top() || y > va.bottom()) {
            pixels::fillRow(row, width_, pixels::kOpaqueBlack);
            continue;
        }
        pixels::fillRow(row, va.left(), pixels::kOpaqueBlack);
        const uint32_t* srcA = sourceRow(pa.view, y - pa.y) + (va.left() - pa.x);
        const uint32_t* srcB = sourceRow(pb.view, y - pb.y) + (va.left() - pb.x);
        pixels::crossfadeOpaqueRow(row + va.left(), srcA, srcB, va.width(), alpha, colour);
        pixels::fillRow(row + va.right() + 1, width_ - va.right() - 1, pixels::kOpaqueBlack);
    }
}

void Compositor::drawOver(VideoFrame& frame, const BgraView& source, const DrawParams& params)
{
    if (frame.width() != width_ || frame.height() != height_)
        return;
    const uint32_t alpha = pixels::factor(params.alpha);
    if (alpha == 0 || !(params.scale > 0) || !std::isfinite(params.scale) || !std::isfinite(params.offsetX)
        || !std::isfinite(params.offsetY))
        return;
    const QSizeF canvas(width_, height_);
    const QRectF fitted = fittedRect(orientedSize(QSizeF(source.width, source.height), params.orientation), canvas);
    const QRectF target = placedRect(fitted, canvas, params.scale, params.offsetX, params.offsetY);
    Prepared picture;
    QRect visible;
    if (!prepare(source, params.orientation, target, picture, visible))
        return;
    // Fully transparent margins of a still are skipped altogether.
    visible = visible.intersected(picture.content.translated(picture.x, picture.y));
    if (visible.isEmpty())
        return;
    const uint32_t colour = pixels::factor(params.colourScale);
    const bool copy = picture.view.opaque && alpha >= 256;
    for (int y = visible.top(); y <= visible.bottom(); ++y) {
        uint32_t* dst = frameRow(frame, y) + visible.left();
        const uint32_t* src = sourceRow(picture.view, y - picture.y) + (visible.left() - picture.x);
        if (copy)
            pixels::copyOpaqueRow(dst, src, visible.width(), colour);
        else if (picture.view.opaque)
            pixels::overOpaqueRow(dst, src, visible.width(), alpha, colour);
        else
            pixels::overRow(dst, src, visible.width(), alpha, colour);
    }
}

void Compositor::scaleColour(VideoFrame& frame, double level)
{
    const uint32_t colour = pixels::factor(level);
    if (colour >= 256)
        return;
    for (int y = 0; y < frame.height(); ++y)
        pixels::scaleColourRow(frameRow(frame, y), frame.width(), colour);
}

} // namespace tessarin
