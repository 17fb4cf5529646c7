#pragma once
// Labels for texts that may not fit: ElidedLabel cuts the text with an
// ellipsis (at the end or in the middle); FitLabel first shrinks its font
// down to a minimum scale factor, then elides. Both report a small minimum
// width so a layout may squeeze them. setTextColor gives any widget's text
// (a QLabel's, say) one colour through its palette. ElidingLineEdit is an
// inline text field that, while not being edited, ends a text too long for it
// with an ellipsis instead of cutting a letter. Main thread.
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
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;
    virtual QFont drawingFont() const { return font(); }

    QString text_;
    Qt::TextElideMode mode_;
    QColor color_;
    Qt::Alignment alignment_ = Qt::AlignLeft | Qt::AlignVCenter;
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

void setTextColor(QWidget* widget, const QColor& color);

} // namespace tessarin
