#pragma once
// The program's stereo level meter: two vertical bars (left, right) that
// follow an AudioLevelTap's published levels, green at the foot to red at the
// top, each change eased linearly over 0.08 s. One timer of the injected
// clock steps both bars at 30 Hz while either moves, and a step repaints only
// the band of a bar that changed: the meter sits beside the monitor and must
// cost little while the program plays. Sets no size of its own. Main thread.
#include <QColor>
#include <QWidget>

#include <memory>

namespace tessarin {

class AudioLevelTap;
class Clock;
class Timer;

// One bar: a dark trough and the level's gradient column. Level in 0...1.
class VUMeterBar : public QWidget {
    Q_OBJECT
public:
    explicit VUMeterBar(QWidget* parent = nullptr);
    // The level drawn now; repaints the band between the old and new tops.
    void setShownLevel(float level);
    float shownLevel() const { return shown_; }
    // The colour behind the rounded trough (the bar paints every pixel).
    void setBackground(const QColor& color);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    int topFor(float level) const;

    float shown_ = 0.0f;
    QColor background_;
};

class StereoVUMeterView : public QWidget {
    Q_OBJECT
public:
    static constexpr double kEaseSeconds = 0.08;
    static constexpr double kStepSeconds = 1.0 / 30.0;

    StereoVUMeterView(std::shared_ptr<AudioLevelTap> levelTap, Clock& clock, QWidget* parent = nullptr);
    ~StereoVUMeterView() override;

    VUMeterBar* leftBar() const { return bars_[0].bar; }
    VUMeterBar* rightBar() const { return bars_[1].bar; }
    // The levels the bars are easing towards.
    float leftLevel() const { return bars_[0].target; }
    float rightLevel() const { return bars_[1].target; }
    // The colour the meter stands on (the bars' corners).
    void setBackground(const QColor& color);

private:
    struct Ease {
        VUMeterBar* bar = nullptr;
        float from = 0.0f;
        float target = 0.0f;
        double start = 0.0;
    };

    void follow();
    void step();

    std::shared_ptr<AudioLevelTap> tap_;
    Clock& clock_;
    std::unique_ptr<Timer> timer_;
    Ease bars_[2];
};

} // namespace tessarin
