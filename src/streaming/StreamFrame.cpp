#include "streaming/StreamFrame.h"

#include <cstring>

namespace tessarin {

std::shared_ptr<StreamFrame> StreamFrame::allocate(int width, int height, qsizetype rowPadding)
{
    auto frame = std::make_shared<StreamFrame>();
    if (width <= 0 || height <= 0 || rowPadding < 0)
        return frame;
    frame->width = width;
    frame->height = height;
    frame->bytesPerRow = qsizetype(width) * 4 + rowPadding;
    auto bytes = std::make_shared<std::vector<std::uint8_t>>(static_cast<size_t>(frame->bytesPerRow) * height);
    for (size_t i = 3; i < bytes->size(); i += 4)
        (*bytes)[i] = 0xff; // alpha of a BGRA pixel; padding bytes do not matter
    frame->data = bytes->data();
    frame->storage = bytes;
    return frame;
}

} // namespace tessarin
