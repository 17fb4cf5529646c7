#include "ui/schedule/ScheduleRow.h"

#include "media/MediaBlock.h"
#include "media/MediaFile.h"
#include "ui/kit/Theme.h"
#include "ui/schedule/ScheduleFormat.h"

#include <QRegularExpression>
#include <QStringList>

namespace tessarin {

ScheduleRow::Shown ScheduleRow::shown(Content content, QString title, const ScheduleCalendar& calendar)
{
    Shown row;
    row.time = timeText(content.event, content.plannedStart, calendar);
    row.caption = startCaption(content.event, content.plannedStart, calendar);
    row.title = std::move(title);
    row.detail = detail(content);
    row.accessibleName = QStringList { row.time, row.caption, row.title, row.detail, label(content.status) }
                             .filter(QRegularExpression(QStringLiteral("\\S")))
                             .join(QStringLiteral(", "));
    row.content = std::move(content);
    return row;
}

QString ScheduleRow::label(Status status)
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

QColor ScheduleRow::color(Status status)
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

QString ScheduleRow::timeText(const ScheduleEvent& event, std::optional<double> plannedStart,
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

QString ScheduleRow::startCaption(const ScheduleEvent& event, std::optional<double> plannedStart,
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

QString ScheduleRow::detail(const Content& content)
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

QString ScheduleRow::contentSymbol(const ScheduleEvent& event)
{
    if (!event.media)
        return QStringLiteral("square.stack.3d.up");
    if (event.media->isLive())
        return QStringLiteral("antenna.radiowaves.left.and.right");
    if (event.media->isImage())
        return QStringLiteral("photo");
    return QStringLiteral("film");
}

} // namespace tessarin
