#pragma once
// The scrub bar under the program monitor: draws the played share of the
// item's window and reports the share under the pointer when the operator
// clicks or drags (a click is a one-step drag). While hovered or dragged it
// grows, shows a knob and a time read-out above the pointer. It knows nothing
// of the engine: it draws the values it is given and emits seekRequested().
// Screen readers see a slider of the position in seconds, which they can
// set as a click does. Tab reaches it; focused, Left/Right ask for a jump of
// one second and Page Down/Page Up of ten, back and forth, as the ±10 s
// buttons do. Readers hear of those moves, not of playback's progress.
// Main thread.
#include "ui/kit/Accessibility.h"

#include <QPointer>
#include <QWidget>

#include <optional>

class QVariantAnimation;

namespace tessarin {

class SeekBar : public QWidget, public AccessibleValue {
    Q_OBJECT
public:
    explicit SeekBar(QWidget* parent = nullptr);
    ~SeekBar() override;

    // Played share of the window, 0 to 1.
    void setProgress(double progress);
    double progress() const { return progress_; }
    // Length of the window in seconds; used only for the time read-out.
    void setDuration(double seconds);
    double duration() const { return duration_; }
    // Whether seeking is possible. The bar still tracks hovering while off.
    void setSeekEnabled(bool enabled);
    bool isSeekEnabled() const { return seekEnabled_; }

    // The share under the pointer during a drag, and while it hovers.
    std::optional<double> dragFraction() const { return dragFraction_; }
    std::optional<double> hoverFraction() const { return hoverFraction_; }
    // Seekable and hovered or dragged: the knob shows and the track grows.
    bool isActive() const;
    // The share the fill shows: the drag's, else the progress.
    double shownFraction() const;
    // The time read-out above the pointer, empty while none is shown.
    QString readoutText() const;
    // The read-out's rectangle in this bar's coordinates (above the bar).
    QRect readoutRect() const;

    QSize sizeHint() const override { return { 200, kHeight }; }
    QSize minimumSizeHint() const override { return { 20, kHeight }; }

    static constexpr int kHeight = 20;

    double accessibleMinimum() const override { return 0.0; }
    double accessibleMaximum() const override { return duration_ > 0 ? duration_ : 0.0; }
    double accessibleValue() const override { return accessibleMaximum() * progress_; }
    double accessibleStep() const override { return 1.0; }
    QString accessibleValueText() const override;
    void setAccessibleValue(double seconds) override;

signals:
    // A seek to a share of the window: isFinal is false for the steps of a
    // drag and true once, at release.
    void seekRequested(double fraction, bool isFinal);
    // A jump by seconds from the position (negative: back), from the keys.
    void jumpRequested(double seconds);

protected:
    void paintEvent(QPaintEvent*) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class Readout;

    double workingWidth() const;
    double shareAt(double x) const;
    void stateChanged();
    void placeReadout();

    double progress_ = 0;
    double duration_ = 0;
    bool seekEnabled_ = false;
    bool dragging_ = false;
    std::optional<double> dragFraction_;
    std::optional<double> hoverFraction_;
    bool wasActive_ = false;
    // Where a move asked for from the keys or a screen reader lands; its
    // arrival is what readers hear (within kLandedSeconds: playback goes on
    // while the seek is made).
    std::optional<double> spokenTarget_;
    static constexpr double kLandedSeconds = 1.0;
    double activeLevel_ = 0; // 0 inactive ... 1 active, eased
    QVariantAnimation* activeAnimation_;
    QPointer<Readout> readout_; // a child of the window, which may go first
};

} // namespace tessarin
