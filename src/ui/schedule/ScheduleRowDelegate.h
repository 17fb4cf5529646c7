#pragma once
// Paints the schedule column's rows from the model's shown rows: the status
// bar, the start time with its caption, the on-air badge, what the event
// plays with its length and state (on a second line after a " · " where one
// is too narrow), and the row's two buttons, "send now" and the actions
// menu. The buttons are drawn, not widgets: the list view finds them under
// the pointer with buttonAt, and the help texts of the drawn parts (the
// launch button's, the status bar's: the model's tooltip) with helpAt.
// Main thread.
#include "ui/schedule/ScheduleRow.h"

#include <QAbstractItemDelegate>
#include <QHash>
#include <QSet>
#include <QPersistentModelIndex>
#include <QRect>
#include <QStringList>

class QAbstractItemView;

namespace tessarin {

class ScheduleEventModel;

class ScheduleRowDelegate : public QAbstractItemDelegate {
    Q_OBJECT
public:
    enum class Button { none, launch, menu };

    // Where the parts of a row of the rectangle go.
    struct Geometry {
        QRect statusBar, time, caption, badge, symbol, title, detail, launch, menu;
        QStringList detailLines;
    };
    static Geometry geometry(const ScheduleRow::Shown& row, const QRect& rect);
    // The row's height at a width: two lines of detail where one is too narrow.
    static int height(const ScheduleRow::Shown& row, int width);
    // The detail as drawn in a width: cut where it does not fit, a second
    // line after the last " · " that lets the first fit.
    static QStringList detailLines(const QString& detail, int width);
    static Button buttonAt(const ScheduleRow::Shown& row, const QRect& rect, const QPoint& point);
    // The help text of the drawn part under point; empty where it has none.
    static QString helpAt(const ScheduleRow::Shown& row, const QRect& rect, const QPoint& point);

    ScheduleRowDelegate(const ScheduleEventModel& model, QAbstractItemView& view);

    // The button under the pointer and the one held down, drawn lit.
    void setHovered(const QPersistentModelIndex& index, Button button);
    void setPressed(const QPersistentModelIndex& index, Button button);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

private:
    void paintButton(QPainter& p, const QRect& rect, const QString& symbol, bool enabled, int glyph,
                     const QColor& color, double fill) const;

    // The height each event's row was last given, at one width: laying the
    // list out after a row comes, goes or moves asks every row its size,
    // and working out every row of a long schedule for it made one edit
    // cost the whole list. A row whose height changes says so when it is
    // painted (sizeHintChanged), as before.
    void rememberHeight(const QModelIndex& index, int width, int height) const;

    const ScheduleEventModel& model_;
    QAbstractItemView& view_;
    mutable QHash<QUuid, int> heights_;
    mutable int heightsWidth_ = -1;
    mutable QSet<QUuid> corrected_; // heights corrected by a paint since the last refresh
    mutable QSet<QUuid> unkept_;    // heights never kept
    QPersistentModelIndex hovered_;
    Button hoveredButton_ = Button::none;
    QPersistentModelIndex pressed_;
    Button pressedButton_ = Button::none;
};

} // namespace tessarin
