#include "ui/playlist/EngineSeekBar.h"

namespace tessarin {

EngineSeekBar::EngineSeekBar(PlaylistEngine&, QWidget* parent)
    : QWidget(parent)
{
}

} // namespace tessarin
