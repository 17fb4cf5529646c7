#include "ui/playlist/FramePreviewLoader.h"

#include "platform/FrameGrabber.h"
#include "platform/MainThread.h"
#include "platform/Workers.h"

#include <QPointer>

#include <atomic>
#include <cmath>
#include <mutex>
#include <optional>

namespace tessarin {

// Shared by the loader and its background task; the task holds it alive, so
// the grabber outlives a loader destroyed mid-decode.
struct FramePreviewLoader::Work {
    explicit Work(const QString& path)
        : grabber(path, 0)
    {
    }

    FrameGrabber grabber; // touched by the running task only
    std::mutex mutex;
    // Guarded by mutex: the request waiting for the task, and whether a task runs.
    std::optional<std::pair<quint64, double>> pending;
    bool running = false;
    std::atomic<quint64> decoded { 0 };
};

FramePreviewLoader::FramePreviewLoader(QObject* parent)
    : QObject(parent)
{
}

FramePreviewLoader::~FramePreviewLoader() = default;

void FramePreviewLoader::prepare(const QString& path)
{
    if (work_ || path.isEmpty())
        return;
    work_ = std::make_shared<Work>(path);
}

quint64 FramePreviewLoader::framesDecoded() const { return work_ ? work_->decoded.load() : 0; }

void FramePreviewLoader::update(double seconds)
{
    if (!work_)
        return;
    const quint64 generation = ++generation_;
    const double time = std::isfinite(seconds) && seconds > 0 ? seconds : 0.0;
    {
        std::lock_guard lock(work_->mutex);
        work_->pending = std::make_pair(generation, time);
        if (work_->running)
            return; // the running task takes it when it is done
        work_->running = true;
    }
    QPointer<FramePreviewLoader> self(this);
    Workers::userInitiated().async([work = work_, self] {
        for (;;) {
            std::pair<quint64, double> request;
            {
                std::lock_guard lock(work->mutex);
                if (!work->pending) {
                    work->running = false;
                    return;
                }
                request = *work->pending;
                work->pending.reset();
            }
            std::optional<QImage> frame = work->grabber.frame(request.second, QSize(kMaxWidth, kMaxHeight),
                                                              FrameGrabber::Tolerance::zero);
            ++work->decoded;
            if (!frame)
                continue; // a frame that cannot be made leaves the last one shown
            postToMain([self, generation = request.first, image = std::move(*frame)] {
                if (self)
                    self->publish(generation, image);
            });
        }
    });
}

void FramePreviewLoader::publish(quint64 generation, const QImage& image)
{
    if (generation != generation_)
        return;
    image_ = image;
    emit imageChanged();
}

} // namespace tessarin
