#include "ui/browser/BrowserColumnView.h"

namespace tessarin {

BrowserColumnView::BrowserColumnView(BrowserFiles&, SourceLibrary&, QWidget* parent)
    : QWidget(parent)
{
}

} // namespace tessarin
