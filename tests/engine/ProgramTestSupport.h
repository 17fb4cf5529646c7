#pragma once
// Pictures for golden checks of composed program frames: fake players
// whose items show a chosen picture, solid or painted, and pixel reads.
#include "platform/player/PlayerItem.h"
#include "platform/player/VideoFrame.h"
#include "support/FakeMediaPlayer.h"

#include <QColor>
#include <QPainter>

#include <atomic>
#include <memory>

namespace tessarin::test {

// An item source that shows one picture at every time and counts the asks.
class PictureSource final : public PlayerItemSource {
public:
    explicit PictureSource(std::shared_ptr<VideoFrame> frame)
        : frame_(std::move(frame))
    {
    }
    double itemTime(double) const override { return 0.0; }
    double currentTime() const override { return 0.0; }
    std::shared_ptr<const VideoFrame> frameAt(double) const override
    {
        ++asks;
        return frame_;
    }
    mutable std::atomic<int> asks { 0 };

private:
    std::shared_ptr<VideoFrame> frame_;
};

inline std::shared_ptr<VideoFrame> solidFrame(int width, int height, QColor colour)
{
    auto frame = VideoFrame::create(width, height);
    frame->image().fill(colour);
    return frame;
}

// Left half one colour, right half another.
inline std::shared_ptr<VideoFrame> splitFrame(int width, int height, QColor left, QColor right)
{
    auto frame = VideoFrame::create(width, height);
    QImage image(frame->bits(), width, height, frame->bytesPerLine(), QImage::Format_RGB32);
    image.fill(right);
    QPainter(&image).fillRect(0, 0, width / 2, height, left);
    return frame;
}

// Gives the player a new item that shows frame; returns the item's source.
inline std::shared_ptr<PictureSource> showPicture(FakeMediaPlayer& player, std::shared_ptr<VideoFrame> frame,
                                                  VideoTransform transform = {})
{
    auto item = PlayerItem::create(QStringLiteral("/fake/%1.mov").arg(player.replaceCount));
    player.replaceCurrentItem(item);
    item->setStreamInfo(false, true, transform);
    auto source = std::make_shared<PictureSource>(std::move(frame));
    item->setSource(source);
    return source;
}

inline QColor pixel(const VideoFrame& frame, int x, int y)
{
    const uchar* p = frame.constBits() + size_t(y) * frame.bytesPerLine() + size_t(x) * 4;
    return QColor(p[2], p[1], p[0], p[3]);
}

// Each channel within tolerance of the expected colour.
inline bool near(QColor actual, QColor expected, int tolerance = 2)
{
    return std::abs(actual.red() - expected.red()) <= tolerance
        && std::abs(actual.green() - expected.green()) <= tolerance
        && std::abs(actual.blue() - expected.blue()) <= tolerance
        && std::abs(actual.alpha() - expected.alpha()) <= tolerance;
}

} // namespace tessarin::test
