#pragma once
// The panel the operator's monitor shows over the live picture while the
// source on air is not live: a spinner and the waiting text while idle or
// connecting, a warning symbol and the session's message when it failed.
// Painted into the program frame beneath the fade and the overlays.
// Main thread (it uses the interface's fonts and symbols).
#include "media/LiveStatus.h"

#include <QCoreApplication>
#include <QImage>

namespace tessarin {

class LiveStatusPanel {
    Q_DECLARE_TR_FUNCTIONS(LiveStatusPanel)
public:
    // Whether a status shows the panel at all (not while live).
    static bool isShown(const LiveStatus& status) { return status.kind() != LiveStatus::Case::live; }
    // Whether the panel animates (the spinner of a waiting source).
    static bool isAnimated(const LiveStatus& status) { return isShown(status) && !status.isFailed(); }

    // Paints the panel centred on target, whose pixels are devicePixelRatio
    // times the logical sizes. Colours are scaled by colourScale (the fade
    // the picture beneath was darkened by); time turns the spinner.
    static void paint(QImage& target, const LiveStatus& status, double devicePixelRatio, double colourScale,
                      double time);

    static QString waitingText() { return tr("In attesa del segnale…"); }
};

} // namespace tessarin
