#include "bench/JetImport.h"

#include "jet/Conversion.h"
#include "tests/support/JetWriter.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>

namespace bench {

namespace {

QString writeCatalogue(const QString& folder, int items, int tables, int contacts) {
    using namespace jetwriter;
    QRandomGenerator random(42);
    const QStringList words{"Книга", "Диск",   "Игра",      "Collected", "Works",
                            "Том",   "Volume", "Пластинка", "Jazz",      "Сказки"};
    QList<Table> all{{"_contacts", contactColumns(), {}, 0}};
    for (int c = 1; c <= contacts; ++c)
        all[0].rows << Row{c,         QStringLiteral("Контакт %1").arg(c), "+7 900 000-00-00", "Москва", 30000.0 + c,
                           QVariant()};
    for (int t = 1; t <= tables; ++t) {
        Table table{QStringLiteral("Т%1").arg(t, 2, 10, QLatin1Char('0')), itemColumns(), {}, 0};
        for (int i = 1; i <= items / tables; ++i) {
            const bool lent = random.bounded(3) == 0;
            table.rows << Row{i,
                              words[random.bounded(int(words.size()))] + u' ' + QString::number(random.bounded(100000)),
                              words[random.bounded(int(words.size()))],
                              lent ? QVariant(45000.5 + random.bounded(600)) : QVariant(),
                              lent ? QVariant(45600.0 + random.bounded(60)) : QVariant(),
                              lent ? QVariant(1 + random.bounded(contacts)) : QVariant(),
                              random.bounded(2) ? QVariant(QStringLiteral("заметка")) : QVariant()};
        }
        all << table;
    }
    const QString path = QDir(folder).filePath(QStringLiteral("import.mdb"));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || !f.write(write(all, {})))
        throw std::runtime_error("cannot write the Access catalogue");
    return path;
}

// mdb-export of each table, piped into the sqlite3 shell's .import.
int64_t baseline(const QString& source, const QString& target, const QStringList& tables) {
    int64_t rows = 0;
    for (const QString& table : tables) {
        QProcess exporter, importer;
        exporter.setStandardOutputProcess(&importer);
        exporter.start(QStringLiteral("mdb-export"), {source, table});
        importer.start(QStringLiteral("sqlite3"), {target, QStringLiteral(".import --csv /dev/stdin ") + table});
        exporter.waitForFinished(-1);
        importer.waitForFinished(-1);
        if (importer.exitCode() != 0)
            throw std::runtime_error("sqlite3 .import failed");
    }
    QProcess count;
    QStringList selects;
    for (const QString& table : tables)
        selects << QStringLiteral("(SELECT count(*) FROM \"%1\")").arg(table);
    count.start(QStringLiteral("sqlite3"), {target, QStringLiteral("SELECT ") + selects.join(u'+')});
    count.waitForFinished(-1);
    rows = count.readAllStandardOutput().trimmed().toLongLong();
    return rows;
}

} // namespace

ImportFigures importComparison(const QString& folder, int items, int tables, int contacts, int runs) {
    const QString source = writeCatalogue(folder, items, tables, contacts);
    const QString ours = QDir(folder).filePath(QStringLiteral("ours.mdb"));
    const QString theirs = QDir(folder).filePath(QStringLiteral("theirs.db"));
    QStringList names{QStringLiteral("_contacts")};
    for (int t = 1; t <= tables; ++t)
        names << QStringLiteral("Т%1").arg(t, 2, 10, QLatin1Char('0'));
    ImportFigures figures;
    figures.comparison =
        compare(QStringLiteral("import"), runs,
                {[&] {
                     const accessimport::Result r =
                         accessimport::run(source, ours, [](const accessimport::Progress&) { return true; });
                     if (r.outcome != accessimport::Outcome::Done)
                         throw std::runtime_error(r.message.toStdString());
                     figures.peakChildBytes = std::max<int64_t>(figures.peakChildBytes, r.importerPeakBytes);
                     return int64_t(items / tables * tables + contacts);
                 },
                 [&] { QFile::remove(ours); }},
                {[&] { return baseline(source, theirs, names); }, [&] { QFile::remove(theirs); }});
    figures.rows = figures.comparison.oursRows;
    return figures;
}

} // namespace bench
