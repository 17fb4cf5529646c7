#pragma once
// The top row of the centre column: the elapsed time of the item on air, the
// wall clock in the middle and the time left, which blinks red and white in
// the engine's near-end phase and turns blue while a live source is on air.
// Shows the engine's readouts verbatim. Main thread.
#include "ui/kit/KeptPicture.h"

#include <QFont>
#include <QWidget>

namespace tessarin {

class Clock;
class FitLabel;
class PlaylistEngine;
class TimeOfDayClockView;

class TimecodeBar : public QWidget {
    Q_OBJECT
public:
    TimecodeBar(PlaylistEngine& engine, Clock& clock, QWidget* parent = nullptr);

    FitLabel* elapsedLabel() const { return elapsed_; }
    FitLabel* remainingLabel() const { return remaining_; }
    TimeOfDayClockView* clockView() const { return clockView_; }
    // The colour of the time left for the engine's state now.
    QColor remainingColor() const;
    // Wide enough for both readouts of a time left ("-00:00:00") whole at
    // their smallest, beside the clock.
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    void follow();

    PlaylistEngine& engine_;
    FitLabel* elapsed_;
    TimeOfDayClockView* clockView_;
    FitLabel* remaining_;
    KeptPicture box_; // the rounded box, drawn once per size
    // A readout's width at its smallest, measured once per font.
    mutable QFont readoutFont_;
    mutable int readoutWidth_ = -1;
};

} // namespace tessarin
