#pragma once
// Plain painted areas the views share: a line of one colour (separators,
// 1 point high unless sized otherwise) and the header gradient behind the
// top bar and the columns' headers. Main thread.
#include <QColor>
#include <QWidget>

namespace tessarin {

class ColorLine : public QWidget {
    Q_OBJECT
public:
    // Theme::panelBorder() by default.
    explicit ColorLine(QWidget* parent = nullptr);
    ColorLine(const QColor& color, QWidget* parent);
    void setColor(const QColor& color);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QColor color_;
};

class HeaderFill : public QWidget {
    Q_OBJECT
public:
    explicit HeaderFill(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent*) override;
};

} // namespace tessarin
