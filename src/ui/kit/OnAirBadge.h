#pragma once
// The "ON AIR" / "PAUSA" capsule that marks what is on air: white on the
// on-air red while the program runs, faint while it is paused. Main thread.
#include <QWidget>

namespace tessarin {

class OnAirBadge : public QWidget {
    Q_OBJECT
public:
    explicit OnAirBadge(bool isPlaying = true, QWidget* parent = nullptr);
    bool isPlaying() const { return isPlaying_; }
    void setIsPlaying(bool playing);
    QString text() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override;
    void changeEvent(QEvent* event) override;

private:
    bool isPlaying_;
};

} // namespace tessarin
