// zandrel-bench: times the catalogue's data path (the data module's main
// query over the engine) against plain SQLite doing the same work on the
// same generated file, and reports memory per item.
#include "backups/Backups.h"
#include "bench/Baseline.h"
#include "bench/DataGenerator.h"
#include "bench/Desk.h"
#include "bench/History.h"
#include "bench/JetImport.h"
#include "bench/ListImport.h"
#include "bench/Measurements.h"
#include "bench/Options.h"
#include "bench/Ours.h"
#include "bench/Reports.h"
#include "bench/Rules.h"
#include "bench/Window.h"
#include "platform/MessageBox.h"
#include "platform/Today.h"

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>

using namespace bench;

namespace {

void warn(const QString& text) { std::fprintf(stderr, "warning: %s\n", qPrintable(text)); }

void checkRows(const Comparison& c) {
    if (c.oursRows != c.sqliteRows)
        warn(QStringLiteral("%1: ours found %2 rows, SQLite %3").arg(c.name).arg(c.oursRows).arg(c.sqliteRows));
}

QString selectAll(const QString& table, const QString& rest = {}) {
    return QStringLiteral("SELECT * FROM ") + table + rest;
}

// open and search on one item table; the main table and the growth table
// share these so both measure the very same work.
Comparison openComparison(Ours& ours, Baseline& base, const QString& table, int runs, const QString& name) {
    return compare(
        name, runs,
        {[&] { return ours.open(selectAll(table), QStringLiteral("title ASC")); }, [&] { ours.closeMain(); }},
        {[&] { return base.select(selectAll(table, QStringLiteral(" ORDER BY title"))); }, {}});
}

Comparison searchComparison(Ours& ours, Baseline& base, const QString& table, int runs, const QString& name) {
    const QString sql = selectAll(table, QStringLiteral(" WHERE title LIKE '%ring%'"));
    return compare(name, runs, {[&] { return ours.open(sql); }, [&] { ours.closeMain(); }},
                   {[&] { return base.select(sql); }, {}});
}

// One statement per item table, as when the program looks through all of them.
Comparison perTable(Ours& ours, Baseline& base, const QStringList& tables, const QString& where, int runs,
                    const QString& name) {
    return compare(name, runs,
                   {[&] {
                        int64_t rows = 0;
                        for (const QString& t : tables)
                            rows += ours.open(selectAll(t, where));
                        return rows;
                    },
                    [&] { ours.closeMain(); }},
                   {[&] {
                        int64_t rows = 0;
                        for (const QString& t : tables)
                            rows += base.select(selectAll(t, where));
                        return rows;
                    },
                    {}});
}

Comparison compactComparison(Ours& ours, Baseline& base, const QString& path, int runs) {
    ours.disconnect();
    base.close();
    // Both rewrite the same closed file in place, turn about.
    Comparison c = compare(QStringLiteral("compact"), runs,
                           {[&] {
                                Ours::compact(path);
                                return int64_t(0);
                            },
                            {}},
                           {[&] {
                                Baseline::vacuum(path);
                                return int64_t(0);
                            },
                            {}},
                           true);
    base.open();
    ours.connect();
    return c;
}

// The exit's copy against the exit's compaction of the same closed file.
// Each run starts without copies, so each run copies.
Comparison backupComparison(Ours& ours, const QString& path, int runs) {
    ours.disconnect();
    const QTemporaryDir data(QDir(QDir::tempPath()).filePath(QStringLiteral("zandrel-backups-XXXXXX")));
    const QByteArray userData = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
    const QDateTime exit = QDateTime::currentDateTime();
    Comparison c = compare(QStringLiteral("backup"), runs,
                           {[&] {
                                backups::backUp(path, exit);
                                return int64_t(0);
                            },
                            [&] { QDir(backups::folderFor(path)).removeRecursively(); }},
                           {[&] {
                                Ours::compact(path);
                                return int64_t(0);
                            },
                            {}});
    if (userData.isNull())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", userData);
    ours.connect();
    return c;
}

void printMemory(const MemoryGrowth& m) {
    if (!m.error.isEmpty()) {
        warn(QStringLiteral("memory: %1").arg(m.error));
        return;
    }
    std::printf("memory  %.1f B/item (peak grew %.1f MiB over %lld items, open + sort)\n", m.bytesPerItem,
                double(m.bytes) / 1048576.0, static_cast<long long>(m.rows));
    if (!m.peakReset)
        warn(QStringLiteral("memory: the peak could not be reset; the figure may be too low"));
    std::fflush(stdout);
}

// An Access catalogue of 200,000 items in 20 tables and 1,000 contacts brought in.
void printImport(int runs) {
    const QTemporaryDir folder(QDir(QDir::tempPath()).filePath(QStringLiteral("zandrel-import-XXXXXX")));
    const ImportFigures imported = importComparison(folder.path(), 200'000, 20, 1'000, runs);
    printComparison(imported.comparison);
    std::printf("import       %.0f rows/s, the importer's peak memory %.1f MiB\n",
                double(imported.rows) * 1000.0 / imported.comparison.ours(),
                double(imported.peakChildBytes) / 1048576.0);
    std::fflush(stdout);
}

// A million rows of a spreadsheet's CSV into a new table.
void printListImport(int runs) {
    const QTemporaryDir folder(QDir(QDir::tempPath()).filePath(QStringLiteral("zandrel-list-XXXXXX")));
    const Comparison c = csvImportComparison(folder.path(), 1'000'000, runs);
    printComparison(c);
    checkRows(c);
    std::printf("(import-csv: ours with contacts and loan history; SQLite column the sqlite3 shell's .import)\n");
    const XlsxImportFigures book = xlsxImportComparison(folder.path(), 1'000'000, runs);
    printComparison(book.comparison);
    checkRows(book.comparison);
    std::printf("(import-xlsx: the same rows as a %.0f MB workbook; SQLite column .import of the CSV; one import's "
                "memory %.0f MiB)\n",
                double(book.bookBytes) / 1e6, double(book.memory.bytes) / 1048576.0);
    std::fflush(stdout);
}

// Against the same work without the loan history, not against SQLite.
void printHistory(const QString& path, int runs) {
    printComparison(postWithHistory(path, runs));
    printComparison(contactsWindowWithHistory(path, runs));
    std::printf("(post-history, contacts-window: ours with the loan history, SQLite column without it)\n");
    std::fflush(stdout);
}

// A scan at the desk, and a thousand labels.
void printDesk(const QString& path, const QString& table, const QStringList& tables, int runs) {
    printComparison(deskScan(path, table, runs));
    std::printf("(desk-scan: ours the desk's lookup and lend with the loan history; SQLite the same lookup, read "
                "and update)\n");
    const LabelsFigures labels = labelsToPdf(path, table);
    std::printf("labels       %.2f s for %d labels on %d pages\n", labels.seconds, labels.labels, labels.pages);
    printComparison(lendWithRules(path, tables, runs));
    std::printf("(lend-with-rules: ours to a person the rules name, holding 50 items in as many tables; SQLite "
                "column the same lends to one no rule names)\n");
    std::fflush(stdout);
}

// The debt list into a PDF (seconds and pages) and the big table as CSV.
void printReports(const QString& path, const Catalogue& cat, int runs) {
    const DebtReportFigures report = debtReport(path, cat.itemTables());
    std::printf("debt-report  %.2f s for %d loans on %d pages\n", report.seconds, report.loans, report.pages);
    printComparison(csvExport(path, cat.big, runs));
    printComparison(checkDue(path, cat.itemTables(), runs));
    std::printf("(check-due: the whole process, text on standard output; SQLite column the sqlite3 shell)\n");
}

// What the open program does twice a second to notice others' changes.
void printIdlePoll(const QString& path) {
    engine::Connection c;
    c.setConnectionString(QStringLiteral("Data Source=") + path);
    c.open();
    const int polls = 2000;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < polls; ++i)
        c.dataVersion();
    std::printf("idle-poll    %.4f ms per poll (PRAGMA data_version)\n\n", double(timer.nsecsElapsed()) / 1e6 / polls);
    std::fflush(stdout);
}

