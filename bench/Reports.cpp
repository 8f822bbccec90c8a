#include "bench/Reports.h"

#include "data/DBMUnit.h"
#include "platform/Today.h"
#include "reports/CsvExport.h"
#include "reports/CurrentLoans.h"
#include "reports/DebtReport.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPdfWriter>
#include <QProcess>
#include <QTemporaryDir>

#include <stdexcept>

namespace bench {

namespace {

TDM& dataModule(TDM& dm, const QString& path) {
    dm.ADOConnection->setConnectionString(ConnectionStringFor(path));
    dm.ADOConnection->open();
    dm.aqContacts->open();
    return dm;
}

} // namespace

DebtReportFigures debtReport(const QString& path, const QStringList& tables) {
    TDM dm;
    dataModule(dm, path);
    // Fifty loans of each table: 10,050 over the 201 tables.
    QList<shape::Loan> loans;
    for (const QString& table : tables)
        loans << reports::currentLoans(*dm.ADOConnection, {table}, *dm.Contacts).mid(0, 50);
    DebtReportFigures f;
    f.loans = int(loans.size());
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    QElapsedTimer timer;
    timer.start();
    {
        QPdfWriter writer(&pdf);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setResolution(300);
        f.pages = reports::paintDebtReport(writer, QStringLiteral("bench.mdb"), platform::today(), loans);
    }
    f.seconds = double(timer.nsecsElapsed()) / 1e9;
    return f;
}

Comparison csvExport(const QString& path, const QString& table, int runs) {
    TDM dm;
    dataModule(dm, path);
    // The grid as it shows the table: opened and sorted by title.
    dm.Reopen(dm.aqMain, {QStringLiteral("SELECT * FROM ") + table});
    dm.aqMain->sort(QStringLiteral("title ASC"));
    QList<int> fields;
    for (int f = 0; f < dm.aqMain->fields().size(); ++f)
        if (dm.aqMain->fields()[f].visible)
            fields << f;
    const QTemporaryDir folder;
    const QString ours = QDir(folder.path()).filePath(QStringLiteral("ours.csv"));
    const QString theirs = QDir(folder.path()).filePath(QStringLiteral("theirs.csv"));
    return compare(QStringLiteral("export"), runs,
                   {[&] {
                        QFile file(ours);
                        if (!file.open(QIODevice::WriteOnly))
                            throw std::runtime_error("cannot write the CSV file");
                        reports::writeCsv(file, *dm.aqMain, fields);
                        return int64_t(dm.aqMain->recordCount());
                    },
                    [&] { QFile::remove(ours); }},
                   {[&] {
                        QProcess sqlite;
                        sqlite.setStandardOutputFile(theirs);
                        sqlite.start(QStringLiteral("sqlite3"),
                                     {QStringLiteral("-csv"), path, QStringLiteral("SELECT * FROM \"%1\"").arg(table)});
                        sqlite.waitForFinished(-1);
                        return int64_t(dm.aqMain->recordCount());
                    },
                    [&] { QFile::remove(theirs); }});
}

Comparison checkDue(const QString& path, const QStringList& tables, int runs) {
    const QTemporaryDir state;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    env.insert(QStringLiteral("XDG_STATE_HOME"), state.path());
    const QString tomorrow = platform::dayNumberText(platform::today() + 1);
    QStringList selects;
    for (const QString& t : tables)
        selects << QStringLiteral("SELECT title, return, contact FROM \"%1\" WHERE return<=%2").arg(t, tomorrow);
    const auto lines = [&](const QString& program, const QStringList& arguments) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(program, arguments);
        if (!p.waitForFinished(600000) || p.exitCode() != 0)
            throw std::runtime_error(qPrintable(program + QStringLiteral(" failed")));
        return int64_t(p.readAllStandardOutput().count('\n'));
    };
    return compare(QStringLiteral("check-due"), runs,
                   {[&] {
                        return lines(QStringLiteral(ZANDREL_EXECUTABLE), {"--check-due", "--force", path});
                    },
                    {}},
                   {[&] {
                        return lines(QStringLiteral("sqlite3"), {path, selects.join(QStringLiteral(" UNION ALL "))});
                    },
                    {}});
}

} // namespace bench
