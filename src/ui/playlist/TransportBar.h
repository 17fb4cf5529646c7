#pragma once
// The row of transport buttons (placeholder until it is built).
// Main thread.
#include <QWidget>

namespace tessarin {

class PlaylistEngine;

class TransportBar : public QWidget {
    Q_OBJECT
public:
    explicit TransportBar(PlaylistEngine& engine, QWidget* parent = nullptr);

};

} // namespace tessarin
