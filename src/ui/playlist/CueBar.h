#pragma once
// The cue bar: the cued item's picture (the engine's preview player, paused
// at the IN point), "IN CUE" with the item's name, the take button and the
// cancel button. It exists only while something is cued: it hides itself
// when the engine clears the cue. The take is the engine's takeCued(), the
// same as the take shortcut and the ATEM link. Main thread.
#include <QWidget>

class QAbstractButton;

#include <memory>

namespace tessarin {

class ElidedLabel;
class FrameView;
class IconButton;
class MediaPlayer;
class PlayerFrameGrabber;
class PlaylistEngine;

class CueBar : public QWidget {
    Q_OBJECT
public:
    explicit CueBar(PlaylistEngine& engine, QWidget* parent = nullptr);
    ~CueBar() override;

    QAbstractButton* takeButton() const { return take_; }
    IconButton* cancelButton() const { return cancel_; }
    FrameView* preview() const { return preview_; }
    QString itemName() const;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    void follow();
    QImage previewFrame();

    PlaylistEngine& engine_;
    std::shared_ptr<MediaPlayer> previewPlayer_;
    std::unique_ptr<PlayerFrameGrabber> grabber_;
    int seekObserver_ = 0;
    FrameView* preview_;
    ElidedLabel* name_;
    QAbstractButton* take_;
    IconButton* cancel_;
};

} // namespace tessarin
