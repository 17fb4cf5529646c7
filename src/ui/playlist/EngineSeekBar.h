#pragma once
// The seek bar under the monitor, wired to the engine (placeholder until it is built).
// Main thread.
#include <QWidget>

namespace tessarin {

class PlaylistEngine;

class EngineSeekBar : public QWidget {
    Q_OBJECT
public:
    explicit EngineSeekBar(PlaylistEngine& engine, QWidget* parent = nullptr);

};

} // namespace tessarin
