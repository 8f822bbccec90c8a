#include "bench/ListImport.h"

#include "data/Layouts.h"
#include "engine/Connection.h"
#include "engine/DatabaseFiles.h"
#include "features/ImportHistory.h"
#include "history/LoanHistory.h"
#include "imports/ImportRun.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <stdexcept>

namespace bench {
namespace {

// Every tenth item lent to one of a thousand debtors.
QString writeList(const QString& folder, int rows) {
    const QString path = QDir(folder).filePath(QStringLiteral("list.csv"));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        throw std::runtime_error("cannot write the list");
    QByteArray text = "Наименование;Вид;Примечание;Должник;Дата выдачи;Вернуть до\n";
    for (int i = 0; i < rows; ++i) {
        text += "Книга номер " + QByteArray::number(i) + ";Книга;";
        text += i % 3 == 0 ? QByteArray("\"с закладкой; в обложке\";") : QByteArray(";");
        if (i % 10 == 0)
            text += "Читатель " + QByteArray::number(i % 1000) + ";01.03.2024;" + QByteArray::number(10 + i % 18)
                    + ".04.2024\n";
        else
            text += ";;\n";
        if (text.size() > (1 << 20)) {
            f.write(text);
            text.clear();
        }
    }
    f.write(text);
    return path;
}

QString emptyCatalogue(const QString& folder) {
    const QString path = QDir(folder).filePath(QStringLiteral("catalogue.mdb"));
    QFile::remove(path);
    engine::createDatabase(path);
    engine::Connection c;
    c.setConnectionString(QStringLiteral("Data Source=") + path);
    c.open();
    c.execute(QStringLiteral("Create Table _contacts ") + layouts::kContactColumns);
    c.execute(QStringLiteral("Create Table A ") + layouts::kItemColumns);
    loanhistory::createTable(c);
    return path;
}

int64_t ours(const QString& list, const QString& catalogue) {
    engine::Connection c;
    c.setConnectionString(QStringLiteral("Data Source=") + catalogue);
    c.open();
    imports::ImportRun run(list);
    QStringList header;
    run.list()->rewind();
    run.list()->next(header);
    run.setMapping(imports::guessMapping({{run.list()->row(), header}}));
    const auto quiet = [](double) {};
    const auto written = WriteWithHistory(run, c, QStringLiteral("list"), true, false, quiet, true);
    if (!written.committed)
        throw std::runtime_error("rows of the generated list were refused");
    return written.items;
}

int64_t shell(const QString& list, const QString& target) {
    QFile::remove(target);
    QProcess sqlite;
    sqlite.start(QStringLiteral("sqlite3"), {QStringLiteral("-cmd"), QStringLiteral(".separator ;"), target,
                                             QStringLiteral(".import --csv %1 list").arg(list)});
    sqlite.waitForFinished(-1);
    if (sqlite.exitCode() != 0)
        throw std::runtime_error("sqlite3 .import failed: " + sqlite.readAllStandardError().toStdString());
    QProcess count;
    count.start(QStringLiteral("sqlite3"), {target, QStringLiteral("SELECT count(*) FROM list")});
    count.waitForFinished(-1);
    return count.readAllStandardOutput().trimmed().toLongLong();
}

} // namespace

Comparison csvImportComparison(const QString& folder, int rows, int runs) {
    const QString list = writeList(folder, rows);
    QString catalogue = emptyCatalogue(folder);
    const QString target = QDir(folder).filePath(QStringLiteral("shell.sqlite"));
    return compare(QStringLiteral("import-csv"), runs,
                   {[&] { return ours(list, catalogue); }, [&] { catalogue = emptyCatalogue(folder); }},
                   {[&] { return shell(list, target); }, {}});
}

} // namespace bench
