#include "ui/schedule/ScheduleRowView.h"

#include "automation/ScheduleController.h"
#include "media/MediaBlock.h"
#include "platform/Icons.h"
#include "ui/kit/Buttons.h"
#include "ui/kit/Labels.h"
#include "ui/kit/OnAirBadge.h"
#include "ui/kit/Theme.h"
#include "ui/schedule/ScheduleFormat.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QToolButton>
#include <QVBoxLayout>

namespace tessarin {

namespace {

constexpr int kTimeColumn = 96;
constexpr int kMinimumHeight = 46;
constexpr int kTrailingInset = 8;
constexpr int kSymbolSize = 10;

// The coloured bar at the row's leading edge; its help text names the status.
class StatusBar : public QWidget {
public:
    explicit StatusBar(QWidget* parent)
        : QWidget(parent)
    {
        setFixedWidth(3);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    }
    void setColor(const QColor& color)
    {
        if (color_ == color)
            return;
        color_ = color;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), color_);
    }

private:
    QColor color_;
};

void setLabelColor(ElidedLabel* label, const QColor& color)
{
    if (label->property("shownColor").value<QColor>() == color)
        return;
    label->setProperty("shownColor", color);
    label->setColor(color);
}

} // namespace

ScheduleRowView::ScheduleRowView(ScheduleController& schedule, QWidget* parent)
    : QWidget(parent)
    , schedule_(schedule)
    , statusBar_(new StatusBar(this))
    , time_(new ElidedLabel({}, Qt::ElideRight, this))
    , caption_(new ElidedLabel({}, Qt::ElideRight, this))
    , badge_(new OnAirBadge(true, this))
    , symbol_(new QLabel(this))
    , title_(new ElidedLabel({}, Qt::ElideRight, this))
    , detail_(new ElidedLabel({}, Qt::ElideRight, this))
    , launch_(new IconButton(QStringLiteral("play.fill"), tr("Manda in onda adesso"), IconButtonStyle{26}, this))
    , menuButton_(new QToolButton(this))
{
    setMinimumHeight(kMinimumHeight);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setAttribute(Qt::WA_OpaquePaintEvent);

    time_->setFont(Theme::monoFont(14, QFont::DemiBold));
    caption_->setFont(Theme::font(10));
    caption_->setColor(Theme::textSecondary());
    title_->setFont(Theme::font(13, QFont::DemiBold));
    detail_->setFont(Theme::font(11));
    detail_->setColor(Theme::textSecondary());
    // Where the row is too narrow for the status and the length on one
    // line, the length goes on a second one rather than being cut.
    detail_->setSecondLineAfter(QStringLiteral(" · "));
    symbol_->setFixedSize(kSymbolSize, kSymbolSize);

    auto* timeColumn = new QWidget(this);
    timeColumn->setFixedWidth(kTimeColumn);
    auto* timeLayout = new QVBoxLayout(timeColumn);
    timeLayout->setContentsMargins(0, 0, 0, 0);
    timeLayout->setSpacing(2);
    timeLayout->addStretch();
    timeLayout->addWidget(time_);
    timeLayout->addWidget(caption_);
    timeLayout->addStretch();

    auto* titleRow = new QHBoxLayout;
    titleRow->setContentsMargins(0, 0, 0, 0);
    titleRow->setSpacing(6);
    titleRow->addWidget(badge_);
    titleRow->addWidget(symbol_);
    titleRow->addWidget(title_, 1);
    auto* contentColumn = new QVBoxLayout;
    contentColumn->setContentsMargins(0, 0, 0, 0);
    contentColumn->setSpacing(2);
    contentColumn->addStretch();
    contentColumn->addLayout(titleRow);
    contentColumn->addWidget(detail_);
    contentColumn->addStretch();

    menuButton_->setFixedSize(22, 22);
    menuButton_->setIcon(Icons::icon(QStringLiteral("ellipsis"), Theme::textSecondary(), 16));
    menuButton_->setAutoRaise(true);
    menuButton_->setPopupMode(QToolButton::InstantPopup);
    menuButton_->setStyleSheet(QStringLiteral("QToolButton { border: none; background: transparent; }"
                                              "QToolButton::menu-indicator { image: none; width: 0; }"));
    menuButton_->setAccessibleName(tr("Azioni dell'evento"));
    buildMenu();

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, kTrailingInset, 0);
    layout->setSpacing(10);
    layout->addWidget(statusBar_);
    layout->addWidget(timeColumn);
    layout->addLayout(contentColumn, 1);
    layout->addSpacing(4);
    layout->addWidget(launch_);
    layout->addWidget(menuButton_);

    connect(launch_, &QAbstractButton::clicked, this,
            [this] { schedule_.launch(content_.event, schedule_.now()); });
}

