#pragma once
// Shows the pictures of the live source on air: a FrameView registered
// with the live sink, which hands it the newest frame on the main thread
// (bursts coalesced into one update). It starts with the frame last shown
// on screen and shows black after the sink is cleared. The sink never keeps
// it alive. Main thread only.
#include "platform/FrameView.h"

#include <memory>

namespace tessarin {

class LiveVideoSink;

class LiveVideoView : public FrameView {
    Q_OBJECT
public:
    LiveVideoView(const std::shared_ptr<LiveVideoSink>& sink, Clock& clock, QWidget* parent = nullptr);

private:
    QImage frame_;
};

} // namespace tessarin
