#pragma once
// The "ON AIR" / "PAUSA" capsule that marks what is on air: white on the
// on-air red while the program runs, faint while it is paused; and the
// "CUE" capsule drawn in the same lettering. Main thread.
#include <QWidget>

class QPainter;

namespace tessarin {

class OnAirBadge : public QWidget {
    Q_OBJECT
public:
    explicit OnAirBadge(bool isPlaying = true, QWidget* parent = nullptr);
    bool isPlaying() const { return isPlaying_; }
    void setIsPlaying(bool playing);
    QString text() const;
    QSize sizeHint() const override;
    // The capsule drawn by a widget of its own (a row marks itself in paint,
    // with no widget to make, show and lay out when it goes on air).
    static QString text(bool isPlaying);
    static QSize sizeFor(bool isPlaying);
    static void paint(QPainter& painter, const QRectF& rect, bool isPlaying);
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override;
    void changeEvent(QEvent* event) override;

private:
    bool isPlaying_;
};

// The "CUE" capsule of a cued row, in the badge's lettering.
struct CueCapsule {
    static QSize size();
    static void paint(QPainter& painter, const QRectF& rect);
};

} // namespace tessarin
