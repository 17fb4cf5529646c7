#pragma once
// A small filled circle in a colour, the status mark of a row. Main thread.
#include <QColor>
#include <QWidget>

namespace tessarin {

class StatusDot : public QWidget {
    Q_OBJECT
public:
    explicit StatusDot(int diameter, QWidget* parent = nullptr);
    void setColor(const QColor& color);
    const QColor& color() const { return color_; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QColor color_;
};

} // namespace tessarin
