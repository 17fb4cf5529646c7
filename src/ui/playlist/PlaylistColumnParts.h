#pragma once
// Pieces of the blocks column: its header bar, the list behind the cards
// (which draws their shadows), the "Nuovo blocco" button with its symbol and
// the new-block drop zone. Main thread.
#include "ui/kit/Buttons.h"
#include "ui/playlist/RowsArea.h"

#include <QWidget>

#include <functional>

class QMimeData;

namespace tessarin {

class BlockCardView;

// The scrolling list's content: the cards one under the other (a place kept
// for each card not made), on the panel colour, with each card's shadow.
class CardList : public RowsArea {
    Q_OBJECT
public:
    explicit CardList(QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A filled pill with a symbol before its text.
class SymbolPillButton : public PillButton {
    Q_OBJECT
public:
    SymbolPillButton(const QString& symbol, const QString& text, PillButtonStyle style, QWidget* parent);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QString symbol_;
};

// The dashed zone that takes dropped files and sources as a new block.
class DropZone : public QWidget {
    Q_OBJECT
public:
    explicit DropZone(QWidget* parent);
    bool isTargeted() const { return targeted_; }
    QString text() const;
    // Called with the drop's data once it has been accepted.
    std::function<void(const QMimeData&)> onDrop;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void setTargeted(bool targeted);
    QRect textRect(int width) const;

    bool targeted_ = false;
};

} // namespace tessarin
