#pragma once
// The event editor's three content pickers, each editing the editor's draft:
// BlockPicker chooses one of the show's blocks, FilePicker one media file
// (from the browser's list or the file chooser), LivePicker one live source
// of the catalogue, where new RTMP and SRT sources are also added on the
// spot through the browser's add-source form. They keep no state beyond an
// open chooser or popover; refresh()
// re-reads the draft and the lists. Main thread.
#include "media/LiveSourceKind.h"

#include <QPointer>
#include <QUrl>
#include <QUuid>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QLabel;
class QPushButton;
class QToolButton;

namespace tessarin {

class BrowserFiles;
class ElidedLabel;
class ElidingComboBox;
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
    ElidingComboBox* comboBox() const { return combo_; }

private:
    ScheduleEventDraft& draft_;
    std::function<Blocks()> blocks_;
    ElidingComboBox* combo_;
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
    std::optional<QList<QUuid>> shownBrowserItems_;
};

class LivePicker : public QWidget {
    Q_OBJECT
public:
    LivePicker(ScheduleEventDraft& draft, SourceLibrary& sources, QWidget* parent = nullptr);
    void refresh();

    ElidingComboBox* comboBox() const { return combo_; }
    QPushButton* addButton(LiveSourceKind kind) const;
    // The kind whose add-source popover is open; none while none is.
    std::optional<LiveSourceKind> addingSourceKind() const { return addingSourceKind_; }
    Popover* popover() const;

private:
    // Opens the browser's add-source form for a manual kind; the source it
    // adds to the catalogue becomes the event's source, and when it adds
    // nothing (cancelled, or an address that is blank once trimmed) the
    // event keeps the source it has.
    void openAddSource(LiveSourceKind kind);

    ScheduleEventDraft& draft_;
    SourceLibrary& sources_;
    ElidingComboBox* combo_;
    QWidget* addRow_;
    QPushButton* addRTMP_;
    QPushButton* addSRT_;
    std::optional<LiveSourceKind> addingSourceKind_;
    QPointer<Popover> popover_;
    QStringList shownItems_;
};

} // namespace tessarin
