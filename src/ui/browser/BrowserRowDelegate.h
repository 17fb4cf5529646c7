#pragma once
// Paints the browser's media list rows from the file model (see BrowserRow
// for the look), the focus ring on the current row while the list has the
// keyboard focus. Every row has the same height. Main thread.
#include <QAbstractItemDelegate>

class QAbstractItemView;

namespace tessarin {

class BrowserFileModel;

class BrowserRowDelegate : public QAbstractItemDelegate {
    Q_OBJECT
public:
    BrowserRowDelegate(const BrowserFileModel& model, QAbstractItemView& view);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    const BrowserFileModel& model_;
    QAbstractItemView& view_;
};

} // namespace tessarin
