#include "ui/schedule/ScheduleTimeFields.h"

#include "ui/kit/Theme.h"
#include "ui/schedule/ScheduleLocalTime.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>

#include <algorithm>
#include <cmath>

namespace tessarin {

namespace {

constexpr int kFieldWidth = 46;
// Lengths beyond this many seconds (some 30 million years) are not shown
// part by part; the editor only stores small whole numbers of seconds.
constexpr double kLongestLength = 1.0e15;

std::int64_t wholeSeconds(double seconds)
{
    if (!std::isfinite(seconds))
        return 0;
    return static_cast<std::int64_t>(std::clamp(std::trunc(seconds), -kLongestLength, kLongestLength));
}

QHBoxLayout* fieldRow(QWidget* owner, const std::array<TwoDigitField*, 3>& fields)
{
    auto* layout = new QHBoxLayout(owner);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) {
            auto* colon = new QLabel(QStringLiteral(":"), owner);
            colon->setFont(Theme::font(13));
            layout->addWidget(colon);
        }
        layout->addWidget(fields[i]);
    }
    layout->addStretch();
    return layout;
}

} // namespace

TwoDigitField::TwoDigitField(const QString& accessibleName, QWidget* parent)
    : QLineEdit(parent)
{
    setAccessibleName(accessibleName);
    setFont(Theme::monoFont(13));
    setAlignment(Qt::AlignCenter);
    setFixedWidth(kFieldWidth);
    connect(this, &QLineEdit::editingFinished, this, &TwoDigitField::commit);
    setValue(0);
}

void TwoDigitField::setValue(std::int64_t value)
{
    value_ = value;
    // A redraw while the operator types leaves the typed text alone.
    if (!(hasFocus() && isModified()))
        display();
}

void TwoDigitField::display()
{
    const std::int64_t value = value_;
    const QLocale locale;
    QString digits = locale.toString(qlonglong(value < 0 ? -value : value));
    digits.remove(locale.groupSeparator());
    while (digits.size() < 2)
        digits.prepend(locale.zeroDigit());
    const QString shown = value < 0 ? locale.negativeSign() + digits : digits;
    if (text() != shown)
        setText(shown);
}

void TwoDigitField::commit()
{
    const QString typed = text().trimmed();
    bool ok = false;
    qlonglong value = QLocale().toLongLong(typed, &ok);
    if (!ok)
        value = typed.toLongLong(&ok);
    // Shows the value it had; the owner shows the new one once it is stored.
    setModified(false);
    display();
    if (ok)
        emit committed(value);
}

// ---- DurationFields

namespace {
struct Part {
    std::int64_t divisor;
    std::int64_t modulus;
};
// Hours run up to those of the longest duration an event takes (99).
constexpr std::int64_t kHourFields = std::int64_t(ScheduleEvent::durationRange.upper) / 3600 + 1;
constexpr std::array<Part, 3> durationParts{{{3600, kHourFields}, {60, 60}, {1, 60}}};
} // namespace

DurationFields::DurationFields(QWidget* parent)
    : QWidget(parent)
    // Named apart from the start time's fields, which the same sheet shows.
    , fields_{new TwoDigitField(tr("Ore di durata"), this), new TwoDigitField(tr("Minuti di durata"), this),
              new TwoDigitField(tr("Secondi di durata"), this)}
{
    fieldRow(this, fields_);
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        connect(fields_[i], &TwoDigitField::committed, this, [this, i](std::int64_t value) {
            emit secondsEdited(committed(seconds_, durationParts[i].divisor, durationParts[i].modulus, value));
        });
    }
}

void DurationFields::setSeconds(double seconds)
{
    seconds_ = seconds;
    for (std::size_t i = 0; i < fields_.size(); ++i)
        fields_[i]->setValue(shown(seconds, durationParts[i].divisor, durationParts[i].modulus));
}

std::int64_t DurationFields::shown(double seconds, std::int64_t divisor, std::int64_t modulus)
{
    return wholeSeconds(seconds) / divisor % modulus;
}

double DurationFields::committed(double seconds, std::int64_t divisor, std::int64_t modulus, std::int64_t value)
{
    const std::int64_t total = wholeSeconds(seconds);
    const std::int64_t current = total / divisor % modulus;
    const std::int64_t clamped = std::clamp<std::int64_t>(value, 0, modulus - 1);
    const std::int64_t result = total + (clamped - current) * divisor;
    return std::max(static_cast<double>(result), ScheduleEvent::durationRange.lower);
}

// ---- TimeOfDayFields

TimeOfDayFields::TimeOfDayFields(QWidget* parent)
    : QWidget(parent)
    , fields_{new TwoDigitField(tr("Ora"), this), new TwoDigitField(tr("Minuti"), this),
              new TwoDigitField(tr("Secondi"), this)}
{
    fieldRow(this, fields_);
    const std::array<Component, 3> components{Component::hour, Component::minute, Component::second};
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        connect(fields_[i], &TwoDigitField::committed, this, [this, component = components[i]](std::int64_t value) {
            if (!calendar_)
                return;
            if (const auto date = committed(date_, component, value, *calendar_))
                emit dateEdited(*date);
        });
    }
}

void TimeOfDayFields::setDate(double date, const ScheduleCalendar& calendar)
{
    date_ = date;
    calendar_ = calendar;
    const auto local = ScheduleLocalTime::toLocal(date, calendar);
    fields_[0]->setValue(local ? local->hour : 0);
    fields_[1]->setValue(local ? local->minute : 0);
    fields_[2]->setValue(local ? local->second : 0);
}

std::optional<double> TimeOfDayFields::committed(double date, Component component, std::int64_t value,
                                                 const ScheduleCalendar& calendar)
{
    auto local = ScheduleLocalTime::toLocal(date, calendar);
    if (!local)
        return std::nullopt;
    switch (component) {
    case Component::hour: local->hour = int(std::clamp<std::int64_t>(value, 0, 23)); break;
    case Component::minute: local->minute = int(std::clamp<std::int64_t>(value, 0, 59)); break;
    case Component::second: local->second = int(std::clamp<std::int64_t>(value, 0, 59)); break;
    }
    return ScheduleLocalTime::fromLocal(*local, calendar);
}

} // namespace tessarin
