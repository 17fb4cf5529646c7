#include "ui/playlist/PlaylistView.h"

#include "engine/OverlayLayer.h"
#include "engine/PlaylistEngine.h"
#include "media/SourceLibrary.h"
#include "ui/browser/BrowserColumnView.h"
#include "ui/kit/SectionTitle.h"
#include "ui/kit/Theme.h"
#include "ui/playlist/CueBar.h"
#include "ui/playlist/EngineSeekBar.h"
#include "ui/playlist/LayerControlView.h"
#include "ui/playlist/MonitorRow.h"
#include "ui/playlist/NowPlayingLine.h"
#include "ui/playlist/TimecodeBar.h"
#include "ui/playlist/TransitionControl.h"
#include "ui/playlist/TransportBar.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>

namespace tessarin {
namespace {

QWidget* divider(QWidget* parent)
{
    auto* line = new QWidget(parent);
    line->setFixedWidth(1);
    line->setAutoFillBackground(true);
    QPalette pal = line->palette();
    // The border colour is translucent white: blend it over the background
    // so the line looks the same as a stroke drawn over the panels.
    QColor blended = Theme::background();
    const QColor border = Theme::panelBorder();
    const double a = border.alphaF();
    blended.setRgbF(float(blended.redF() * (1 - a) + border.redF() * a),
                    float(blended.greenF() * (1 - a) + border.greenF() * a),
                    float(blended.blueF() * (1 - a) + border.blueF() * a));
    pal.setColor(QPalette::Window, blended);
    line->setPalette(pal);
    return line;
}

// The centre column asks for no more than its minimum width: the side
// columns, which ask for their widest, are served first, and the centre
// takes all the width left over (it alone has a stretch factor).
class CentreColumn : public QWidget {
public:
    using QWidget::QWidget;
    QSize sizeHint() const override { return { minimumWidth(), QWidget::sizeHint().height() }; }
};

} // namespace

PlaylistView::PlaylistView(PlaylistEngine& engine, ScheduleController& schedule, BrowserFiles& browserFiles,
                           const Services& services, const SidePanelFactory& sidePanel, QWidget* parent)
    : QWidget(parent)
    , sources_(std::make_unique<SourceLibrary>(services.settings, services.captureDevices))
{
    Q_UNUSED(schedule);
    browser_ = new BrowserColumnView(browserFiles, *sources_, this);
    centre_ = makeCentreColumn(engine, services.clock);
    sidePanel_ = sidePanel ? sidePanel(*sources_) : new QWidget(this);
    sidePanel_->setParent(this);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(browser_);
    row->addWidget(divider(this));
    row->addWidget(centre_, 1);
    row->addWidget(divider(this));
    row->addWidget(sidePanel_);
}

PlaylistView::~PlaylistView()
{
    // The columns observe the catalogue: they go first.
    delete browser_;
    delete sidePanel_;
}

QWidget* PlaylistView::makeCentreColumn(PlaylistEngine& engine, Clock& clock)
{
    auto* column = new CentreColumn(this);
    column->setObjectName(QStringLiteral("centreColumn"));
    column->setMinimumWidth(kCentreMinimumWidth);
    column->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);

    timecodeBar_ = new TimecodeBar(engine, clock, column);
    monitorRow_ = new MonitorRow(engine, clock, column);
    seekBar_ = new EngineSeekBar(engine, column);
    nowPlaying_ = new NowPlayingLine(engine, column);
    cueBar_ = new CueBar(engine, column);
    transportBar_ = new TransportBar(engine, column);
    transition_ = new TransitionControl(engine, column);
    layers_ = makeLayersSection(engine);
    layers_->setParent(column);

    auto* stack = new QVBoxLayout(column);
    stack->setContentsMargins(16, 16, 16, 16);
    stack->setSpacing(14);
    stack->addWidget(timecodeBar_);
    stack->addWidget(monitorRow_, 1);
    stack->addWidget(seekBar_);
    stack->addWidget(nowPlaying_);
    // The cue bar hides itself while nothing is cued; a hidden widget takes
    // neither room nor spacing.
    stack->addWidget(cueBar_);
    stack->addWidget(transportBar_);
    stack->addWidget(transition_);
    stack->addWidget(layers_);
    // Never narrower than its rows at their smallest (the readouts of the
    // timecode bar whole beside the clock).
    column->setMinimumWidth(std::max(kCentreMinimumWidth, stack->minimumSize().width()));
    return column;
}

QWidget* PlaylistView::makeLayersSection(PlaylistEngine& engine)
{
    auto* section = new QWidget;
    section->setObjectName(QStringLiteral("layersSection"));
    auto* stack = new QVBoxLayout(section);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(6);
    stack->addWidget(new SectionTitle(tr("Layer grafici"), QStringLiteral("square.3.layers.3d"), section),
                     0, Qt::AlignLeft);
    // The engine's layers are fixed for its lifetime: one card each, in order.
    for (const auto& layer : engine.overlays().layers())
        stack->addWidget(new LayerControlView(layer, section));
    return section;
}

void PlaylistView::paintEvent(QPaintEvent*)
{
    QPainter(this).fillRect(rect(), Theme::background());
}

} // namespace tessarin
