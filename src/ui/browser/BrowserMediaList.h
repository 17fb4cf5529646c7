#pragma once
// The browser's "Media" tab: a scrolling list with one row per file, in list
// order, or a hint to drop files when there are none. Rows all have the same
// height and are shown as they scroll into view (a page around what is
// shown, and the first rows before the list is first laid out), placed by
// index. A row stays with its item while it is within two pages of the view
// and its file stays in the list: a change of the list keeps, adds, removes
// and moves rows, never rebuilds them all. Rows further away are taken back
// and given to the items coming into view, so the list holds a few pages of
// rows however long it is and however far it has been scrolled (every row is
// a child to go through on each paint, and memory). The column owns the
// selection and tells the list what is selected. Main thread.
#include "show/BrowserFiles.h"

#include <QHash>
#include <QSet>
#include <QStackedWidget>
#include <QUuid>

#include <vector>

class QScrollArea;

namespace tessarin {

class BrowserRow;

class BrowserMediaList : public QStackedWidget {
    Q_OBJECT
public:
    explicit BrowserMediaList(QWidget* parent = nullptr);

    // Shows files in this order; rows made new are announced once through
    // rowAdded (a row given to another item is not announced again).
    void setFiles(const BrowserFiles::Files& files);
    void setSelection(const QSet<QUuid>& ids);

    // The row of an item, null while it is not near the view.
    BrowserRow* row(const QUuid& id) const { return rows_.value(id); }
    // The rows showing an item, in display order.
    std::vector<BrowserRow*> rows() const;
    // The files listed (each once), in display order.
    const BrowserFiles::Files& files() const { return files_; }
    bool showsEmptyHint() const;
    // Scrolls the row at index (clamped to the list) into view and gives it
    // the keyboard focus. The list is one Tab stop: the row focused last
    // (the first before any), which Up and Down move from row to row.
    void focusRow(int index);

signals:
    void rowAdded(BrowserRow* row);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Shows the rows in and around the view, taking back the rows far from
    // it, and places every row that moved.
    void showRowsInView();
    BrowserRow* rowFor(int index);
    // Puts the rows showing items in display order among the list's
    // children when a change of the list has mixed them up.
    void keepChildrenInOrder();
    void setTabStop(const QUuid& id);
    void followTabStop(BrowserRow* row) const;

    QWidget* empty_;
    QScrollArea* scroll_;
    QWidget* content_;
    BrowserFiles::Files files_;
    QHash<QUuid, BrowserRow*> rows_;
    // Rows taken back from items far from the view, hidden until reused.
    std::vector<BrowserRow*> spare_;
    QSet<QUuid> selection_;
    // The item whose row Tab reaches; none: the first.
    QUuid tabStop_;
    int rowHeight_ = 0;
    // What the made rows were last placed for.
    int placedWidth_ = -1;
    std::size_t placedFiles_ = 0;
    bool isPlaced_ = false;
};

} // namespace tessarin
