#pragma once
// The program's stereo level meter: two vertical bars (left, right) that
// follow an AudioLevelTap's published levels, green at the foot to red at the
// top, each change eased over 0.08 s. Sets no size of its own. Main thread.
#include <QPointer>
#include <QWidget>

#include <memory>

class QVariantAnimation;

namespace tessarin {

class AudioLevelTap;

// One bar: a dark trough and the level's gradient column. Level in 0...1.
class VUMeterBar : public QWidget {
    Q_OBJECT
public:
    explicit VUMeterBar(QWidget* parent = nullptr);
    // The level to reach; the bar eases towards it linearly over 0.08 s.
    void setLevel(float level);
    float level() const { return target_; }
    float shownLevel() const { return shown_; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    float target_ = 0.0f;
    float shown_ = 0.0f;
    QVariantAnimation* animation_;
};

class StereoVUMeterView : public QWidget {
    Q_OBJECT
public:
    explicit StereoVUMeterView(std::shared_ptr<AudioLevelTap> levelTap, QWidget* parent = nullptr);

    VUMeterBar* leftBar() const { return left_; }
    VUMeterBar* rightBar() const { return right_; }

private:
    void follow();

    std::shared_ptr<AudioLevelTap> tap_;
    VUMeterBar* left_;
    VUMeterBar* right_;
};

} // namespace tessarin
