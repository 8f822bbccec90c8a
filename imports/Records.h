#pragma once
// What an import brings in, whatever the file it comes from: items with
// their debtor and dates, each with the row (or entry) it came from, and
// why it cannot go in when it cannot.
#include <QList>
#include <QString>

#include <cmath>

namespace imports {

// A loan that ended before the import: it goes into the loan history only.
struct PastLoan {
    QString debtor;
    double lent = NAN, returned = NAN;
};

struct Record {
    qint64 row = 0; // the file's row (spreadsheets) or entry (collections), from 1
    QString title, kind, note, debtor;
    double issue = NAN, due = NAN; // day numbers, NaN when none
    QList<PastLoan> past;
    QString problem; // why the record cannot be imported; empty when it can
};

// The record's problem when its texts or dates break the catalogue's
// rules; the first found is kept.
void check(Record& record);

// A row that will not be imported, as the summary lists it.
struct Refusal {
    qint64 row = 0;
    QString reason;
};

} // namespace imports
