#pragma once
// The wall clock of the centre column: the time of day "HH:mm:ss" (24-hour,
// whatever the locale) in large monospaced digits inside a square frame.
// Redraws on each whole second of the injected clock. Main thread.
#include <QWidget>

#include <memory>

namespace tessarin {

class Clock;
class Timer;

class TimeOfDayClockView : public QWidget {
    Q_OBJECT
public:
    explicit TimeOfDayClockView(Clock& clock, QWidget* parent = nullptr);
    ~TimeOfDayClockView() override;

    // The time shown now.
    QString text() const { return text_; }
    // Seconds since 1970 formatted as the local time of day.
    static QString format(double wallSeconds);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override;
    void showEvent(QShowEvent*) override;
    void hideEvent(QHideEvent*) override;

private:
    void tick();

    Clock& clock_;
    std::unique_ptr<Timer> timer_;
    QString text_;
};

} // namespace tessarin
