#pragma once
// The content of the full-screen output window: black everywhere, and the
// program monitor without the live status panel (the audience never sees
// it). Main thread only.
#include <QWidget>

namespace tessarin {

class Clock;
class MonitorView;
class PlaylistEngine;

class OutputContentView : public QWidget {
    Q_OBJECT
public:
    OutputContentView(PlaylistEngine& engine, Clock& clock, QWidget* parent = nullptr);
    MonitorView* monitor() const { return monitor_; }

private:
    MonitorView* monitor_;
};

} // namespace tessarin
