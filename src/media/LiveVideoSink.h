#pragma once
// The hand-over point for the pictures of the live source on air. Session
// threads push frames; the program renderer reads the newest one under the
// lock; registered views get the newest frame on the main thread, with
// bursts of frames coalesced into one screen update.
#include <QImage>
#include <QObject>
#include <QPointer>

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

    // Any thread. Hands over a new frame, or nothing (a null image) to clear.
    // At most one screen update is scheduled at a time.
    void push(const QImage& frame);

    // Any thread: the newest frame pushed (null when there is no live picture).
    QImage latest() const;

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
    mutable std::mutex lock_; // guards pending_, hasPending_, latest_
    QImage pending_;
    bool hasPending_ = false;
    QImage lastImage_; // main thread only
    QImage latest_;
};

} // namespace tessarin
