#pragma once
// One live source in the sources tab: the kind's badge, the name, for
// manual sources the address (with "in ascolto · " when it listens), and a
// drag handle. The whole row is a drag source carrying the source payload
// that the blocks and the schedule read. Striped by its position in its
// section. Main thread.
#include "media/LiveSource.h"

#include <QPoint>
#include <QWidget>

class QMimeData;

namespace tessarin {

class ElidedLabel;

class SourceRow : public QWidget {
    Q_OBJECT
    Q_CLASSINFO("accessibleRole", "listItem")
public:
    SourceRow(const LiveSource& source, int index, QWidget* parent = nullptr);

    const LiveSource& source() const { return source_; }
    void setSource(const LiveSource& source);
    int index() const { return index_; }
    void setIndex(int index);
    QString detailText() const;

    // What a drag of this row carries: the source payload as plain text.
    QMimeData* makeDragData() const;

signals:
    // A secondary click at globalPos.
    void contextMenuRequested(const QPoint& globalPos);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    // The context-menu key and Shift+F10 open the row's menu under it.
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void refresh();

    LiveSource source_;
    int index_;
    ElidedLabel* name_;
    ElidedLabel* detail_;
    QWidget* badge_;
    QPoint pressPos_;
    bool pressed_ = false;
};

} // namespace tessarin
