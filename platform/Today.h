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

// The calendar date a day number shows as in the grid: its whole part
// (toward zero, as the encoding before 1899-12-30 wants), the next day when
// the time of day rounds up to midnight at the second. Invalid for NaN or
// infinity. Every date the program shows or writes out is this one.
QDate dateOfDayNumber(double day);
// That date as a whole day number; NaN stays NaN.
double calendarDay(double day);

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

// "dd.MM.yyyy" alone, of dateOfDayNumber; empty for NaN or infinity.
QString formatDate(double day);

// The debt states of an item by its due date R and today T, the one rule
// every part of the program follows: overdue R < T, due today R = T
// exactly, due by tomorrow T < R <= T + 1, otherwise not due.
enum class DebtState { NoDueDate, Overdue, DueToday, DueByTomorrow, NotDue };
DebtState debtStateOf(double due, double today);
// Whole days a loan due at due is overdue on the day of moment (today, or
// when the loan ended): 0 unless due lies before that day's start.
int daysOverdue(double due, double moment);

} // namespace platform
