#pragma once
// The hand-over point for the pictures of the live source on air. Session
// threads push frames, each with the host time it is due on screen (when
// the sound that came with it is heard: the live sound waits in its queue
// and the device, and its picture waits as long); the program renderers
// read the frame due at their time under the lock, a renderer of a steady
// rate one picture after the other (LiveFramePick); registered views get
// the newest frame on the main thread, with bursts of frames coalesced into
// one screen update.
#include "media/LiveFramePick.h"

#include <QImage>
#include <QObject>
#include <QPointer>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace tessarin {

class LiveVideoSink : public std::enable_shared_from_this<LiveVideoSink> {
public:
    // How a view is shown a frame; a null image clears it to black.
    using Show = std::function<void(const QImage& frame)>;

    static std::shared_ptr<LiveVideoSink> create();

    // A frame is let go once the one after it has been due this long.
    static constexpr double kKeepSeconds = 0.1;
    // At most this many frames wait (1.3 s at 30 per second, above the
    // longest the live sound waits).
    static constexpr std::size_t kMaxFrames = 40;

    // Any thread. Hands over a new frame, or nothing (a null image) to clear,
    // due at once or at host time due. A clear drops every frame waiting. A
    // frame the same as the one before it (a repeat of the ingest's grid)
    // waits as no new one. At most one screen update is scheduled at a time.
    void push(const QImage& frame);
    void push(const QImage& frame, double due);

    // Any thread: the newest frame pushed (null when there is no live picture).
    QImage latest() const;
    // Any thread: the newest frame due by host time `time` (null before the
    // first one is due, or after a clear).
    QImage frameAt(double time) const;
    // The same for a render every `period` seconds that keeps its own pick
    // (LiveFramePick): every picture of a source at the render's rate is
    // shown once, none twice. On the render's thread.
    QImage frameAt(double time, double period, LiveFramePick& pick) const;

    // Main thread. Registers a view: show is called at once with the frame
    // last put on screen, then at every screen update. The view drops out by
    // itself when view is destroyed; the sink never keeps it alive.
    void addView(QObject* view, Show show);

    // Main thread: the frame last put on screen (given to views registered later).
    const QImage& lastImage() const { return lastImage_; }
    // Main thread: views still registered.
    int viewCount();

private:
    LiveVideoSink() = default;
    void update();
    void dropReleasedViews();

    struct View {
        QPointer<QObject> object;
        Show show;
    };

    std::vector<View> views_; // main thread only
    struct Due {
        double time;
        QImage frame;
        std::uint64_t id;
    };

    mutable std::mutex lock_; // guards pending_, hasPending_, latest_, due_
    QImage pending_;
    bool hasPending_ = false;
    QImage lastImage_; // main thread only
    QImage latest_;
    std::deque<Due> due_; // in order of their times
    std::uint64_t pushed_ = 0; // frames pushed: the next one's id
};

} // namespace tessarin
