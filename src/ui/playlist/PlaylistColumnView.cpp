#include "ui/playlist/PlaylistColumnView.h"

namespace tessarin {

PlaylistColumnView::PlaylistColumnView(PlaylistEngine&, QWidget* parent)
    : QWidget(parent)
{
}

} // namespace tessarin
