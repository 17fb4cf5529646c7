#include "ui/settings/AtemSettingsView.h"

#include "automation/AtemTallyMonitor.h"
#include "ui/kit/Controls.h"
#include "ui/kit/Theme.h"
#include "ui/settings/PageKit.h"
#include "ui/settings/StatusDot.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include <algorithm>

namespace tessarin {
namespace {
constexpr int kFirstInput = 1;
constexpr int kLastInput = 40;
} // namespace

AtemSettingsView::AtemSettingsView(AtemTallyMonitor& monitor, QWidget* parent)
    : QWidget(parent)
    , monitor_(monitor)
{
    auto* layout = page_kit::column(this, 14, 340);
    layout->addWidget(page_kit::title(tr("Regia ATEM")));

    auto* toggleLine = new QHBoxLayout;
    toggleLine->setSpacing(8);
    const QString toggleText = tr("Attiva auto-take da ATEM");
    enabled_ = new SwitchButton(toggleText);
    toggleLine->addWidget(enabled_);
    toggleLine->addWidget(page_kit::label(toggleText, Theme::font(13), Theme::textPrimary()));
    toggleLine->addStretch(1);
    layout->addLayout(toggleLine);
    connect(enabled_, &SwitchButton::clicked, this, [this](bool on) { monitor_.setEnabled(on); });

    auto* hostGroup = new QVBoxLayout;
    hostGroup->setSpacing(8);
    hostGroup->addWidget(page_kit::label(tr("Indirizzo IP della regia"), Theme::font(10), Theme::textSecondary()));
    host_ = new QLineEdit;
    host_->setPlaceholderText(tr("es. %1").arg(QStringLiteral("192.168.10.240")));
    host_->setAccessibleName(tr("Indirizzo IP della regia"));
    hostGroup->addWidget(host_);
    layout->addLayout(hostGroup);
    connect(host_, &QLineEdit::textEdited, this, [this](const QString& text) { monitor_.setHost(text); });

    auto* inputGroup = new QVBoxLayout;
    inputGroup->setSpacing(8);
    inputGroup->addWidget(
        page_kit::label(tr("Ingresso ATEM dedicato al playout"), Theme::font(10), Theme::textSecondary()));
    input_ = new Stepper;
    inputGroup->addWidget(input_, 0, Qt::AlignLeft);
    layout->addLayout(inputGroup);
    connect(input_, &Stepper::incremented, this, [this] { step(1); });
    connect(input_, &Stepper::decremented, this, [this] { step(-1); });

    layout->addWidget(page_kit::divider());

    auto* statusLine = new QHBoxLayout;
    statusLine->setSpacing(8);
    dot_ = new StatusDot(8);
    statusLine->addWidget(dot_);
    status_ = page_kit::label({}, Theme::font(12), Theme::textSecondary());
    statusLine->addWidget(status_, 1);
    layout->addLayout(statusLine);

    layout->addWidget(page_kit::caption(
        tr("Quando l'ingresso indicato va in program sull'ATEM, la clip in cue viene mandata in onda automaticamente — esattamente come premendo “Manda in onda”.")));

    connect(&monitor_, &AtemTallyMonitor::changed, this, &AtemSettingsView::refresh);
    refresh();
}

void AtemSettingsView::step(int delta)
{
    const int next = std::clamp(monitor_.playoutInputNumber() + delta, kFirstInput, kLastInput);
    if (next != monitor_.playoutInputNumber())
        monitor_.setPlayoutInputNumber(next);
}

void AtemSettingsView::refresh()
{
    enabled_->setChecked(monitor_.isEnabled());
    if (host_->text() != monitor_.host())
        host_->setText(monitor_.host());
    const int input = monitor_.playoutInputNumber();
    input_->setText(tr("Ingresso %1").arg(input));
    input_->setDownEnabled(input > kFirstInput);
    input_->setUpEnabled(input < kLastInput);
    dot_->setColor(monitor_.isConnected() ? Theme::meterLow() : Theme::textSecondary());
    if (monitor_.isConnected())
        status_->setText(tr("Connesso"));
    else if (monitor_.statusMessage())
        status_->setText(*monitor_.statusMessage());
    else
        status_->setText(tr("Non connesso"));
}

} // namespace tessarin
