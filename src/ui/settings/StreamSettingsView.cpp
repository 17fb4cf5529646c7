#include "ui/settings/StreamSettingsView.h"

#include "streaming/StreamManager.h"
#include "ui/kit/Controls.h"
#include "ui/kit/Theme.h"
#include "ui/settings/PageKit.h"
#include "ui/settings/StreamRow.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace tessarin {

StreamSettingsView::StreamSettingsView(StreamManager& manager, QWidget* parent)
    : QWidget(parent)
    , manager_(manager)
{
    auto* layout = page_kit::column(this, 14, 480);
    layout->addWidget(page_kit::title(tr("Streaming")));

    formatRow_ = new QWidget;
    formatRow_->setToolTip(tr("Il formato si cambia a stream fermi"));
    auto* format = new QVBoxLayout(formatRow_);
    format->setContentsMargins(0, 0, 0, 0);
    format->setSpacing(8);

    auto* scanLine = new QHBoxLayout;
    scanLine->setSpacing(10);
    scan_ = new SegmentedControl;
    scan_->addSegment(StreamFormat::label(StreamFormat::Scan::progressive));
    scan_->addSegment(StreamFormat::label(StreamFormat::Scan::interlaced));
    scan_->setFixedWidth(220);
    scan_->setToolTip(tr("Interlacciato: campi alternati, come nei formati televisivi 1080i"));
    scan_->setAccessibleName(tr("Scansione"));
    scanLine->addWidget(scan_);
    scanLine->addStretch(1);
    summary_ = page_kit::label({}, Theme::monoFont(12, QFont::DemiBold), Theme::textSecondary());
    scanLine->addWidget(summary_);
    format->addLayout(scanLine);

    auto* rateLine = new QHBoxLayout;
    rateLine->setSpacing(8);
    resolution_ = new QComboBox;
    resolution_->addItem(QStringLiteral("720p"));
    resolution_->addItem(QStringLiteral("1080p"));
    resolution_->setFixedWidth(90);
    resolution_->setAccessibleName(tr("Risoluzione"));
    rateLine->addWidget(resolution_);
    rate_ = new QComboBox;
    rate_->setAccessibleName(tr("Frequenza"));
    rateLine->addWidget(rate_, 1);
    format->addLayout(rateLine);
    layout->addWidget(formatRow_);

    connect(scan_, &SegmentedControl::activated, this, [this](int index) {
        StreamFormat f = manager_.format();
        f.scan = index == 1 ? StreamFormat::Scan::interlaced : StreamFormat::Scan::progressive;
        manager_.setFormat(f);
    });
    connect(resolution_, &QComboBox::activated, this, [this](int index) {
        StreamFormat f = manager_.format();
        f.resolution = index == 1 ? StreamFormat::Resolution::hd1080 : StreamFormat::Resolution::hd720;
        manager_.setFormat(f);
    });
    connect(rate_, &QComboBox::activated, this, [this](int index) {
        StreamFormat f = manager_.format();
        f.rate = static_cast<StreamFormat::Rate>(rate_->itemData(index).toInt());
        manager_.setFormat(f);
    });

    for (const auto& output : manager_.outputs()) {
        auto* row = new StreamRow(*output, manager_);
        rows_.append(row);
        layout->addWidget(row);
    }
    layout->addWidget(page_kit::caption(tr("Viene trasmesso ciò che è in onda: video, sorgente live, layer grafici e audio. Per RTMP usa l'indirizzo completo della piattaforma, chiave inclusa.")));

    connect(&manager_, &StreamManager::changed, this, &StreamSettingsView::refresh);
    connect(&manager_, &StreamManager::formatChanged, this, &StreamSettingsView::refresh);
    connect(&manager_, &StreamManager::isStreamingChanged, this, &StreamSettingsView::refresh);
    refresh();
}

void StreamSettingsView::refresh()
{
    const StreamFormat& f = manager_.format();
    const bool interlaced = f.scan == StreamFormat::Scan::interlaced;
    formatRow_->setEnabled(!manager_.isStreaming());
    scan_->setCurrentIndex(interlaced ? 1 : 0);
    summary_->setText(f.summary());
    resolution_->setCurrentIndex(f.resolution == StreamFormat::Resolution::hd1080 ? 1 : 0);
    resolution_->setEnabled(!interlaced);
    resolution_->setToolTip(interlaced ? tr("L'interlacciato è disponibile in 1080") : tr("Risoluzione"));

    const QSignalBlocker block(rate_);
    const auto rates = StreamFormat::available(f.scan);
    bool same = rate_->count() == int(rates.size());
    for (int i = 0; same && i < rate_->count(); ++i)
        same = rate_->itemText(i) == StreamFormat::label(rates[size_t(i)], f.scan);
    if (!same) {
        rate_->clear();
        for (StreamFormat::Rate r : rates)
            rate_->addItem(StreamFormat::label(r, f.scan), static_cast<int>(r));
    }
    rate_->setCurrentIndex(rate_->findData(static_cast<int>(f.rate)));
}

} // namespace tessarin
