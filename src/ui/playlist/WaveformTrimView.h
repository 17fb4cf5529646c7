#pragma once
// The IN/OUT editor of one item, shown in a popover from its row: the
// waveform with two draggable markers, the frames at IN and OUT, the three
// times and a reset. Every change is written into the item at once; there is
// no confirm step. Main thread.
#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>

class QLabel;
class QPushButton;

namespace tessarin {

class ElidedLabel;
class FramePreviewLoader;
class MediaFile;

// The waveform with the trimmed-off shades and the two markers; drags move
// the item's points. Screen readers find each marker as a slider of its
// point in seconds (an object over the marker that takes no pointer events),
// which sets the point as a drag does; the keyboard reaches each marker with
// Tab and moves it with the arrows. Part of WaveformTrimView.
class TrimWaveformArea : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHandleWidth = 8;
    // A marker takes a press this wide, kept inside the area, so it can be
    // grabbed at the very start and the very end too.
    static constexpr int kGrabWidth = 12;

    TrimWaveformArea(std::shared_ptr<MediaFile> item, int height, QWidget* parent = nullptr);
    // x of a time in the area, and the marker rectangles, in area coordinates.
    double xForTime(double seconds) const;
    QRectF inMarker() const;
    QRectF outMarker() const;
    QRectF inGrabZone() const;
    QRectF outGrabZone() const;
    // The accessible objects over the IN and OUT markers.
    QWidget* inHandle() const;
    QWidget* outHandle() const;
    // Moves a point as a drag to seconds does, within the same bounds.
    void movePoint(bool isIn, double seconds);

signals:
    void inPointDragged(double seconds);
    void outPointDragged(double seconds);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    class Handle;
    void placeHandles();

    enum class Marker { none, in, out };
    double drawingDuration() const;
    double effectiveEnd() const;
    QRectF grabZone(double x) const;
    void dragTo(double pointerX);

    std::shared_ptr<MediaFile> item_;
    Marker dragging_ = Marker::none;
    double pressX_ = 0;
    std::optional<double> dragStartIn_;
    std::optional<double> dragStartOut_;
    Handle* inHandle_;
    Handle* outHandle_;
};

class WaveformTrimView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 360;

    WaveformTrimView(std::shared_ptr<MediaFile> item, int waveHeight = 64, QWidget* parent = nullptr);
    ~WaveformTrimView() override;

    TrimWaveformArea* waveformArea() const { return area_; }
    FramePreviewLoader* inPreview() const { return inPreview_; }
    FramePreviewLoader* outPreview() const { return outPreview_; }
    QPushButton* resetButton() const { return reset_; }
    // The texts under the waveform: IN, length, OUT.
    QString inText() const;
    QString lengthText() const;
    QString outText() const;

private:
    void reset();
    void refreshTimes();

    std::shared_ptr<MediaFile> item_;
    FramePreviewLoader* inPreview_;
    FramePreviewLoader* outPreview_;
    TrimWaveformArea* area_;
    QLabel* inTime_ = nullptr;
    QLabel* lengthTime_ = nullptr;
    QLabel* outTime_ = nullptr;
    QPushButton* reset_ = nullptr;
};

} // namespace tessarin
