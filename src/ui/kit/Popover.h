#pragma once
// The one popover of the interface: a popup window with a painted bubble and
// an arrow pointing at its anchor, placed below the anchor (above it when the
// screen has no room below, and kept on the screen). It closes on Escape and
// on a click outside, and emits closed() whenever it hides. The content
// widget is owned by the popover. Screen readers find it among the
// application's windows while it shows (see Accessibility.h), named by its
// anchor. Where no compositing manager runs, the window is shaped to the
// bubble instead of leaving its corners transparent. Main thread.
#include <QPainterPath>
#include <QPointer>
#include <QWidget>

namespace tessarin {

class Popover : public QWidget {
    Q_OBJECT
public:
    explicit Popover(QWidget* content, QWidget* parent = nullptr);
    QWidget* content() const { return content_; }
    // Shows the popover pointing at anchor (again when already shown).
    void showFor(QWidget* anchor);
    bool pointsUp() const { return arrowUp_; }
    // The bubble and its arrow in the popover's coordinates.
    QPainterPath bubble() const;

signals:
    void closed();

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void place();
    void updateShape();

    QWidget* content_;
    QPointer<QWidget> anchor_;
    bool arrowUp_ = true; // the arrow on the top edge: the popover is below its anchor
    int arrowX_ = 0;
    bool namedByAnchor_ = false;
    bool placing_ = false;
    bool masked_ = false; // shaped to the bubble: no compositing manager blends it
};

} // namespace tessarin
