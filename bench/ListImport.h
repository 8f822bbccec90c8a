#pragma once
// A list of a million rows (CSV, as a spreadsheet saves it) brought into a
// new table of a catalogue, contacts and loan history with it, against the
// sqlite3 shell's .import of the same file into a new table.
#include "bench/Measurements.h"

namespace bench {

Comparison csvImportComparison(const QString& folder, int rows, int runs);

// The same rows as a workbook (.xlsx as Excel writes one), against the
// shell's .import of the CSV; and the memory one import of it takes.
struct XlsxImportFigures {
    Comparison comparison;
    MemoryGrowth memory;
    qint64 bookBytes = 0;
};
XlsxImportFigures xlsxImportComparison(const QString& folder, int rows, int runs);

} // namespace bench
