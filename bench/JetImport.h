#pragma once
// The import of an Access catalogue, end to end (importer process, checks,
// moving the file into place), against mdbtools' own export of each table
// fed to the sqlite3 shell's .import.
#include "bench/Measurements.h"

namespace bench {

struct ImportFigures {
    Comparison comparison;
    int64_t rows = 0;
    int64_t peakChildBytes = -1; // the importer's peak resident memory
};

// Writes a Jet 4 catalogue of items rows in tables tables and contacts
// contacts into folder, and times both imports of it runs times.
ImportFigures importComparison(const QString& folder, int items, int tables, int contacts, int runs);

} // namespace bench
