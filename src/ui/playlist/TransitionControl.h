#pragma once
// Cut or fade, and the fade time (placeholder until it is built).
// Main thread.
#include <QWidget>

namespace tessarin {

class PlaylistEngine;

class TransitionControl : public QWidget {
    Q_OBJECT
public:
    explicit TransitionControl(PlaylistEngine& engine, QWidget* parent = nullptr);

};

} // namespace tessarin
