#pragma once
// The media browser column at the left of the main area. Its "Media" tab
// shows the show's browser file list: files come in by the file dialog or a
// drop from a file manager, are selected with click, Shift-click and
// Ctrl-click (Command on other desktops), removed through the context menu
// and dragged out to the blocks and the schedule (one file as its URL,
// several as the file-list payload). Its "Sorgenti" tab lists the live
// sources. The column keeps only view state (tab, drop highlight, open
// dialog, selection); the list lives in BrowserFiles. Main thread.
#include "show/BrowserFiles.h"
#include "ui/browser/BrowserSelection.h"
#include "ui/browser/BrowserTab.h"
#include "ui/browser/RowDestinations.h"

#include <QWidget>

#include <memory>

class QMenu;
class QMimeData;
class QStackedWidget;

namespace tessarin {

class BrowserDialogs;
class BrowserMediaList;
class IconButton;
class SegmentedControl;
class SourceLibrary;
class SourcesList;

class BrowserColumnView : public QWidget {
    Q_OBJECT
public:
    explicit BrowserColumnView(BrowserFiles& files, SourceLibrary& sources, QWidget* parent = nullptr);
    ~BrowserColumnView() override;
    // Its narrowest width, whatever it holds: the window's columns stay put
    // when its list changes.
    QSize sizeHint() const override;

    // The file dialog and alerts; the Qt ones unless a test hands in its own.
    void setDialogs(std::shared_ptr<BrowserDialogs> dialogs);

    BrowserTab tab() const { return tab_; }
    void setTab(BrowserTab tab);
    bool isTargeted() const { return isTargeted_; }
    bool isPickingFiles() const { return isPickingFiles_; }
    const BrowserSelection& selection() const { return selection_; }

    // Opens the file dialog (the "+" of the media tab).
    void pickFiles();
    // Appends files given by URL, in order, refusing names that are not UTF-8
    // (with one alert naming them).
    void addFiles(const std::vector<QUrl>& urls);
    // Takes a drop's local file URLs: false when there is none. The files are
    // sorted on a worker and arrive later, in the drop's order.
    bool handleDrop(const std::vector<QUrl>& urls);
    // A click on the file at index with the keyboard modifiers held.
    void select(const std::shared_ptr<MediaFile>& file, int index, Qt::KeyboardModifiers modifiers);
    // The data a drag started on file carries (selecting file alone first
    // when it is not selected). The caller owns it.
    QMimeData* dragProvider(const std::shared_ptr<MediaFile>& file);
    BrowserFiles::Files removalTargets(const std::shared_ptr<MediaFile>& file) const;
    // The context menu of file's row: the places its drag could be dropped
    // (the row's file, or the selection when the row is selected), then
    // "Seleziona tutto" and the removal. The caller owns it.
    QMenu* makeContextMenu(const std::shared_ptr<MediaFile>& file);
    // Where the rows' menus send files and live sources (none until set).
    void setRowDestinations(RowDestinations destinations);

    BrowserMediaList* mediaList() const { return mediaList_; }
    SourcesList* sourcesList() const { return sourcesList_; }
    IconButton* addButton() const { return addButton_; }
    SegmentedControl* tabPicker() const { return tabPicker_; }

signals:
    // After the last step of an addition from a drop (tests wait for it).
    void dropHandled();

protected:
    void paintEvent(QPaintEvent*) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void reloadFiles();
    void showSelection();
    // Drags the file (with the selection, when it is selected) from
    // hotSpot in its row.
    void startDrag(const std::shared_ptr<MediaFile>& file, const QPoint& hotSpot);
    void setTargeted(bool targeted);
    bool acceptsDrag(const QDropEvent* event) const;
    void warnAboutNames(const std::vector<QUrl>& badNames);
    // The data a drag of the files carries: one file as its URL, several as
    // the file-list payload. The caller owns it.
    static QMimeData* dragData(const BrowserFiles::Files& files);

    BrowserFiles& files_;
    std::shared_ptr<BrowserDialogs> dialogs_;
    BrowserTab tab_ = BrowserTab::media;
    bool isTargeted_ = false;
    bool isPickingFiles_ = false;
    BrowserSelection selection_;
    RowDestinations destinations_;

    IconButton* addButton_;
    SegmentedControl* tabPicker_;
    QStackedWidget* content_;
    BrowserMediaList* mediaList_;
    SourcesList* sourcesList_;
};

} // namespace tessarin
