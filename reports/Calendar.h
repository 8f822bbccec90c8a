#pragma once
// Due dates for the calendar: an iCalendar file (RFC 5545) with one all-day
// event per current loan with a due date, an alarm at 9:00 that day, and
// a UID that names the loan, so importing the file again updates the
// events instead of adding them twice.
#include "reports/CurrentLoans.h"

#include <QByteArray>

namespace reports {

// A calendar needs an event: the caller writes none when this is 0.
QByteArray calendarOf(const QList<shape::Loan>& loans);
// The events calendarOf makes: one per loan with a due date.
int calendarEvents(const QList<shape::Loan>& loans);

// "Вернуть: <title> — <debtor>", the dash left out without a debtor.
QString reminderSummary(const shape::Loan& loan);

} // namespace reports
