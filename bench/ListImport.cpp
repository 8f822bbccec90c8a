#include "bench/ListImport.h"

#include "data/Layouts.h"
#include "engine/Connection.h"
#include "engine/DatabaseFiles.h"
#include "features/ImportHistory.h"
#include "history/LoanHistory.h"
#include "imports/ImportRun.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <stdexcept>

#include <zip.h>

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

// The same list as a workbook, written as Excel writes one: texts kept
// once in the shared strings, dates as serial numbers with a date style.
QString writeWorkbook(const QString& folder, int rows) {
    QByteArray sheet = "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>";
    QByteArray strings;
    int count = 0;
    const auto text = [&](const QByteArray& value) {
        strings += "<si><t>" + value + "</t></si>";
        return QByteArray::number(count++);
    };
    const QByteArray header[] = {"Наименование", "Вид", "Примечание", "Должник", "Дата выдачи", "Вернуть до"};
    sheet += "<row r=\"1\">";
    for (const QByteArray& h : header)
        sheet += "<c t=\"s\"><v>" + text(h) + "</v></c>";
    sheet += "</row>";
    const QByteArray kind = text("Книга"), note = text("с закладкой; в обложке");
    QList<QByteArray> readers;
    for (int r = 0; r < 1000; ++r)
        readers << text("Читатель " + QByteArray::number(r));
    for (int i = 0; i < rows; ++i) {
        const QByteArray n = QByteArray::number(i + 2);
        sheet += "<row r=\"" + n + "\"><c r=\"A" + n + "\" t=\"s\"><v>" + text("Книга номер " + QByteArray::number(i))
                 + "</v></c><c r=\"B" + n + "\" t=\"s\"><v>" + kind + "</v></c>";
        if (i % 3 == 0)
            sheet += "<c r=\"C" + n + "\" t=\"s\"><v>" + note + "</v></c>";
        if (i % 10 == 0)
            sheet += "<c r=\"D" + n + "\" t=\"s\"><v>" + readers[i % 1000] + "</v></c><c r=\"E" + n
                     + "\" s=\"1\"><v>45352</v></c><c r=\"F" + n + "\" s=\"1\"><v>" + QByteArray::number(45392 + i % 18)
                     + "</v></c>";
        sheet += "</row>";
    }
    sheet += "</sheetData></worksheet>";
    const QByteArray parts[][2] = {
        {"xl/workbook.xml", "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                            "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                            "relationships\"><sheets><sheet name=\"Лист1\" "
                            "sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
        {"xl/_rels/workbook.xml.rels",
         "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship "
         "Id=\"rId1\" "
         "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
         "Target=\"worksheets/sheet1.xml\"/><Relationship Id=\"rId2\" "
         "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings\" "
         "Target=\"sharedStrings.xml\"/><Relationship Id=\"rId3\" "
         "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" Target=\"styles.xml\"/>"
         "</Relationships>"},
        {"xl/styles.xml", "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><cellXfs>"
                          "<xf numFmtId=\"0\"/><xf numFmtId=\"14\"/></cellXfs></styleSheet>"},
        {"xl/sharedStrings.xml",
         "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">" + strings + "</sst>"},
        {"xl/worksheets/sheet1.xml", sheet},
    };
    const QString path = QDir(folder).filePath(QStringLiteral("list.xlsx"));
    int error = 0;
    zip_t* z = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!z)
        throw std::runtime_error("cannot write the workbook");
    for (const auto& part : parts)
        zip_file_add(z, part[0].constData(), zip_source_buffer(z, part[1].constData(), zip_uint64_t(part[1].size()), 0),
                     ZIP_FL_ENC_UTF_8);
    if (zip_close(z) != 0)
        throw std::runtime_error("cannot write the workbook");
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

XlsxImportFigures xlsxImportComparison(const QString& folder, int rows, int runs) {
    const QString csv = writeList(folder, rows), book = writeWorkbook(folder, rows);
    QString catalogue = emptyCatalogue(folder);
    const QString target = QDir(folder).filePath(QStringLiteral("shell.sqlite"));
    XlsxImportFigures figures;
    figures.comparison = compare(QStringLiteral("import-xlsx"), runs,
                                 {[&] { return ours(book, catalogue); }, [&] { catalogue = emptyCatalogue(folder); }},
                                 {[&] { return shell(csv, target); }, {}});
    figures.memory =
        measureMemoryGrowth([&] { catalogue = emptyCatalogue(folder); }, [&] { return ours(book, catalogue); });
    figures.bookBytes = QFileInfo(book).size();
    return figures;
}

Comparison csvImportComparison(const QString& folder, int rows, int runs) {
    const QString list = writeList(folder, rows);
    QString catalogue = emptyCatalogue(folder);
    const QString target = QDir(folder).filePath(QStringLiteral("shell.sqlite"));
    return compare(QStringLiteral("import-csv"), runs,
                   {[&] { return ours(list, catalogue); }, [&] { catalogue = emptyCatalogue(folder); }},
                   {[&] { return shell(list, target); }, {}});
}

} // namespace bench
