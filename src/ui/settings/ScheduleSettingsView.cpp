#include "ui/settings/ScheduleSettingsView.h"

#include "automation/ScheduleController.h"
#include "ui/kit/Theme.h"
#include "ui/settings/PageKit.h"

#include <QComboBox>
#include <QLabel>
#include <QVBoxLayout>

namespace tessarin {
namespace {

constexpr int kPrepOptions[] = { 0, 5, 10, 15, 30 };
constexpr int kToleranceOptions[] = { 2, 5, 10, 30, 60 };

} // namespace

ScheduleSettingsView::ScheduleSettingsView(ScheduleController& schedule, QWidget* parent)
    : QWidget(parent)
    , schedule_(schedule)
{
    auto* layout = page_kit::column(this, 16, 460);
    layout->addWidget(page_kit::title(tr("Palinsesto")));

    const auto group = [&](const QString& heading, QComboBox* picker, const QString& text) {
        auto* box = new QVBoxLayout;
        box->setSpacing(6);
        box->addWidget(page_kit::label(heading, Theme::font(11, QFont::Bold), Theme::textPrimary()));
        picker->setFixedWidth(200);
        picker->setAccessibleName(heading);
        box->addWidget(picker);
        box->addWidget(page_kit::caption(text));
        layout->addLayout(box);
    };

    prep_ = new QComboBox;
    for (int seconds : kPrepOptions)
        prep_->addItem(seconds == 0 ? tr("Mai") : tr("%1 secondi prima").arg(seconds), seconds);
    group(tr("Cue automatico"), prep_,
          tr("Poco prima di un evento a orario fisso, la prima clip del suo blocco viene messa in cue, così parte senza attese. Non succede se hai già qualcosa in cue."));

    tolerance_ = new QComboBox;
    for (int seconds : kToleranceOptions)
        tolerance_->addItem(tr("%1 secondi").arg(seconds), seconds);
    group(tr("Tolleranza sul ritardo"), tolerance_,
          tr("Un evento a orario fisso che risulta in ritardo di più di così (perché il computer era occupato) viene saltato invece di partire fuori orario. Ciò che era già scaduto quando accendi l'automazione non parte mai."));

    layout->addWidget(page_kit::caption(
        tr("Con il loop attivo, quando finisce l'ultimo evento il palinsesto riparte dal primo. Gli eventi a orario fisso partono comunque ai loro orari: per averli a ogni giro impostali su “Ogni giorno” o “Ogni settimana”.")));
    layout->addWidget(page_kit::caption(
        tr("L'automazione del palinsesto è sempre spenta quando apri Tessarin o uno show: si accende a mano dalla scheda Palinsesto.")));

    connect(prep_, &QComboBox::activated, this,
            [this](int index) { schedule_.setPrepSeconds(prep_->itemData(index).toInt()); });
    connect(tolerance_, &QComboBox::activated, this,
            [this](int index) { schedule_.setLateToleranceSeconds(tolerance_->itemData(index).toInt()); });
    connect(&schedule_, &ScheduleController::prepSecondsChanged, this, &ScheduleSettingsView::refresh);
    connect(&schedule_, &ScheduleController::lateToleranceSecondsChanged, this, &ScheduleSettingsView::refresh);
    refresh();
}

void ScheduleSettingsView::refresh()
{
    prep_->setCurrentIndex(prep_->findData(schedule_.prepSeconds()));
    tolerance_->setCurrentIndex(tolerance_->findData(schedule_.lateToleranceSeconds()));
}

} // namespace tessarin
