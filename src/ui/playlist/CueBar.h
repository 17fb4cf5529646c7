#pragma once
// The cue bar: the cued item with its take and cancel buttons; hidden while nothing is cued (placeholder until it is built).
// Main thread.
#include <QWidget>

namespace tessarin {

class PlaylistEngine;

class CueBar : public QWidget {
    Q_OBJECT
public:
    explicit CueBar(PlaylistEngine& engine, QWidget* parent = nullptr);

};

} // namespace tessarin
