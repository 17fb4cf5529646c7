#pragma once
// The card of one stream destination on the streaming page: its status
// (dot, state, elapsed time and measured rate, failure message, the frames
// a live run has not carried), its kind,
// address, codec and bitrate, a note on the codec, and the start/stop
// button. Every control writes straight into the destination; the card
// re-reads the destination and the manager whenever either changes.
// Main thread.
#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;

namespace tessarin {

class PillButton;
class SegmentedControl;
class StatusDot;
class StreamManager;
class StreamOutput;

class StreamRow : public QWidget {
    Q_OBJECT
public:
    StreamRow(StreamOutput& output, StreamManager& manager, QWidget* parent = nullptr);

    StreamOutput& output() const { return output_; }
    // The status as shown: "Fermo", "Connessione…", "IN DIRETTA" or "Errore".
    QString statusText() const;
    QColor statusColor() const;

    // The parts tests drive.
    SegmentedControl* kindPicker() const { return kind_; }
    QLineEdit* addressField() const { return address_; }
    // Shown while the stored address is in a locked keyring.
    QLabel* lockedNote() const { return locked_; }
    // Shown while the keychain has not stored the address typed.
    QLabel* notStoredNote() const { return notStored_; }
    // Shown after an address too long to take was typed or pasted, until the
    // next edit is taken.
    QLabel* tooLongNote() const { return tooLong_; }
    SegmentedControl* codecPicker() const { return codec_; }
    SegmentedControl* interlacedCodecPicker() const { return interlacedCodec_; }
    QLabel* codecNote() const { return note_; }
    QComboBox* bitratePicker() const { return bitrate_; }
    PillButton* startStopButton() const { return button_; }
    QLabel* elapsedLabel() const { return elapsed_; }
    QLabel* rateLabel() const { return rate_; }
    QLabel* failureLabel() const { return failure_; }
    // Shown while the live run has frames the stream did not carry.
    QLabel* droppedNote() const { return dropped_; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    void refresh();
    void refreshStatus();
    void refreshCodec();
    void startOrStop();

    StreamOutput& output_;
    StreamManager& manager_;
    StatusDot* dot_;
    QLabel* status_;
    QWidget* liveGroup_;
    QLabel* elapsed_;
    QLabel* rate_;
    QLabel* failure_;
    QLabel* dropped_;
    QWidget* destination_;
    SegmentedControl* kind_;
    QLineEdit* address_;
    QLabel* locked_;
    QLabel* notStored_;
    QLabel* tooLong_;
    SegmentedControl* codec_;
    SegmentedControl* interlacedCodec_;
    QLabel* note_;
    QComboBox* bitrate_;
    PillButton* button_;
};

} // namespace tessarin
