#pragma once
// Dates as lists keep them: dd.MM.yyyy, dd.MM.yy, d/M/yyyy, ISO (with or
// without a time) and spreadsheet serial numbers, as day numbers.
#include <QString>
#include <QStringView>

namespace imports {

// The day number of text (trimmed); NaN when it is no date this reads.
// An empty text is no date either: callers tell the two apart. Dates with
// slashes are day first, or month first (as American lists write them)
// when monthFirst.
double parseDate(QStringView text, bool monthFirst = false);

// Whether dates with slashes in these texts are written month first: some
// has more than 12 where the day would be, none where the month would be.
bool slashDatesMonthFirst(const QStringList& texts);

// A spreadsheet's serial number as a day number. In the 1900 system serial
// numbers from 61 (1 March 1900) are the day numbers themselves; below, the
// system counts a 29 February 1900 that never was (60: NaN). The 1904
// system counts from 1 January 1904.
double serialToDay(double serial, bool system1904 = false);

} // namespace imports
