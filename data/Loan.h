#pragma once
// A loan, the one value every part of the program tells of loans with: an
// item of a table lent to a debtor from an issue day to a due day, standing
// or ended, and its state by the grid's one rule.
#include "platform/Today.h"

#include <QString>

#include <cmath>

namespace shape {

struct Loan {
    enum class End { Open, Returned, WrittenOff, Deleted, TableRemoved };
    QString table;
    bool tableRemoved = false; // of a table removed since
    qint64 item = 0;
    QString title, kind;
    qint64 contact = 0;
    QString debtor, phone, address;
    double issued = NAN, due = NAN, ended = NAN; // issued: NaN when lent without an issue date
    double reminded = NAN;                       // the debtor's last reminder of it
    int reminders = 0;                           // reminders of it since it was lent
    End end = End::Open;

    // Days past the due date: when it ended, or by today while it stands.
    int daysLate(double today) const { return platform::daysOverdue(due, end == End::Open ? today : ended); }
    // As the grid colours it.
    platform::DebtState stateOn(double today) const { return platform::debtStateOf(due, today); }
};

} // namespace shape