void ScheduleRowView::buildMenu()
{
    auto* menu = new QMenu(menuButton_);
    edit_ = menu->addAction(tr("Modifica…"));
    enable_ = menu->addAction(tr("Disattiva"));
    menu->addSeparator();
    moveUp_ = menu->addAction(tr("Sposta su"));
    moveDown_ = menu->addAction(tr("Sposta giù"));
    menu->addSeparator();
    delete_ = menu->addAction(tr("Elimina"));
    menuButton_->setMenu(menu);

    // Each action works on the copy of the event the row shows.
    connect(edit_, &QAction::triggered, this, &ScheduleRowView::editRequested);
    connect(enable_, &QAction::triggered, this, [this] {
        ScheduleEvent toggled = content_.event;
        toggled.isEnabled = !toggled.isEnabled;
        schedule_.update(toggled);
    });
    connect(moveUp_, &QAction::triggered, this, [this] { schedule_.moveEvent(content_.event, -1); });
    connect(moveDown_, &QAction::triggered, this, [this] { schedule_.moveEvent(content_.event, 1); });
    connect(delete_, &QAction::triggered, this, [this] { schedule_.remove(content_.event); });
}

void ScheduleRowView::setContent(const Content& content, const ScheduleCalendar& calendar)
{
    // The column hands every row its content once a second: a row whose
    // content, title and calendar are as shown costs a comparison.
    const QString title = schedule_.title(content.event);
    if (hasContent_ && calendar.zone() == shownZone_ && title == shownTitleText_ && content == content_)
        return;
    shownZone_ = calendar.zone();
    shownTitleText_ = title;
    const bool repaint = !hasContent_ || content.background != content_.background
        || (content.status == Status::running) != (content_.status == Status::running);
    content_ = content;
    hasContent_ = true;
    const ScheduleEvent& event = content_.event;
    const Status status = content_.status;

    static_cast<StatusBar*>(statusBar_)->setColor(color(status));
    if (statusBar_->toolTip() != label(status))
        setHelp(statusBar_, label(status));

    time_->setText(timeText(event, content_.plannedStart, calendar));
    setLabelColor(time_, status == Status::disabled ? Theme::textTertiary() : Theme::textPrimary());
    caption_->setText(startCaption(event, content_.plannedStart, calendar));

    badge_->setVisible(status == Status::running);
    const QString symbol = contentSymbol(event);
    const QColor symbolColor = event.media && event.media->isLive() ? Theme::live() : Theme::textSecondary();
    if (symbol != shownSymbol_ || symbolColor != shownSymbolColor_) {
        shownSymbol_ = symbol;
        shownSymbolColor_ = symbolColor;
        symbol_->setPixmap(Icons::pixmap(symbol, symbolColor, kSymbolSize, devicePixelRatioF()));
    }
    title_->setText(title);
    setLabelColor(title_, !content_.block                ? Theme::meterHigh()
                          : status == Status::disabled ? Theme::textTertiary()
                                                       : Theme::textPrimary());
    detail_->setText(detail(content_));
    // One object for screen readers, read as the row reads.
    setAccessibleName(QStringList { time_->text(), caption_->text(), title_->text(), detail_->text(), label(status) }
                          .filter(QRegularExpression(QStringLiteral("\\S")))
                          .join(QStringLiteral(", ")));

    launch_->setEnabled(content_.block != nullptr);
    enable_->setText(event.isEnabled ? tr("Disattiva") : tr("Attiva"));
    moveUp_->setEnabled(content_.index != 0);
    moveDown_->setEnabled(content_.index != content_.count - 1);

    if (repaint)
        update();
}

