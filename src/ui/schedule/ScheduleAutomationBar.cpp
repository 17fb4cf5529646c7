#include "ui/schedule/ScheduleAutomationBar.h"

#include "automation/ScheduleController.h"
#include "media/MediaBlock.h"
#include "platform/Icons.h"
#include "ui/kit/Buttons.h"
#include "ui/kit/Labels.h"
#include "ui/kit/Theme.h"
#include "ui/schedule/ScheduleFormat.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include <cmath>

namespace tessarin {

namespace {

constexpr int kTextSize = 11;

QLabel* wrappingLabel(QWidget* parent, const QColor& color)
{
    auto* label = new QLabel(parent);
    label->setWordWrap(true);
    label->setFont(Theme::font(kTextSize));
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setTextColor(label, color);
    return label;
}

// The symbol before a pill's text, in the colour of the text as its style
// draws it (dark on a filled pill, the tint on an outlined one).
void setPillSymbol(PillButton* button, const QString& symbol)
{
    const QColor color = button->style().filled ? Theme::black(0.85) : button->style().tint;
    button->setIconSize(QSize(13, 13));
    button->setIcon(Icons::icon(symbol, color, 13));
}

void setLabelText(QLabel* label, const QString& text)
{
    if (label->text() != text)
        label->setText(text);
}

} // namespace

ScheduleAutomationBar::ScheduleAutomationBar(ScheduleController& schedule, QWidget* parent)
    : QWidget(parent)
    , schedule_(schedule)
    , arm_(new PillButton({}, PillButtonStyle{Theme::meterLow(), false}, this))
    , loop_(new PillButton(tr("Loop"), PillButtonStyle{Theme::accent(), false}, this))
    , restart_(new IconButton(QStringLiteral("arrow.counterclockwise"),
                              tr("Riparti da capo: azzera lo stato di ciò che è già andato in onda"),
                              IconButtonStyle{26}, this))
    , status_(wrappingLabel(this, Theme::textSecondary()))
    , notice_(new QWidget(this))
    , noticeText_(wrappingLabel(notice_, Theme::cue()))
{

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->setSpacing(10);
    buttons->addWidget(arm_);
    buttons->addStretch();
    buttons->addWidget(loop_);
    buttons->addWidget(restart_);

    auto* icon = new QLabel(notice_);
    icon->setPixmap(Icons::pixmap(QStringLiteral("exclamationmark.triangle.fill"), Theme::cue(), kTextSize,
                                  devicePixelRatioF()));
    icon->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    icon->setContentsMargins(0, 2, 0, 0);
    auto* noticeLayout = new QHBoxLayout(notice_);
    noticeLayout->setContentsMargins(0, 0, 0, 0);
    noticeLayout->setSpacing(6);
    noticeLayout->addWidget(icon, 0, Qt::AlignTop);
    noticeLayout->addWidget(noticeText_, 1);
    notice_->hide();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(8);
    layout->addLayout(buttons);
    layout->addWidget(status_);
    layout->addWidget(notice_);

    connect(arm_, &QAbstractButton::clicked, this, [this] { schedule_.setArmed(!schedule_.isArmed()); });
    connect(loop_, &QAbstractButton::clicked, this, [this] { schedule_.setLoops(!schedule_.loops()); });
    connect(restart_, &QAbstractButton::clicked, this, [this] { schedule_.resetProgress(); });
}

void ScheduleAutomationBar::refresh(double now)
{
    const bool armed = schedule_.isArmed();
    if (arm_->text().isEmpty() || arm_->style().filled != armed) {
        arm_->setText(armed ? tr("Automazione attiva") : tr("Automazione spenta"));
        arm_->setStyle(PillButtonStyle{Theme::meterLow(), armed});
        setPillSymbol(arm_, armed ? QStringLiteral("play.circle.fill") : QStringLiteral("pause.circle"));
        setHelp(arm_, armed ? tr("Gli eventi partono da soli. Clicca per fermare l'automazione (ciò che è in onda "
                                 "continua).")
                            : tr("Attiva l'automazione: gli eventi partono da soli all'orario stabilito."));
    }
    const bool loops = schedule_.loops();
    if (loop_->toolTip().isEmpty() || loop_->style().filled != loops) {
        loop_->setStyle(PillButtonStyle{Theme::accent(), loops});
        setPillSymbol(loop_, QStringLiteral("repeat"));
        setHelp(loop_, loops ? tr("Loop attivo: finito l'ultimo evento si riparte dal primo")
                             : tr("Attiva il loop: finito l'ultimo evento si riparte dal primo"));
    }
    restart_->setEnabled(!schedule_.events().empty());

    setLabelText(status_, statusLine(schedule_, now));
    const auto& notice = schedule_.notice();
    if (notice)
        setLabelText(noticeText_, *notice);
    notice_->setVisible(notice.has_value());
}

QString ScheduleAutomationBar::statusLine(const ScheduleController& schedule, double now)
{
    const QString loop = schedule.loops() ? tr(" In loop: finito l'ultimo evento si riparte dal primo.") : QString();
    if (!schedule.isArmed())
        return tr("Spenta: gli eventi non partono da soli, ma puoi avviarli a mano.") + loop;
    const auto next = schedule.nextFixed(now);
    if (!next)
        return tr("Attiva. Nessun evento a orario fisso in arrivo.") + loop;
    const auto block = schedule.block(next->event);
    const QString name = block ? block->name() : tr("evento");
    const QString time = ScheduleFormat::time(next->date, schedule.calendar());
    const QString left = ScheduleFormat::duration(std::ceil(next->date - now));
    return tr("Prossimo: “%1” alle %2 — tra %3").arg(name, time, left) + loop;
}

QString ScheduleAutomationBar::shownStatus() const
{
    return status_->text();
}

QString ScheduleAutomationBar::shownNotice() const
{
    return notice_->isHidden() ? QString() : noticeText_->text();
}

} // namespace tessarin
