#pragma once
// Painted pieces of a block card: the header's background, the drag handle,
// the item count capsule, the hint of an empty block and the
// frame laid over the card (rounded corners and the state's border). Main
// thread.
#include "ui/kit/KeptPicture.h"
#include "ui/playlist/PlaylistDrag.h"

#include <QColor>
#include <QPointer>
#include <QWidget>

#include <functional>

namespace tessarin {

// The header row's background: the accent tint on air, else the header gradient.
class CardHeader : public QWidget {
    Q_OBJECT
public:
    explicit CardHeader(QWidget* parent);
    void setOnAir(bool onAir);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    bool onAir_ = false;
};

// The "line.3.horizontal" grip; a drag that leaves it calls onDragStart.
class DragHandle : public QWidget {
    Q_OBJECT
public:
    explicit DragHandle(QWidget* parent);
    std::function<void()> onDragStart;

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    PlaylistDrag::PendingPress press_;
};

// The number of items on a faint capsule.
class CountCapsule : public QWidget {
    Q_OBJECT
public:
    explicit CountCapsule(QWidget* parent);
    void setCount(qsizetype count);
    QString text() const { return text_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QString text_;
};

// The symbol and text that invite a drop into an empty block.
class EmptyBlockHint : public QWidget {
    Q_OBJECT
public:
    explicit EmptyBlockHint(QWidget* parent);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;
};

// Lies over the whole card, lets the pointer through, and draws what must
// be on top of the rows: the corners outside the rounded outline (in the
// column's colour) and the border.
class CardFrame : public QWidget {
    Q_OBJECT
public:
    explicit CardFrame(QWidget* parent);
    void setBorder(const QColor& color, double width);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    const QImage& corners();

    QColor color_;
    double width_ = 1.0;
    KeptPicture corners_; // for this colour and width
};

} // namespace tessarin
