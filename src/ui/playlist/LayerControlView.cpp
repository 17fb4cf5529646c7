#include "ui/playlist/LayerControlView.h"

namespace tessarin {

LayerControlView::LayerControlView(std::shared_ptr<OverlayLayer>, QWidget* parent)
    : QWidget(parent)
{
}

} // namespace tessarin
