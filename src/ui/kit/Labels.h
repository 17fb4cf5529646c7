#pragma once
// Labels for texts that may not fit: ElidedLabel cuts the text with an
// ellipsis (at the end or in the middle); FitLabel first shrinks its font
// down to a minimum scale factor, then elides. Both report a small minimum
// width so a layout may squeeze them. setTextColor gives any widget's text
// (a QLabel's, say) one colour through its palette. ElidingLineEdit is an
// inline text field that, while not being edited, ends a text too long for it
// with an ellipsis instead of cutting a letter. Main thread.
#include "ui/kit/ShapedLine.h"

#include <QLineEdit>
#include <QWidget>

namespace tessarin {

class ElidedLabel : public QWidget {
    Q_OBJECT
public:
    explicit ElidedLabel(const QString& text = {}, Qt::TextElideMode mode = Qt::ElideRight, QWidget* parent = nullptr);
    void setText(const QString& text);
    const QString& text() const { return text_; }
    void setColor(const QColor& color);
    void setAlignment(Qt::Alignment alignment);
    // A text too long for one line breaks after the last separator that
    // lets its first part fit, and goes on on a second line (cut there if
    // still too long); without a separator the text stays on one line. The
    // label's height follows its lines at the width it has: going to two
    // lines or back asks its layout again, rather than the layout asking
    // every label of a long list its height at each pass.
    void setSecondLineAfter(const QString& separator);
    // The text as drawn at the present width: cut where it does not fit,
    // its two lines joined by a line feed.
    QString shownText() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void changeEvent(QEvent* event) override;
    virtual QFont drawingFont() const { return font(); }
    QStringList linesFor(int width) const;
    // How many lines the text takes at the present width.
    int lineCount() const;
    // Works out the lines at the present width; a change in their number
    // asks the layout for another height.
    void followLines();

    QString text_;
    Qt::TextElideMode mode_;
    QColor color_;
    Qt::Alignment alignment_ = Qt::AlignLeft | Qt::AlignVCenter;
    QString separator_;
    int shownLines_ = 1;
    // The width the size hint was last worked out for, by text and font:
    // a new text is measured once, not its predecessor again.
    mutable QString hintText_;
    mutable QFont hintFont_;
    mutable int hintWidth_ = -1;
    // The one line as last drawn, shaped once for its text, font and width.
    mutable ShapedLine line_;
};

class FitLabel : public ElidedLabel {
    Q_OBJECT
public:
    explicit FitLabel(const QString& text = {}, double minimumScaleFactor = 0.7, QWidget* parent = nullptr);

protected:
    QFont drawingFont() const override;

private:
    double minimumScaleFactor_;
};

class ElidingLineEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit ElidingLineEdit(QWidget* parent = nullptr);
    // The text as shown now: whole while editing or when it fits.
    QString shownText() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    QRect textRect() const;
};

// A centred text of given lines. Where a line is too wide, the font first
// shrinks (down to kMinimumScaleFactor of its size) so that the given lines
// stay whole; narrower still, a line is broken at spaces into the fewest
// lines of about equal width, so no word stands on a line of its own while
// its line has others.
class BalancedLinesLabel : public QWidget {
    Q_OBJECT
public:
    static constexpr double kMinimumScaleFactor = 0.75;

    explicit BalancedLinesLabel(const QString& text, QWidget* parent = nullptr);
    void setColor(const QColor& color);
    // The lines and their font as drawn at a width.
    QStringList linesFor(int width) const;
    QFont fontFor(int width) const;
    QStringList shownLines() const { return linesFor(width()); }
    QFont shownFont() const { return fontFor(width()); }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QString text_;
    QColor color_;
};

void setTextColor(QWidget* widget, const QColor& color);

} // namespace tessarin
