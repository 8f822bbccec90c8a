#pragma once
// What is due in a catalogue file, read without changing a byte of it: the
// loans overdue, due today and due tomorrow over every item table (the
// states the main window colours), and the notice that tells the lender.
#include "data/Loan.h"

#include <QList>
#include <QString>

namespace reminders {

struct DueLoans {
    double today = 0; // the day they are due by
    int overdue = 0, dueToday = 0, dueTomorrow = 0;
    QList<shape::Loan> loans; // the longest overdue first
    bool any() const { return !loans.isEmpty(); }
};

// The loans of file due by the day after today. Throws engine::EngineError
// saying why the file cannot be read (missing, locked for writing, damaged,
// not a catalogue).
DueLoans dueLoansOf(const QString& file, double today);

struct Notice {
    QString summary, body;
    bool critical = false;
};
// The notice of a catalogue (its file name) with loans due: the counts,
// then up to five items and how many more.
Notice noticeOf(const QString& catalogue, const DueLoans& due);

} // namespace reminders
