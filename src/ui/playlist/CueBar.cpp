#include "ui/playlist/CueBar.h"

namespace tessarin {

CueBar::CueBar(PlaylistEngine&, QWidget* parent)
    : QWidget(parent)
{
}

} // namespace tessarin
