#pragma once
// The browser's "Media" tab: a scrolling list with one row per file, in list
// order, or a hint to drop files when there are none. Rows all have the same
// height and are made as they scroll into view (a page around what is shown,
// and the first rows before the list is first laid out); once made, a row is
// kept per item id while its file stays in the list: a change of the list
// reuses, adds, removes and moves rows, never rebuilds them all. The column
// owns the selection and tells the list what is selected. Main thread.
#include "show/BrowserFiles.h"

#include <QHash>
#include <QSet>
#include <QStackedWidget>
#include <QUuid>

class QScrollArea;

namespace tessarin {

class BrowserRow;

class BrowserMediaList : public QStackedWidget {
    Q_OBJECT
public:
    explicit BrowserMediaList(QWidget* parent = nullptr);

    // Shows files in this order; new rows are connected through rowAdded.
    void setFiles(const BrowserFiles::Files& files);
    void setSelection(const QSet<QUuid>& ids);

    // The row of an item, null while it has not been made.
    BrowserRow* row(const QUuid& id) const { return rows_.value(id); }
    // The rows made so far, in display order.
    std::vector<BrowserRow*> rows() const;
    // The files listed (each once), in display order.
    const BrowserFiles::Files& files() const { return files_; }
    bool showsEmptyHint() const;

signals:
    void rowAdded(BrowserRow* row);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Makes the rows in and around the view and places every made row.
    void showRowsInView();
    BrowserRow* makeRow(int index);

    QWidget* empty_;
    QScrollArea* scroll_;
    QWidget* content_;
    BrowserFiles::Files files_;
    QHash<QUuid, BrowserRow*> rows_;
    QSet<QUuid> selection_;
    int rowHeight_ = 0;
    // What the made rows were last placed for.
    int placedWidth_ = -1;
    std::size_t placedFiles_ = 0;
    bool isPlaced_ = false;
};

} // namespace tessarin
