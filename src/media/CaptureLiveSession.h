#pragma once
// The live session of a capture device (camera, capture card): pictures as
// BGRA images at the device's own size, sound (when the hardware has a
// capture device of its own) as float32 planar blocks at its own rate and
// channel count. Linux asks no consent: a device file this user may not open
// fails with the system's reason.
//
// Threads: start() and stop() on the owner's thread; the device is looked up
// on a worker; the callbacks run on the capture session's threads.
#include "media/LiveSession.h"

#include "platform/CaptureDevices.h"
#include "platform/CaptureSession.h"

#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace tessarin {

class CaptureLiveSession final : public LiveSession, public std::enable_shared_from_this<CaptureLiveSession> {
public:
    // What to open for a device id; nullopt when no such device is attached.
    using Resolver = std::function<std::optional<CaptureInput>(const QString& deviceID)>;

    explicit CaptureLiveSession(QString deviceID);
    // Tests hand in a resolver (a lavfi graph stands in for a camera).
    CaptureLiveSession(QString deviceID, Resolver resolver);
    ~CaptureLiveSession() override;

    const QString& deviceID() const { return deviceID_; }

    void start() override;
    void stop() override;

    // The input of a listed device: its V4L2 node, and the ALSA capture
    // device of the same hardware when it has one.
    static CaptureInput inputFor(const CaptureDeviceInfo& device);
    // Looks the device up through the enumerator.
    static Resolver systemResolver(std::shared_ptr<CaptureDeviceEnumerator> enumerator = makeSystemCaptureEnumerator());

private:
    void configureAndRun();
    void report(const LiveStatus& status);
    void deliverFrame(std::shared_ptr<VideoFrame> frame);
    void deliverAudio(const CapturedAudio& audio);
    void fail(const CaptureFailure& failure);

    const QString deviceID_;
    const Resolver resolver_;
    std::atomic<bool> reportedLive_ { false };
    bool started_ = false; // owner's thread

    std::mutex lock_; // guards stopped_ and capture_
    bool stopped_ = false;
    std::shared_ptr<CaptureSession> capture_;
};

} // namespace tessarin
