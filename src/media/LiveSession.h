#pragma once
// The interface of a running live input (capture device, ffmpeg ingest, or
// the placeholder for kinds that cannot open). One object serves one run.
//
// Contract:
// - The owner sets onVideo, onAudio and onStatus on its own thread before
//   start() and leaves them unchanged while the session runs.
// - start() and stop() return promptly; the work runs on the session's own
//   threads, and the callbacks are called there (never promised to be the
//   main thread).
// - onStatus gets connecting when receiving begins (and at each restart),
//   live at the first video frame of a run, failed(message) when the input
//   cannot be opened or is lost. A session never reports idle.
// - After stop() returns, frames, audio and statuses already under way may
//   still arrive; the owner drops them.
// - Picture size and audio format are the source's own; consumers accept any.
#include "media/LiveStatus.h"
#include "platform/player/PcmBuffer.h"

#include <QImage>

#include <functional>
#include <memory>

namespace tessarin {

class LiveSession {
public:
    virtual ~LiveSession() = default;

    // Every decoded picture, as a 32-bit BGRA image (Format_RGB32 or
    // Format_ARGB32_Premultiplied); QImage shares its pixels, so keeping one is cheap.
    // soundSeconds: where the picture's moment lies in the session's sound,
    // as seconds of the sound handed to onAudio since start() (the picture
    // belongs with the sound that begins there); NaN when the session cannot
    // tell, and its pictures are then paired with their sound by arrival.
    std::function<void(const QImage& frame, double soundSeconds)> onVideo;
    // Every block of decoded audio, 32-bit float; the buffer is not changed after the call.
    std::function<void(const std::shared_ptr<const PcmBuffer>& buffer)> onAudio;
    std::function<void(const LiveStatus& status)> onStatus;

    virtual void start() = 0;
    virtual void stop() = 0;

    // How much later than the sound of its time a picture is delivered (the
    // latency of the session's picture path beyond its sound's); any thread.
    virtual double pictureLatency() const { return 0.0; }
};

} // namespace tessarin
