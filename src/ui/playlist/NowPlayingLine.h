#pragma once
// The line under the seek bar: the on-air badge with the name of the item on
// air and of its block, or "Nessuna riproduzione". Main thread.
#include <QWidget>

class QLabel;

namespace tessarin {

class ElidedLabel;
class OnAirBadge;
class PlaylistEngine;

class NowPlayingLine : public QWidget {
    Q_OBJECT
public:
    explicit NowPlayingLine(PlaylistEngine& engine, QWidget* parent = nullptr);

    OnAirBadge* badge() const { return badge_; }
    ElidedLabel* itemLabel() const { return item_; }
    ElidedLabel* blockLabel() const { return block_; }
    QLabel* idleLabel() const { return idle_; }

private:
    void follow();

    PlaylistEngine& engine_;
    OnAirBadge* badge_;
    ElidedLabel* item_;
    ElidedLabel* block_;
    QLabel* idle_;
    QMetaObject::Connection blockName_;
};

} // namespace tessarin
