#pragma once
// The lending desk and its labels: a scanned code looked up and its item
// lent through the data module (with the loan history, as the desk does),
// against plain SQLite doing the same indexed lookup, read and update in a
// transaction; and 1,000 labels with barcodes written as a PDF.
#include "bench/Measurements.h"

#include <QString>

namespace bench {

// Every item of table is given a code first when it has none.
Comparison deskScan(const QString& path, const QString& table, int runs);

struct LabelsFigures {
    double seconds = 0;
    int labels = 0;
    int pages = 0;
};
LabelsFigures labelsToPdf(const QString& path, const QString& table);

} // namespace bench
