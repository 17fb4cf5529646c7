#include "ui/playlist/TransitionControl.h"

namespace tessarin {

TransitionControl::TransitionControl(PlaylistEngine&, QWidget* parent)
    : QWidget(parent)
{
}

} // namespace tessarin
