#pragma once
// A widget that shows pictures fitted on black (whole picture visible,
// aspect kept, centred). It pulls them from a frame source: at the screen's
// refresh rate while something plays, and once on refresh() otherwise, so an
// idle view costs nothing. It knows nothing of players: the source is any
// callback that returns the newest picture. Main thread only.
#include "platform/Clock.h"
#include "platform/PixelScaler.h"

#include <QImage>
#include <QWidget>

#include <functional>
#include <memory>

class QPainter;

namespace tessarin {

class FrameView : public QWidget {
    Q_OBJECT
public:
    // The picture to show now; a null image shows black. Called on the main
    // thread at every refresh, so it should hand over the newest frame
    // without copying it (a frame wrapped as a QImage). Returning the same
    // picture again costs no redraw.
    using FrameSource = std::function<QImage()>;

    explicit FrameView(Clock& clock, QWidget* parent = nullptr);
    ~FrameView() override;

    void setFrameSource(FrameSource source);
    // While true the view pulls at the screen's refresh rate.
    void setPlaying(bool playing);
    bool isPlaying() const { return playing_; }
    // Pulls once now (after a seek while paused, a new item, a stop).
    void refresh();

    // Seconds between pulls while playing: one refresh of this widget's
    // screen (60 Hz when the screen gives no usable rate).
    double refreshInterval() const;
    // The picture shown now (null when black).
    QImage currentImage() const { return current_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Paints part of the view, the painter clipped to it.
    void paintPart(QPainter& painter, const QRect& part);
    void pull();
    void restartTimer();
    bool isSamePicture(const QImage& image) const;

    Clock& clock_;
    FrameSource source_;
    bool playing_ = false;
    std::unique_ptr<Timer> timer_;
    double timerInterval_ = 0.0;
    QImage current_;
    // current_ resized for the screen, and the device size it was made for.
    QImage scaled_;
    QSize scaledSize_;
    PixelScaler scaler_;
};

} // namespace tessarin