QString ScheduleRowView::label(Status status)
{
    switch (status) {
    case Status::waiting: return tr("In attesa");
    case Status::running: return tr("In onda");
    case Status::done: return tr("Andato in onda");
    case Status::missed: return tr("Saltato");
    case Status::disabled: return tr("Disattivato");
    case Status::missingBlock: return tr("Blocco mancante");
    }
    return {};
}

QColor ScheduleRowView::color(Status status)
{
    switch (status) {
    case Status::waiting: return Theme::textTertiary();
    case Status::running: return Theme::onAir();
    case Status::done: return Theme::meterLow();
    case Status::missed: return Theme::cue();
    case Status::disabled: return Theme::textTertiary();
    case Status::missingBlock: return Theme::meterHigh();
    }
    return {};
}

QString ScheduleRowView::timeText(const ScheduleEvent& event, std::optional<double> plannedStart,
                                  const ScheduleCalendar& calendar)
{
    switch (event.start) {
    case ScheduleEvent::Start::fixed:
        return ScheduleFormat::time(plannedStart.value_or(event.date), calendar);
    case ScheduleEvent::Start::follow:
        if (plannedStart)
            return QStringLiteral("≈ ") + ScheduleFormat::time(*plannedStart, calendar);
        return tr("A SEGUIRE");
    case ScheduleEvent::Start::manual:
        return tr("MANUALE");
    }
    return {};
}

QString ScheduleRowView::startCaption(const ScheduleEvent& event, std::optional<double> plannedStart,
                                      const ScheduleCalendar& calendar)
{
    switch (event.start) {
    case ScheduleEvent::Start::follow:
        return tr("a seguire");
    case ScheduleEvent::Start::manual:
        return tr("parte a mano");
    case ScheduleEvent::Start::fixed:
        break;
    }
    switch (event.repeats) {
    case ScheduleEvent::Repeat::none:
        return ScheduleFormat::day(plannedStart.value_or(event.date), calendar);
    case ScheduleEvent::Repeat::daily:
        return tr("ogni giorno");
    case ScheduleEvent::Repeat::weekly:
        return tr("ogni %1").arg(ScheduleFormat::weekday(event.date, calendar));
    }
    return {};
}

QString ScheduleRowView::detail(const Content& content)
{
    const ScheduleEvent& event = content.event;
    const Status status = content.status;
    if (!content.block)
        return tr("Il blocco è stato eliminato");
    QString text;
    if (content.blockIsLive) {
        text = event.duration ? tr("diretta · fino a ") + ScheduleFormat::duration(*event.duration)
                              : tr("diretta · senza limite");
    } else {
        const std::optional<double> planned = content.blockDuration;
        const std::optional<double> limit = event.duration;
        if (!limit && !planned) {
            text = tr("durata non definita");
        } else {
            double shown = 0;
            bool limitMark = false;
            if (limit) {
                shown = (!planned || *limit < *planned) ? *limit : *planned;
                limitMark = !planned || *limit <= *planned;
            } else {
                shown = *planned;
            }
            text = tr("durata ") + ScheduleFormat::duration(shown);
            if (limitMark)
                text += tr(" (limite)");
        }
    }
    if (status != Status::waiting && status != Status::running)
        text = label(status) + QStringLiteral(" · ") + text;
    return text;
}

QString ScheduleRowView::contentSymbol(const ScheduleEvent& event)
{
    if (!event.media)
        return QStringLiteral("square.stack.3d.up");
    if (event.media->isLive())
        return QStringLiteral("antenna.radiowaves.left.and.right");
    if (event.media->isImage())
        return QStringLiteral("photo");
    return QStringLiteral("film");
}

QString ScheduleRowView::shownTime() const { return time_->text(); }
QString ScheduleRowView::shownCaption() const { return caption_->text(); }
QString ScheduleRowView::shownTitle() const { return title_->text(); }
QString ScheduleRowView::shownDetail() const { return detail_->text(); }
QString ScheduleRowView::drawnDetail() const { return detail_->shownText(); }
bool ScheduleRowView::showsOnAirBadge() const { return !badge_->isHidden(); }

void ScheduleRowView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), content_.background.isValid() ? content_.background : Theme::panel());
    if (content_.status == Status::running)
        p.fillRect(rect(), Theme::onAirRowFill(QRectF(rect())));
}

void ScheduleRowView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        emit editRequested();
        return;
    }
    QWidget::mouseDoubleClickEvent(event);
}

} // namespace tessarin
