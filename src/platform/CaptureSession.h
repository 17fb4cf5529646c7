#pragma once
// Frames and sound from a capture device through libavdevice: the picture
// (v4l2, or any other libavdevice input such as lavfi) converted to BGRA
// frames (a steady stream reuses a handful of picture blocks; no allocation
// per frame), the sound (an audio stream of the same input, or the ALSA capture
// device of the same hardware) as float32 planar at the device's own
// rate and channel count. Each input is read on a thread of the session's
// own; the callbacks run there, one at a time.
#include "platform/player/VideoFrame.h"

#include <QString>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace tessarin {

struct CaptureInput {
    QString format; // libavdevice input format: "v4l2", "lavfi"
    QString url;    // device path (or a lavfi graph)
    std::vector<std::pair<QString, QString>> options;
    QString audioFormat; // "alsa" when the hardware has its own capture device; empty for none
    QString audioUrl;    // "plughw:1,0"
};

// One block of captured sound: channels planes of frames samples each, one
// after the other in samples (plane c starts at c * frames).
struct CapturedAudio {
    int sampleRate = 0;
    int channels = 0;
    int frames = 0;
    std::vector<float> samples;
    const float* plane(int channel) const { return samples.data() + static_cast<std::size_t>(channel) * frames; }
};

// Why the picture input did not open, or why it ended without a stop.
struct CaptureFailure {
    enum class Kind {
        NotFound,     // no such device (unplugged, wrong path)
        AccessDenied, // the device file's permissions do not let this user open it
        NoVideo,      // opened, but it has no picture to give
        Other,
    };
    Kind kind = Kind::Other;
    QString reason; // the system's own description ("Permission denied")
};

class CaptureSession {
public:
    struct Callbacks {
        std::function<void(std::shared_ptr<VideoFrame>)> onFrame;
        std::function<void(const CapturedAudio&)> onAudio;
        std::function<void(const CaptureFailure&)> onFailed; // the picture input cannot be used, or ends without a stop
    };

    CaptureSession(CaptureInput input, Callbacks callbacks);
    // Stops (see stop()); the threads end on their own.
    ~CaptureSession();
    CaptureSession(const CaptureSession&) = delete;
    CaptureSession& operator=(const CaptureSession&) = delete;

    // Any thread; once. Returns at once: opening happens on the video thread.
    void start();
    // Any thread. Waits only for a callback under way to return, never for
    // the device: no callback runs after stop() has returned. A callback may
    // call it (it then does not wait for itself). A callback must therefore
    // never wait for the thread that calls stop().
    void stop();
    // True once every thread of the session has ended.
    bool finished() const;

    // The text libav gives for one of its error codes.
    static QString errorText(int averror);
    // What an error of opening the picture input means.
    static CaptureFailure failureFor(int averror);

    // The state the session's threads share with it (defined in the .cpp).
    struct Shared;

private:
    std::shared_ptr<Shared> shared_;
};

} // namespace tessarin
