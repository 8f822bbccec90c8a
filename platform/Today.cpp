#include "platform/Today.h"

#include <QTime>

#include <algorithm>
#include <cmath>

namespace platform {

namespace {

constexpr qint64 msPerDay = 86'400'000;

const QDate& epoch() {
    static const QDate d(1899, 12, 30);
    return d;
}

std::optional<double>& pinned() {
    static std::optional<double> d;
    return d;
}

struct DayAndTime {
    qint64 day;    // days from the epoch
    qint64 timeMs; // time of day, 0 .. msPerDay - 1
};

// Splits a day number into day and time of day rounded to unitMs. A time that
// rounds up to midnight belongs to the next calendar day.
std::optional<DayAndTime> split(double value, qint64 unitMs) {
    // Beyond this QDate and the double's precision stop meaning anything.
    if (!std::isfinite(value) || std::fabs(value) > 1e9)
        return std::nullopt;
    const double whole = std::trunc(value);
    const double fraction = std::fabs(value - whole);
    qint64 units = std::llround(fraction * double(msPerDay) / double(unitMs));
    qint64 day = qint64(whole);
    if (units * unitMs >= msPerDay) {
        units = 0;
        ++day;
    }
    return DayAndTime{day, units * unitMs};
}

} // namespace

double toDayNumber(const QDate& date) { return double(epoch().daysTo(date)); }

double toDayNumber(const QDateTime& dateTime) {
    const QDateTime local = dateTime.toLocalTime();
    const double day = toDayNumber(local.date());
    const double fraction = double(local.time().msecsSinceStartOfDay()) / double(msPerDay);
    return day < 0 ? day - fraction : day + fraction;
}

QDate dateOfDayNumber(double day) {
    const auto parts = split(day, 1000);
    return parts ? epoch().addDays(parts->day) : QDate();
}

double calendarDay(double day) {
    const auto parts = split(day, 1000);
    return parts ? double(parts->day) : NAN;
}

QString formatDate(double day) {
    const QDate date = dateOfDayNumber(day);
    return date.isValid() ? date.toString(QStringLiteral("dd.MM.yyyy")) : QString();
}

DebtState debtStateOf(double due, double today) {
    if (std::isnan(due))
        return DebtState::NoDueDate;
    if (due < today)
        return DebtState::Overdue;
    if (due == today)
        return DebtState::DueToday;
    return due <= today + 1 ? DebtState::DueByTomorrow : DebtState::NotDue;
}

int daysOverdue(double due, double moment) {
    const double day = calendarDay(moment);
    if (std::isnan(due) || std::isnan(day) || !(due < day))
        return 0;
    // At least one: a due time a moment before midnight shows as that midnight.
    return std::max(1, int(day - calendarDay(due)));
}

QDateTime dateTimeOfDayNumber(double day) {
    const auto parts = split(day, 1);
    if (!parts)
        return QDateTime();
    return QDateTime(epoch().addDays(parts->day), QTime::fromMSecsSinceStartOfDay(int(parts->timeMs)), Qt::LocalTime);
}

double today() {
    if (pinned())
        return *pinned();
    return toDayNumber(QDate::currentDate());
}

void pinToday(std::optional<double> day) { pinned() = day; }

double now() { return pinned() ? *pinned() : toDayNumber(QDateTime::currentDateTime()); }

QString formatDayNumber(double day) {
    const auto parts = split(day, 1000);
    if (!parts)
        return QString();
    QString text = epoch().addDays(parts->day).toString(QStringLiteral("dd.MM.yyyy"));
    if (parts->timeMs != 0)
        text +=
            QLatin1Char(' ') + QTime::fromMSecsSinceStartOfDay(int(parts->timeMs)).toString(QStringLiteral("hh:mm:ss"));
    return text;
}

QString dayNumberText(double day) { return QString::number(static_cast<qint64>(std::floor(day))); }

} // namespace platform
