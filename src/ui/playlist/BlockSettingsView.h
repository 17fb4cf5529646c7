#pragma once
// The block settings popover's content: audio normalisation, what happens
// when the block ends, and whether and how often it repeats. Every control
// writes the block at once; the view re-reads the block on each change, so
// edits made elsewhere (the card's loop button, its name field) show at once.
// Main thread.
#include <QWidget>

#include <memory>

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QLabel;

namespace tessarin {

class MediaBlock;
class ElidedLabel;
class SegmentedControl;
class Stepper;

class BlockSettingsView : public QWidget {
    Q_OBJECT
public:
    explicit BlockSettingsView(std::shared_ptr<MediaBlock> block, QWidget* parent = nullptr);

    ElidedLabel* title() const { return title_; }
    QCheckBox* normalizeToggle() const { return normalize_; }
    QAbstractButton* endBehaviorButton(int index) const;
    QCheckBox* loopToggle() const { return loop_; }
    SegmentedControl* loopMode() const { return loopMode_; }
    Stepper* repeatStepper() const { return repeat_; }

private:
    void refresh();
    void setLoopMode(int mode);

    std::shared_ptr<MediaBlock> block_;
    ElidedLabel* title_;
    QCheckBox* normalize_;
    QButtonGroup* endBehavior_;
    QCheckBox* loop_;
    SegmentedControl* loopMode_;
    Stepper* repeat_;
};

} // namespace tessarin
