#pragma once
// Slides the widgets a layout has just re-ordered from where they were to
// where the layout puts them (the default animation: 120 ms, ease out), so a
// list that reorders under a hovering drag shows the move. Main thread.
#include <QHash>
#include <QList>
#include <QPoint>

class QLayout;
class QWidget;

namespace tessarin {

class ReorderAnimation {
public:
    // Notes where the layout's widgets are now (before the re-ordering).
    explicit ReorderAnimation(const QLayout& layout);
    // Notes where widgets are now.
    explicit ReorderAnimation(const QList<QWidget*>& widgets);
    // Lays the layout out at once and slides every widget that moved.
    void run(QLayout& layout) const;
    // Slides every one of placed (already in its new place) that moved.
    void slide(const QList<QWidget*>& placed) const;

private:
    QHash<QWidget*, QPoint> before_;
};

} // namespace tessarin
