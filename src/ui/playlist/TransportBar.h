#pragma once
// The row of transport buttons under the monitor: previous, back 10 s, stop,
// play/pause, cue the selected clip, forward 10 s, next. Each button is
// enabled exactly when the engine can act on it and changes its look with
// the engine's state; every action is one call on the engine. The buttons'
// discs stand 14 points apart, centred in the row, with room around them for
// their shadows. Main thread.
#include <QMetaObject>
#include <QWidget>

#include <array>

namespace tessarin {

class PlaylistEngine;
class TransportButton;

class TransportBar : public QWidget {
    Q_OBJECT
public:
    enum Button { previous, back10, stop, playPause, cue, forward10, next, buttonCount };

    explicit TransportBar(PlaylistEngine& engine, QWidget* parent = nullptr);

    TransportButton* button(Button which) const { return buttons_[which]; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void refresh();
    void watchCurrentBlock();
    void cueSelection();
    void placeButtons();

    PlaylistEngine& engine_;
    std::array<TransportButton*, buttonCount> buttons_ {};
    QMetaObject::Connection blockItems_;
};

} // namespace tessarin
