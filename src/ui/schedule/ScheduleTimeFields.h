#pragma once
// The event editor's hour : minute : second fields. DurationFields edits a
// length in seconds (hours 0-99, minutes and seconds 0-59); TimeOfDayFields
// edits the local time of day of an instant, keeping its day. Each shows the
// value the editor sets and reports an edit when a field is committed
// (Return or leaving it); a text that is not a whole number changes nothing
// and the field shows the value again. Main thread.
#include "automation/ScheduleModels.h"

#include <QLineEdit>
#include <QWidget>

#include <array>
#include <cstdint>
#include <optional>

namespace tessarin {

// One two-digit number field.
class TwoDigitField : public QLineEdit {
    Q_OBJECT
public:
    explicit TwoDigitField(const QString& accessibleName, QWidget* parent = nullptr);
    // Shows value with at least two digits, in the current locale.
    void setValue(std::int64_t value);

signals:
    void committed(std::int64_t value);

private:
    void commit();
    void display();

    std::int64_t value_ = 0;
};

class DurationFields : public QWidget {
    Q_OBJECT
public:
    explicit DurationFields(QWidget* parent = nullptr);
    void setSeconds(double seconds);
    TwoDigitField* field(int index) const { return fields_.at(std::size_t(index)); }

    // The part of a length that a field shows: (whole seconds / divisor)
    // modulo modulus.
    static std::int64_t shown(double seconds, std::int64_t divisor, std::int64_t modulus);
    // The length after value is committed into that field: only its part
    // changes (value clamped to 0 ... modulus - 1), fractions are dropped,
    // and the result is never below one second.
    static double committed(double seconds, std::int64_t divisor, std::int64_t modulus, std::int64_t value);

signals:
    void secondsEdited(double seconds);

private:
    double seconds_ = 0;
    std::array<TwoDigitField*, 3> fields_;
};

class TimeOfDayFields : public QWidget {
    Q_OBJECT
public:
    enum class Component { hour, minute, second };

    explicit TimeOfDayFields(QWidget* parent = nullptr);
    void setDate(double date, const ScheduleCalendar& calendar);
    TwoDigitField* field(int index) const { return fields_.at(std::size_t(index)); }

    // The instant with one component of its local time replaced by value
    // (clamped to the component's range) on the same day, fractions of a
    // second dropped; none when no such instant can be built.
    static std::optional<double> committed(double date, Component component, std::int64_t value,
                                           const ScheduleCalendar& calendar);

signals:
    void dateEdited(double date);

private:
    double date_ = 0;
    std::optional<ScheduleCalendar> calendar_;
    std::array<TwoDigitField*, 3> fields_;
};

} // namespace tessarin
