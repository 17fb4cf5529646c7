#pragma once
// Small shared controls. SegmentedControl: a row of exclusive segments drawn
// as one capsule. Stepper: a value text with up and down arrows; it keeps no
// value of its own, so the caller applies its own rule and bounds (a spin box
// would coerce stored values). SwitchButton: a checkable toggle drawn as a
// switch. ElidingComboBox: a pop-up picker that ends a chosen entry too long
// for it with an ellipsis. useThinScrollBars gives a scroll area the theme's
// thin, dark scroll bars. PaintedRowList: the base of the lists whose rows
// a delegate paints. Main thread.
#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QListView>
#include <QWidget>

class QAbstractScrollArea;
class QLabel;
class QToolButton;

namespace tessarin {

class SegmentedControl : public QWidget {
    Q_OBJECT
public:
    explicit SegmentedControl(QWidget* parent = nullptr);
    // Adds a segment; symbol is an icon name or empty. Returns its index.
    int addSegment(const QString& text, const QString& symbol = {});
    int count() const;
    int currentIndex() const;
    // Selects a segment without emitting activated(); -1 selects none.
    void setCurrentIndex(int index);
    QAbstractButton* segment(int index) const;

signals:
    // The operator chose another segment, by any means (not emitted by
    // setCurrentIndex).
    void activated(int index);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QButtonGroup* group_;
    bool settingIndex_ = false;
};

class Stepper : public QWidget {
    Q_OBJECT
public:
    explicit Stepper(QWidget* parent = nullptr);
    // The value; the arrows' accessible description too.
    void setText(const QString& text);
    QString text() const;
    // What the value is, named in the arrows' accessible names ("Aumenta:
    // subject"), so a reader knows what each arrow changes.
    void setSubject(const QString& subject);
    void setUpEnabled(bool enabled);
    void setDownEnabled(bool enabled);
    // The clickable size of each arrow (16 x 11 unless set).
    void setArrowSize(const QSize& size);
    // The value text, for callers that set its font and width.
    QLabel* label() const { return label_; }
    QToolButton* upButton() const { return up_; }
    QToolButton* downButton() const { return down_; }

signals:
    void incremented();
    void decremented();

private:
    QLabel* label_;
    QToolButton* up_;
    QToolButton* down_;
};

class SwitchButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit SwitchButton(const QString& accessibleName = {}, QWidget* parent = nullptr);
    QSize sizeHint() const override { return { 32, 18 }; }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override;
};

// Takes the width its layout gives it rather than that of its longest entry;
// the chosen entry (or the placeholder) ends with "…" where it is cut, and
// the whole entry is the box's tip.
class ElidingComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit ElidingComboBox(QWidget* parent = nullptr);
    // The chosen entry, or the placeholder, as drawn at the present width.
    QString shownText() const;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QString labelText() const;
    int labelWidth() const;
};

// Both scroll bars of the area: 8 points across, a translucent white handle
// with rounded ends on no track, no arrow buttons.
void useThinScrollBars(QAbstractScrollArea& area);

// A list view whose rows a delegate paints, as the interface's lists are:
// no selection or editing of the view's own (its owner keeps the selection
// and acts on the rows), scrolled by the pixel, rows as wide as the view,
// no frame and no horizontal bar, the theme's thin bars, the focus taken by
// Tab and click, a context menu asked for by event. A change of rows paints
// those rows again, no more, and tells screen readers of their new names;
// screen readers see the rows in view as list items, the focus on the
// current one (see RowsInViewAccessibility). A current row moved by a key
// shows the focus ring (the window's keyboard-focus state), also where the
// list took the focus from a click.
class PaintedRowList : public QListView {
    Q_OBJECT
public:
    explicit PaintedRowList(QWidget* parent = nullptr);

protected:
    // Not QListView's, which paints the whole view for one row: a row does
    // not change its size with its data (a delegate whose row grows asks
    // for its size again), so the list is not laid out again.
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QList<int>& roles = {}) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    // Rows that come or go are told to screen readers at their index.
    void rowsInserted(const QModelIndex& parent, int first, int last) override;
    void rowsAboutToBeRemoved(const QModelIndex& parent, int first, int last) override;
    void focusInEvent(QFocusEvent* event) override;
    bool event(QEvent* event) override;

private:
    bool inKey_ = false;
};
// The row a context-menu event asks such a list for: the one under the
// pointer, or by key the current one (the first, made current, when there
// is none); invalid when there is no row.
QModelIndex contextMenuRow(QListView& view, const QContextMenuEvent& event);

} // namespace tessarin