int run(const Options& o) {
    if (o.onlyImport || o.onlyLists) {
        printHeader();
        if (o.onlyImport)
            printImport(o.runs);
        else
            printListImport(o.runs);
        return 0;
    }
    std::unique_ptr<QTemporaryDir> temp;
    QString path = o.file;
    if (path.isEmpty() && o.keep)
        path = QDir(QDir::tempPath()).filePath(QStringLiteral("zandrel-bench.mdb"));
    if (path.isEmpty()) {
        temp = std::make_unique<QTemporaryDir>(QDir(QDir::tempPath()).filePath(QStringLiteral("zandrel-bench-XXXXXX")));
        if (!temp->isValid()) {
            std::fprintf(stderr, "zandrel-bench: cannot make a temporary folder\n");
            return 1;
        }
        path = temp->filePath(QStringLiteral("zandrel-bench.mdb"));
    }
    path = QFileInfo(path).absoluteFilePath();
    const Catalogue cat = describeCatalogue(o, path);

    if (QFileInfo::exists(path)) {
        if (!o.keep) {
            std::fprintf(stderr, "zandrel-bench: %s exists; pass --keep to reuse it\n", qPrintable(path));
            return 1;
        }
        QString why;
        if (!catalogueMatches(o, cat, why)) {
            std::fprintf(stderr,
                         "zandrel-bench: %s does not fit these options (%s); remove it or choose another --file\n",
                         qPrintable(path), qPrintable(why));
            return 1;
        }
        std::printf("file      %s (reused)\n", qPrintable(path));
    } else {
        QElapsedTimer timer;
        timer.start();
        const int64_t rows = generateCatalogue(o, cat);
        std::printf("file      %s\ngenerated %lld rows in %.1f s, %.1f MiB\n", qPrintable(path),
                    static_cast<long long>(rows), double(timer.elapsed()) / 1000.0,
                    double(QFileInfo(path).size()) / 1048576.0);
    }
    std::printf("data      Big %d items, %lld small tables of %d, %d contacts; median of %d runs\n\n", o.items,
                static_cast<long long>(cat.smallTables.size()), o.tableItems, o.contacts, o.runs);
    std::fflush(stdout);

    printIdlePoll(path);
    if (o.onlyHistory || o.onlyReports || o.onlyDesk) {
        printHeader();
        if (o.onlyHistory)
            printHistory(path, o.runs);
        else if (o.onlyDesk)
            printDesk(path, cat.big, cat.smallTables, o.runs);
        else
            printReports(path, cat, o.runs);
        return 0;
    }
    Ours ours(path);
    Baseline base(path);
    if (o.onlyBackup) {
        printHeader();
        printComparison(compactComparison(ours, base, path, o.runs));
        printComparison(backupComparison(ours, path, o.runs));
        std::printf("(backup: SQLite column is our compaction of the same file)\n");
        return 0;
    }
    Comparison bigOpen, bigSearch;
    if (o.mainTable) {
        printHeader();
        bigOpen = openComparison(ours, base, cat.big, o.runs, QStringLiteral("open"));
        printComparison(bigOpen);
        checkRows(bigOpen);

        bigSearch = searchComparison(ours, base, cat.big, o.runs, QStringLiteral("search"));
        printComparison(bigSearch);
        if (bigSearch.oursRows != bigSearch.sqliteRows)
            warn(QStringLiteral("search: ours found %1 rows, SQLite %2; the two case foldings disagree")
                     .arg(bigSearch.oursRows)
                     .arg(bigSearch.sqliteRows));

        const qint64 tomorrow = qint64(platform::toDayNumber(QDate::currentDate().addDays(1)));
        const Comparison debts =
            perTable(ours, base, cat.itemTables(), QStringLiteral(" WHERE return<=%1").arg(tomorrow), o.runs,
                     QStringLiteral("debts"));
        printComparison(debts);
        checkRows(debts);
        printComparison(debtSearchInTheWindow(path, debts, o.runs));

        const int64_t contact = contactWithItems(cat);
        const Comparison byContact =
            perTable(ours, base, cat.itemTables(), QStringLiteral(" WHERE contact=%1").arg(contact), o.runs,
                     QStringLiteral("contact"));
        printComparison(byContact);
        checkRows(byContact);

        printComparison(compactComparison(ours, base, path, o.runs));
        printComparison(backupComparison(ours, path, o.runs));
        std::printf("(backup: SQLite column is our compaction of the same file)\n");
        printImport(o.runs);
        printListImport(o.runs);
        printReports(path, cat, o.runs);
        ours.disconnect();
        printHistory(path, o.runs);
        printDesk(path, cat.big, cat.smallTables, o.runs);
        ours.connect();

        // A fresh connection in the child, so nothing is shared across the fork.
        std::unique_ptr<Ours> child;
        printMemory(measureMemoryGrowth([&] { child = std::make_unique<Ours>(path); },
                                        [&] { return child->open(selectAll(cat.big), QStringLiteral("title ASC")); }));

        std::printf("\nrows      open %lld, search %lld (%.1f%%), debts %lld, contact %lld (id %lld) in %lld tables\n",
                    static_cast<long long>(bigOpen.oursRows), static_cast<long long>(bigSearch.oursRows),
                    100.0 * double(bigSearch.oursRows) / double(o.items), static_cast<long long>(debts.oursRows),
                    static_cast<long long>(byContact.oursRows), static_cast<long long>(contact),
                    static_cast<long long>(cat.itemTables().size()));
    }

    if (o.growth) {
        std::vector<GrowthRow> growth;
        for (const QString& table : {cat.growthSmall, cat.growthMedium}) {
            if (table.isEmpty())
                continue;
            GrowthRow g;
            g.items = table.mid(1).toLongLong();
            g.open = openComparison(ours, base, table, o.runs, QStringLiteral("open"));
            g.search = searchComparison(ours, base, table, o.runs, QStringLiteral("search"));
            checkRows(g.open);
            checkRows(g.search);
            growth.push_back(g);
        }
        // The big table's figures are already measured when the main table ran.
        GrowthRow big;
        big.items = o.items;
        big.open = o.mainTable ? bigOpen : openComparison(ours, base, cat.big, o.runs, QStringLiteral("open"));
        big.search = o.mainTable ? bigSearch : searchComparison(ours, base, cat.big, o.runs, QStringLiteral("search"));
        growth.push_back(big);
        printGrowth(growth);
    }

    std::printf("\nchecksum  %016llx (SQLite side, every value read)\n",
                static_cast<unsigned long long>(base.checksum()));
    std::printf("peak memory %.1f MiB (VmHWM of the bench process)\n", double(peakMemory()) / 1048576.0);
    if (!o.keep && !o.file.isEmpty())
        QFile::remove(path);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    // The main window's handlers are timed offscreen, never on a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // CompactBase reports failures in a message box; here that is a failed run.
    platform::setMessageBoxHandler([](const platform::MessageRecord& m) -> platform::Answer {
        std::fprintf(stderr, "zandrel-bench: %s\n", qPrintable(m.text));
        std::exit(2);
    });
    Options options;
    bool help = false;
    QString error;
    if (!parseOptions(app.arguments().mid(1), options, help, error)) {
        std::fprintf(stderr, "zandrel-bench: %s\n\n%s", qPrintable(error), qPrintable(usage()));
        return 1;
    }
    if (help) {
        std::printf("%s", qPrintable(usage()));
        return 0;
    }
    try {
        return run(options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zandrel-bench: %s\n", e.what());
        return 1;
    }
}
