#include "ui/playlist/TransportBar.h"

namespace tessarin {

TransportBar::TransportBar(PlaylistEngine&, QWidget* parent)
    : QWidget(parent)
{
}

} // namespace tessarin
