#pragma once
// Dates as lists keep them: dd.MM.yyyy, dd.MM.yy, d/M/yyyy, ISO (with or
// without a time) and spreadsheet serial numbers, as day numbers.
#include <QString>
#include <QStringView>

namespace imports {

// The day number of text (trimmed); NaN when it is no date this reads.
// An empty text is no date either: callers tell the two apart.
double parseDate(QStringView text);

// A spreadsheet's serial number as a day number. In the 1900 system serial
// numbers from 61 (1 March 1900) are the day numbers themselves; below, the
// system counts a 29 February 1900 that never was (60: NaN). The 1904
// system counts from 1 January 1904.
double serialToDay(double serial, bool system1904 = false);

} // namespace imports
