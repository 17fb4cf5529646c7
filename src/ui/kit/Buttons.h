#pragma once
// The three shared button looks: a capsule for text buttons (PillButton), a
// square icon button with a hover highlight (IconButton) and the round
// transport button of the centre column (TransportButton). Each paints its
// style's fields; none keeps state beyond hover and pressed. Main thread.
//
// All of them, and the kit's other buttons (segments, switches), follow one
// keyboard rule (useKeyboardFocus): Tab reaches them, a mouse click leaves
// the focus where it was (so the space bar stays play/pause after a click),
// and while the focus came from the keyboard they draw a ring in the accent
// colour and Return and keypad Enter activate them (in a dialog, Return
// stays the dialog's default action).
#include <QAbstractButton>
#include <QColor>
#include <QPixmap>
#include <QPointF>
#include <QString>

class QButtonGroup;
class QPainter;
class QVariantAnimation;

namespace tessarin {

// Gives button the kit's keyboard rule (see above).
void useKeyboardFocus(QAbstractButton* button);
// Whether widget is to show its focus ring: it has the focus, and the focus
// reached it from the keyboard.
bool showsFocusRing(const QWidget* widget);
// The focus ring around shape, a rounded rectangle of radius (an ellipse
// when radius is negative), in the accent colour.
void paintFocusRing(QPainter& painter, const QRectF& shape, qreal radius);
// Makes Tab go through form's controls in the order of its layouts (top to
// bottom, left to right), whatever order they were made in. Call once the
// layouts are filled.
void useLayoutTabOrder(QWidget* form);

// Tab reaches an exclusive group of checkable buttons (radio buttons,
// segments) at its checked button only (the first when none is checked), as
// a radio group does on every desktop: Space then leaves the choice as it
// is, and the arrows move the choice within the group. Call it again after
// adding buttons. The group's buttons keep their places together in the Tab
// order (useLayoutTabOrder and placeInTabOrder order them all).
void tabStopOnChecked(QButtonGroup* group);
// QWidget::setTabOrder for buttons of such a group (their stops are off
// but the checked one's).
void setGroupTabOrder(QButtonGroup* group, QWidget* first, QWidget* second);

// Puts widget (a control, or a container of controls) in the Tab order of
// its window where its place in the layouts says, after the Tab stop that
// comes before it: a row added while the program runs is reached in its
// place at once, not at the end of the window's order.
void placeInTabOrder(QWidget* widget);

// A control's help text: tooltip and accessible name, so icon buttons have a
// name for screen readers and for tests that find them by name.
void setHelp(QWidget* widget, const QString& text);
// The accessible name of a control that repeats per block, layer or row:
// what it does, then whose it is ("Riproduci blocco, Apertura"); what it
// does alone when whose is empty.
void nameAsOf(QWidget* control, const QString& what, const QString& whose);

struct PillButtonStyle {
    QColor tint;
    bool filled = false;
};

class PillButton : public QAbstractButton {
    Q_OBJECT
public:
    PillButton(const QString& text, PillButtonStyle style, QWidget* parent = nullptr);
    void setStyle(PillButtonStyle style);
    const PillButtonStyle& style() const { return style_; }
    // The label (icon, then text) is at least this wide, centred.
    void setMinimumLabelWidth(int width);
    // A symbol (an icon name of Icons) before the text, drawn in the label's
    // colour, in place of the button's icon; empty for none.
    void setSymbol(const QString& symbol);
    const QString& symbol() const { return symbol_; }
    // The label's colour in place of the style's (a label that sets its own
    // foreground); invalid restores the style's.
    void setLabelColor(const QColor& color);
    QColor labelColor() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    PillButtonStyle style_;
    int minimumLabelWidth_ = 0;
    QString symbol_;
    QColor labelColor_;
};

struct IconButtonStyle {
    int size = 24; // the side of the square button
};

class IconButton : public QAbstractButton {
    Q_OBJECT
public:
    // symbol: an icon name of Icons; help: the localised help text.
    IconButton(const QString& symbol, const QString& help, IconButtonStyle style = {}, QWidget* parent = nullptr);
    void setSymbol(const QString& symbol);
    const QString& symbol() const { return symbol_; }
    // The glyph's colour; the palette's button text when invalid.
    void setGlyphColor(const QColor& color);
    bool isHovering() const { return hovering_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override;
    void enterEvent(QEnterEvent*) override;
    void leaveEvent(QEvent*) override;

private:
    QString symbol_;
    QColor glyph_;
    IconButtonStyle style_;
    bool hovering_ = false;
};

struct TransportButtonStyle {
    int size = 44; // the disc's diameter
    QColor fill;
    QColor glyph;
    bool glow = false;
    bool operator==(const TransportButtonStyle&) const = default;
};

class TransportButton : public QAbstractButton {
    Q_OBJECT
public:
    // glyphSize: the symbol's size inside the disc.
    TransportButton(const QString& symbol, int glyphSize, TransportButtonStyle style, QWidget* parent = nullptr);
    void setSymbol(const QString& symbol);
    const QString& symbol() const { return symbol_; }
    void setStyle(TransportButtonStyle style);
    const TransportButtonStyle& style() const { return style_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    // at: the fraction of a pixel by which the centre lies off the grid.
    QPixmap disc(QPointF at) const;

    QString symbol_;
    int glyphSize_;
    TransportButtonStyle style_;
    double scale_ = 1.0;
    QVariantAnimation* pressAnimation_;
    mutable QPixmap disc_;
    mutable TransportButtonStyle discStyle_;
    mutable double discScale_ = 0;
    mutable QPointF discAt_;
};

} // namespace tessarin
