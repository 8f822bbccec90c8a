#pragma once
// What is due in a catalogue file, read without changing a byte of it: the
// loans overdue, due today and due tomorrow over every item table (the
// states the main window colours), and the notice that tells the lender.
#include "data/Loan.h"

#include <QList>
#include <QString>

namespace reminders {

// When a loan is told of: before days before its due date (0: not before),
// on it, and after it every every days until it is returned.
struct Cadence {
    int before = 1;
    int every = 7;
};
// Whether today is one of the days of a loan due on due.
bool remindsOn(double due, double today, const Cadence& cadence);

struct DueLoans {
    double today = 0; // the day they are due by
    int before = 1;   // the cadence's days before the due date
    int overdue = 0, dueToday = 0, dueSoon = 0;
    QList<shape::Loan> loans; // the longest overdue first
    bool any() const { return !loans.isEmpty(); }
};

// The loans of file whose day today is by cadence. Throws
// engine::EngineError saying why the file cannot be read (missing, locked
// for writing, damaged, not a catalogue).
DueLoans dueLoansOf(const QString& file, double today, const Cadence& cadence = {});

struct Notice {
    QString summary, body;
    bool critical = false;
};
// The notice of a catalogue (its file name) with loans due: the counts,
// then up to five items and how many more.
Notice noticeOf(const QString& catalogue, const DueLoans& due);

} // namespace reminders
