#pragma once
// What the stream pipeline carries: composed BGRA pictures as shared
// VideoFrames (the renderer's buffers, written to the encoders without a
// copy) and blocks of interleaved stereo float samples at 48 kHz, each
// shared by every destination.
#include "platform/player/VideoFrame.h"

#include <memory>
#include <vector>

namespace tessarin {

using StreamFramePtr = std::shared_ptr<VideoFrame>;
using StreamAudioBlock = std::shared_ptr<const std::vector<float>>;

} // namespace tessarin
