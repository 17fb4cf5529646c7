#include "engine/OutputContentView.h"

#include "engine/MonitorView.h"

#include <QPalette>
#include <QVBoxLayout>

namespace tessarin {

OutputContentView::OutputContentView(PlaylistEngine& engine, Clock& clock, QWidget* parent)
    : QWidget(parent)
    , monitor_(new MonitorView(engine, false, clock, this))
{
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::black);
    setPalette(palette);
    setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(monitor_);
}

} // namespace tessarin
