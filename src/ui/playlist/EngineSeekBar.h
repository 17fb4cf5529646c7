#pragma once
// The seek bar under the monitor, wired to the engine: it shows the engine's
// progress, window length and whether the item on air can be sought, and
// turns the bar's seeks into engine seeks. Pointer moves of a drag are
// coalesced: at most one seek per screen refresh, and none while the
// previous one is still being decoded, each landing on the exact frame so
// the monitor follows the pointer; the release seeks at once, exactly where
// the pointer was. Main thread.
#include <QWidget>

#include <memory>
#include <optional>

namespace tessarin {

class Clock;
class PlaylistEngine;
class SeekBar;
class Timer;

class EngineSeekBar : public QWidget {
    Q_OBJECT
public:
    explicit EngineSeekBar(PlaylistEngine& engine, QWidget* parent = nullptr);
    ~EngineSeekBar() override;

    SeekBar* bar() const { return bar_; }
    // Seeks handed to the engine since construction.
    int seeksIssued() const { return seeksIssued_; }

private:
    void follow();
    void onSeek(double fraction, bool isFinal);
    void issuePending();
    double frameInterval() const;

    PlaylistEngine& engine_;
    Clock& clock_;
    SeekBar* bar_;
    // Closed for one screen refresh after each scrub seek.
    std::unique_ptr<Timer> gate_;
    std::optional<double> pending_;
    bool inFlight_ = false;
    // Tells the completion of the seek in flight from those it superseded.
    int generation_ = 0;
    int seeksIssued_ = 0;
};

} // namespace tessarin
