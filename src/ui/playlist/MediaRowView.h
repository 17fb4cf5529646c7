#pragma once
// The row of one item in a block card: thumbnail or live tile, name, length
// or live state, the CUE or on-air mark (drawn by the select area), the trim / cue / play / loop /
// remove buttons and, for everything but still images, the mute button, the
// gain slider and the gain read-out. It reads and writes the item's own
// fields (gain, mute, loop, image duration) and hands every engine or block
// operation to the card's actions. Each item change redraws only the piece
// it touches; the marks the card passes redraw only when they change.
// The blocks column draws its rows from one such row per kind of item
// (showItem moves it from item to item) and makes a real one only for the
// row under the pointer, holding the focus or in use. Main thread.
#include "media/LiveSource.h"
#include "media/LiveStatus.h"
#include "ui/kit/Popover.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class QHBoxLayout;
class QLabel;

namespace tessarin {

class BusyIconButton;
class GainSlider;
class IconButton;
class MediaFile;
class ReadoutLabel;
class RowSelectArea;
class RowThumbnails;
class Stepper;

class MediaRowView : public QWidget {
    Q_OBJECT
    Q_CLASSINFO("accessibleRole", "listItem")
public:
    // What the card decides about the row.
    struct Marks {
        int index = 0;
        bool isOnAir = false;
        bool isPlaying = false;
        bool isCued = false;
        bool isSelected = false;
        std::optional<LiveStatus> liveStatus; // only for the live item on air
        bool operator==(const Marks&) const = default;
    };
    struct Actions {
        std::function<void()> onPlay;
        std::function<void()> onCue;
        std::function<void()> onSelect;
        std::function<void()> onRemove;
        std::function<void()> onDragStart; // runs the whole drag of the row
    };

    // thumbnails: the decoded pictures shared with the drawn rows.
    MediaRowView(std::shared_ptr<MediaFile> item, Actions actions, RowThumbnails& thumbnails,
                 QWidget* parent = nullptr);
    ~MediaRowView() override;

    const std::shared_ptr<MediaFile>& item() const { return item_; }
    // Shows another item of the same kind (kindOf) in this row.
    void showItem(const std::shared_ptr<MediaFile>& item);
    // Items of one kind have rows of the same controls: a clip, a still
    // image, a live source.
    static int kindOf(const MediaFile& item);
    // The row as a screen reader reads it: name, length or live line and
    // status, the still image's duration, the state.
    static QString spokenText(const MediaFile& item, const Marks& marks);
    // The row's state as it is read on the row and its controls: on air or
    // cued, the reason it cannot be played, muted, looping.
    static QString stateText(const MediaFile& item, const Marks& marks);
    void setMarks(const Marks& marks);
    const Marks& marks() const { return marks_; }

    // The gain read-out: "MUTE", "−∞ dB", "0 dB" or e.g. "+3.0 dB" / "−6.5 dB".
    static QString gainText(double gainDB, bool isMuted);
    // The length from the in point to the out point (or the end), never below 0.
    static QString clipLengthText(const MediaFile& item);
    static QString statusText(const LiveStatus& status);
    // The still image's duration as its stepper shows it: "Immagine · 5 s".
    static QString imageDurationText(double seconds);
    // The live source's name, or the file name without its extension.
    static QString displayName(const MediaFile& item);
    // The help text of a file that cannot be played: a translated lead and
    // the reason as the player or the analysis gave it.
    static QString playbackErrorText(const QString& reason);

    // The row's controls (absent ones are null: e.g. no trim button on a live row).
    IconButton* trimButton() const { return trim_; }
    IconButton* cueButton() const { return cue_; }
    BusyIconButton* playButton() const { return play_; }
    IconButton* loopButton() const { return loop_; }
    IconButton* removeButton() const { return remove_; }
    IconButton* muteButton() const { return mute_; }
    GainSlider* gainSlider() const { return slider_; }
    Stepper* imageStepper() const { return stepper_; }
    RowSelectArea* selectArea() const { return select_; }
    QString gainReadout() const;
    // The mark of a file that cannot be played (null until one is needed).
    QLabel* failureMark() const { return failureMark_; }
    Popover* trimEditor() const { return trimPopover_; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    // Shows the item's picture and fields and follows its changes.
    void followItem();
    void buildActions(QHBoxLayout* line);
    QHBoxLayout* buildGainLine();
    void refreshLook();
    void refreshSpoken();
    // Names each control after its help and the row's name.
    void nameControls(const QString& name);
    void refreshThumbnail();
    void refreshButtons();
    void refreshGain();
    void refreshStepper();
    void refreshStateMark();
    void refreshFailureMark();
    void openTrimEditor();

    std::shared_ptr<MediaFile> item_;
    Actions actions_;
    RowThumbnails& thumbnails_;
    Marks marks_;
    RowSelectArea* select_ = nullptr;
    Stepper* stepper_ = nullptr;
    QHBoxLayout* topLine_ = nullptr;
    QLabel* failureMark_ = nullptr;
    IconButton* trim_ = nullptr;
    IconButton* cue_ = nullptr;
    BusyIconButton* play_ = nullptr;
    IconButton* loop_ = nullptr;
    IconButton* remove_ = nullptr;
    IconButton* mute_ = nullptr;
    GainSlider* slider_ = nullptr;
    ReadoutLabel* readout_ = nullptr;
    QPointer<Popover> trimPopover_;
};

} // namespace tessarin
