#pragma once
// The event editor's three content pickers, each editing the editor's draft:
// BlockPicker chooses one of the show's blocks, FilePicker one media file
// (from the browser's list or the file chooser), LivePicker one live source
// of the catalogue, where new RTMP and SRT sources are also added on the
// spot. They keep no state beyond an open chooser or popover; refresh()
// re-reads the draft and the lists. Main thread.
#include "media/LiveSourceKind.h"

#include <QPointer>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QComboBox;
class QLabel;
class QPushButton;
class QToolButton;

namespace tessarin {

class BrowserFiles;
class ElidedLabel;
class MediaBlock;
class Popover;
class ScheduleEventDraft;
class SourceLibrary;

class BlockPicker : public QWidget {
    Q_OBJECT
public:
    using Blocks = std::vector<std::shared_ptr<MediaBlock>>;

    BlockPicker(ScheduleEventDraft& draft, std::function<Blocks()> blocks, QWidget* parent = nullptr);
    void refresh();
    QComboBox* comboBox() const { return combo_; }

private:
    ScheduleEventDraft& draft_;
    std::function<Blocks()> blocks_;
    QComboBox* combo_;
    QStringList shownItems_;
};

// Asks the operator for one media file; done gets the file, or nothing when
// the chooser was cancelled or failed. The editor's default opens a file
// dialog; tests answer themselves.
using MediaFileChooser = std::function<void(QWidget* parent, std::function<void(std::optional<QUrl>)> done)>;

class FilePicker : public QWidget {
    Q_OBJECT
public:
    FilePicker(ScheduleEventDraft& draft, const BrowserFiles& browserFiles, QWidget* parent = nullptr);
    void refresh();
    void setFileChooser(MediaFileChooser chooser) { chooser_ = std::move(chooser); }
    // A chooser on the system's file dialog for video, image and audio files.
    static MediaFileChooser systemChooser();

    QString shownName() const;
    QToolButton* browserMenuButton() const { return fromBrowser_; }
    QPushButton* chooseButton() const { return choose_; }

private:
    void rebuildBrowserMenu();
    void chooseFile();

    ScheduleEventDraft& draft_;
    const BrowserFiles& browserFiles_;
    MediaFileChooser chooser_;
    QLabel* icon_;
    ElidedLabel* name_;
    QToolButton* fromBrowser_;
    QPushButton* choose_;
    bool picking_ = false;
    QString shownIcon_;
};

// The content of the add-source popover for a manual kind: it calls onAdd
// with the name, the address and the listener flag as typed, and dismiss
// when it is done (after adding, or cancelled).
using AddSourceContent = std::function<QWidget*(LiveSourceKind kind,
                                                std::function<void(QString name, QString address, bool listen)> onAdd,
                                                std::function<void()> dismiss)>;

class LivePicker : public QWidget {
    Q_OBJECT
public:
    LivePicker(ScheduleEventDraft& draft, SourceLibrary& sources, QWidget* parent = nullptr);
    void refresh();
    void setAddSourceContent(AddSourceContent content) { addSourceContent_ = std::move(content); }

    // The add action of the popover: adds the source to the catalogue and
    // makes it the event's source; when nothing was added (an empty address,
    // a kind that is not added by hand) the event keeps its source.
    void addSource(LiveSourceKind kind, const QString& name, const QString& address, bool listen);

    QComboBox* comboBox() const { return combo_; }
    QPushButton* addButton(LiveSourceKind kind) const;
    // The kind whose add-source popover is open; none while none is.
    std::optional<LiveSourceKind> addingSourceKind() const { return addingSourceKind_; }
    Popover* popover() const;

private:
    void openAddSource(LiveSourceKind kind);
    void dismissAddSource();

    ScheduleEventDraft& draft_;
    SourceLibrary& sources_;
    AddSourceContent addSourceContent_;
    QComboBox* combo_;
    QWidget* addRow_;
    QPushButton* addRTMP_;
    QPushButton* addSRT_;
    std::optional<LiveSourceKind> addingSourceKind_;
    QPointer<Popover> popover_;
    QStringList shownItems_;
};

} // namespace tessarin
