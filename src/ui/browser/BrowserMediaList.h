#pragma once
// The browser's "Media" tab: a scrolling list with one row per file, in list
// order, or a hint to drop files when there are none. Rows are kept per item
// id: a change of the list reuses, adds, removes and re-orders rows, never
// rebuilds them all. The column owns the selection and tells the list what
// is selected. Main thread.
#include "show/BrowserFiles.h"

#include <QHash>
#include <QSet>
#include <QStackedWidget>
#include <QUuid>

class QScrollArea;
class QVBoxLayout;

namespace tessarin {

class BrowserRow;

class BrowserMediaList : public QStackedWidget {
    Q_OBJECT
public:
    explicit BrowserMediaList(QWidget* parent = nullptr);

    // Shows files in this order; new rows are connected through rowAdded.
    void setFiles(const BrowserFiles::Files& files);
    void setSelection(const QSet<QUuid>& ids);

    BrowserRow* row(const QUuid& id) const { return rows_.value(id); }
    // The rows in display order.
    std::vector<BrowserRow*> rows() const;
    bool showsEmptyHint() const;

signals:
    void rowAdded(BrowserRow* row);

private:
    QWidget* empty_;
    QScrollArea* scroll_;
    QVBoxLayout* rowsLayout_;
    QHash<QUuid, BrowserRow*> rows_;
};

} // namespace tessarin
