#pragma once
// One kind of live source in the sources tab: a header with the kind's
// symbol, title and count, a "+" that opens the add form for the manual
// kinds (RTMP, SRT), then the kind's sources as rows or a line saying there
// are none. Follows the catalogue's changes; rows are kept per source
// (capture devices by address, which survives the catalogue's re-listing;
// manual sources by id, so two with one address stay apart). Main thread.
#include "media/LiveSource.h"
#include "ui/browser/RowDestinations.h"
#include "ui/kit/Popover.h"

#include <QHash>
#include <QPointer>
#include <QWidget>

class QLabel;
class QMenu;
class QVBoxLayout;

namespace tessarin {

class IconButton;
class SourceLibrary;
class SourceRow;

class SourceSection : public QWidget {
    Q_OBJECT
public:
    SourceSection(LiveSourceKind kind, SourceLibrary& sources, QWidget* parent = nullptr);

    LiveSourceKind kind() const { return kind_; }
    static QString emptyMessage(LiveSourceKind kind);

    // The rows in display order.
    std::vector<SourceRow*> rows() const;
    QString countText() const;
    // The "+" of a manual kind; null for capture devices.
    IconButton* addButton() const { return addButton_; }
    // The add form's popover while it is open.
    Popover* addPopover() const { return addPopover_; }
    bool isAdding() const { return addPopover_ != nullptr; }
    // The menu of a row's secondary click or context-menu key: the places
    // its drag could be dropped, then "Rimuovi" for a manual source; null
    // when it would be empty. The caller owns it.
    QMenu* makeContextMenu(SourceRow* row);
    void setRowDestinations(const RowDestinations& destinations) { destinations_ = destinations; }

private:
    void reload();
    void openAddForm();
    QString rowKey(const LiveSource& source) const;

    const LiveSourceKind kind_;
    SourceLibrary& sources_;
    QLabel* count_;
    IconButton* addButton_ = nullptr;
    QLabel* empty_;
    QVBoxLayout* rowsLayout_;
    QHash<QString, SourceRow*> rows_;
    QPointer<Popover> addPopover_;
    RowDestinations destinations_;
};

} // namespace tessarin
