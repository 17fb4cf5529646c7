#pragma once
// The monitor row of the centre column: the program monitor as the largest
// 16:9 rectangle the row allows beside the 26-pixel level meter, both centred
// together; the monitor has rounded corners, a red frame and glow while the
// program runs, a thin border and a dark shadow otherwise. A new picture
// repaints the picture alone, never the frame around it. The only row of
// the column that grows and shrinks with the window. Main thread.
#include <QPixmap>
#include <QWidget>

class QPainter;

namespace tessarin {

class Clock;
class MonitorView;
class PlaylistEngine;
class StereoVUMeterView;

class MonitorRow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kMeterWidth = 26;
    static constexpr int kSpacing = 10;

    MonitorRow(PlaylistEngine& engine, Clock& clock, QWidget* parent = nullptr);

    MonitorView* monitor() const { return monitor_; }
    StereoVUMeterView* meter() const { return meter_; }
    // The monitor's place for a row of size.
    static QRect monitorRect(const QSize& size);

    QSize sizeHint() const override { return { 640, 360 }; }
    QSize minimumSizeHint() const override { return { kMeterWidth + kSpacing + 64, 36 }; }

protected:
    void resizeEvent(QResizeEvent*) override;
    void paintEvent(QPaintEvent*) override;

private:
    void place();
    void drawFrame(QPainter& painter, bool playing) const;

    PlaylistEngine& engine_;
    MonitorView* monitor_;
    StereoVUMeterView* meter_;
    QPixmap drawn_; // the shadow and frame at the row's size
    bool drawnPlaying_ = false;
};

} // namespace tessarin
