#include "app/TopBarView.h"

namespace tessarin {

TopBarView::TopBarView(ShowController&, StreamManager&, OutputWindowController&, ShortcutManager&, AtemTallyMonitor&, QWidget* parent)
    : QWidget(parent)
{
}

} // namespace tessarin
