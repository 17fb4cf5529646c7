#pragma once
// The line under the seek bar: the on-air badge with the name of the item on
// air and of its block, or "Nessuna riproduzione"; for a few seconds after an
// item failed to play, which one and why, in red. Main thread.
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
    ElidedLabel* failureLabel() const { return failure_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void follow();
    // What is on air wins the room: the block's name gives way first, down
    // to its least width, and only then the item's.
    void shareRoom();
    // The fewest letters of the block's name shown before the ellipsis.
    static constexpr int kReadableBlockChars = 8;
    void followFailure();

    PlaylistEngine& engine_;
    OnAirBadge* badge_;
    ElidedLabel* item_;
    ElidedLabel* block_;
    QLabel* idle_;
    ElidedLabel* failure_;
    QMetaObject::Connection blockName_;
};

} // namespace tessarin
