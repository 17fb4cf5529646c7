#pragma once
// The blocks column (placeholder until it is built).
// Main thread.
#include <QWidget>

namespace tessarin {

class PlaylistEngine;

class PlaylistColumnView : public QWidget {
    Q_OBJECT
public:
    explicit PlaylistColumnView(PlaylistEngine& engine, QWidget* parent = nullptr);

};

} // namespace tessarin
