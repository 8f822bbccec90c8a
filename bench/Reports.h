#pragma once
// What leaves the program, timed: the debt list of 10,000 loans over every
// item table laid out into a PDF, and the big table written as CSV against
// the sqlite3 shell writing the same table from the same file.
#include "bench/Measurements.h"

#include <QString>
#include <QStringList>

namespace bench {

struct DebtReportFigures {
    double seconds = 0;
    int pages = 0;
    int loans = 0;
};
DebtReportFigures debtReport(const QString& path, const QStringList& tables);

Comparison csvExport(const QString& path, const QString& table, int runs);

// The whole «zandrel --check-due» process on the file (no notification
// service: its text on standard output) against the sqlite3 shell running
// the same debt query over the same tables.
Comparison checkDue(const QString& path, const QStringList& tables, int runs);

} // namespace bench
