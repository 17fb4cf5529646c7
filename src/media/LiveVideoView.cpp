#include "media/LiveVideoView.h"

#include "media/LiveVideoSink.h"

namespace tessarin {

LiveVideoView::LiveVideoView(const std::shared_ptr<LiveVideoSink>& sink, Clock& clock, QWidget* parent)
    : FrameView(clock, parent)
{
    // Frames come when the sink has them: no pulling at the screen rate.
    setFrameSource([this] { return frame_; });
    if (sink) {
        sink->addView(this, [this](const QImage& frame) {
            frame_ = frame;
            refresh();
        });
    }
}

} // namespace tessarin
