#pragma once
// The streaming page: the stream format shared by both destinations (scan,
// resolution, rate; locked while anything streams) and one StreamRow per
// destination. Shown in the settings window and in the top bar's popover,
// both over the main window's one StreamManager; it keeps no state of its
// own and re-reads the manager on every change. Main thread.
#include <QWidget>

class QComboBox;
class QLabel;

namespace tessarin {

class SegmentedControl;
class StreamManager;
class StreamRow;

class StreamSettingsView : public QWidget {
    Q_OBJECT
public:
    explicit StreamSettingsView(StreamManager& manager, QWidget* parent = nullptr);

    StreamManager& manager() const { return manager_; }
    // The parts tests drive.
    QWidget* formatRow() const { return formatRow_; }
    SegmentedControl* scanPicker() const { return scan_; }
    QComboBox* resolutionPicker() const { return resolution_; }
    QComboBox* ratePicker() const { return rate_; }
    QLabel* summaryLabel() const { return summary_; }
    const QList<StreamRow*>& rows() const { return rows_; }

private:
    void refresh();

    StreamManager& manager_;
    QWidget* formatRow_;
    SegmentedControl* scan_;
    QComboBox* resolution_;
    QComboBox* rate_;
    QLabel* summary_;
    QList<StreamRow*> rows_;
};

} // namespace tessarin
