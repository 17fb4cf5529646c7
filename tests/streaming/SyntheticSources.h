#pragma once
// Frame and audio sources that stand in for the program renderer and the
// program audio bus: numbered frames from a small buffer pool and a tone.
#include "streaming/StreamSources.h"

#include <atomic>
#include <cmath>
#include <cstring>
#include <mutex>

namespace tessarin::test {

class NumberedFrames final : public StreamFrameSource {
public:
    NumberedFrames(int width, int height)
        : width_(width)
        , height_(height)
    {
    }
    // Frame n is filled with the byte n % 200 (alpha included), so woven
    // rows show which render they came from.
    StreamFramePtr nextFrame() override
    {
        StreamFramePtr frame = VideoFrame::createForOverwrite(width_, height_);
        const int n = count_++;
        std::memset(frame->bits(), n % 200, size_t(frame->bytesPerLine()) * size_t(frame->height()));
        return frame;
    }
    int rendered() const { return count_; }

private:
    int width_;
    int height_;
    std::atomic<int> count_ { 0 };
};

class ToneAudio final : public StreamAudioSource {
public:
    std::vector<float> pull(int frames, double) override
    {
        std::vector<float> out(size_t(frames) * 2);
        for (int i = 0; i < frames; ++i) {
            const float v = 0.25f * float(std::sin(phase_));
            phase_ += 2.0 * M_PI * 440.0 / 48000.0;
            out[size_t(i) * 2] = v;
            out[size_t(i) * 2 + 1] = v;
        }
        ++pulls;
        return out;
    }
    void setStreaming(bool on) override
    {
        streaming = on;
        ++switches;
    }
    std::atomic<int> pulls { 0 };
    bool streaming = false;
    int switches = 0;

private:
    double phase_ = 0;
};

} // namespace tessarin::test
