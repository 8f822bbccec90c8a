#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

#include <optional>

namespace platform {

// Day numbers: days since 1899-12-30 00:00, fraction = time of day. Before
// 1899-12-30 the integer part is the day and the fraction's absolute value the
// time of day, so -1.25 is 1899-12-29 06:00.
double toDayNumber(const QDate& date);
double toDayNumber(const QDateTime& dateTime); // local time

// floor(day) as a date; invalid for NaN or infinity.
QDate dateOfDayNumber(double day);

// Local date and time, rounded to the millisecond; invalid for NaN or infinity.
QDateTime dateTimeOfDayNumber(double day);

// Local date at 00:00 as a whole day number, unless pinned.
double today();

// The local date and time as a day number; a pinned today, at 00:00.
double now();

// Tests pin today(); nullopt unpins.
void pinToday(std::optional<double> day);

// A day as statements write it: the whole day number in decimal digits
// (45352 for 1 March 2024).
QString dayNumberText(double day);

// "dd.MM.yyyy", plus " hh:mm:ss" when the time of day, rounded to the second,
// is not zero. Empty for NaN or infinity.
QString formatDayNumber(double day);

} // namespace platform
