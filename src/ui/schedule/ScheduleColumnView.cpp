#include "ui/schedule/ScheduleColumnView.h"

namespace tessarin {

ScheduleColumnView::ScheduleColumnView(ScheduleController&, PlaylistEngine&, SourceLibrary&, const BrowserFiles&, QWidget* parent)
    : QWidget(parent)
{
}

} // namespace tessarin
