#pragma once
// Command-line options of the benchmark: sizes of the generated catalogue,
// where it lives, how often each operation runs and which parts run.
#include <QString>
#include <QStringList>

namespace bench {

struct Options {
    int items = 1'000'000;  // rows of the one big table
    int tables = 200;       // small tables T001..
    int tableItems = 5'000; // rows of each small table
    int contacts = 1'000;
    int runs = 3;             // timed runs per operation; the median is reported
    QString file;             // empty: a fresh file in a temporary folder
    bool keep = false;        // keep the file and reuse it when it exists
    bool mainTable = true;    // the table of operations
    bool growth = true;       // per-item cost at three sizes
    bool onlyImport = false;  // the Access import alone, no catalogue generated
    bool onlyLists = false;   // only the import of a generated CSV list
    bool onlyHistory = false; // the loan history's two lines alone
    bool onlyReports = false; // debt-report and export alone
    bool onlyBackup = false;  // compact and backup alone
    bool onlyDesk = false;    // desk-scan and labels alone

    // Sizes of the growth tables below the big one (items/100 and items/10).
    int growthSmall() const { return items / 100; }
    int growthMedium() const { return items / 10; }
};

// Parses the arguments (without the program name). Returns false and sets
// error on a bad argument; sets help when usage was asked for.
bool parseOptions(const QStringList& args, Options& options, bool& help, QString& error);

QString usage();

} // namespace bench
