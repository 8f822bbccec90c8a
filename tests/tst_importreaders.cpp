// The readers of lists and collections, without windows: dates, encodings,
// separators, where a list starts and which column is which, the cells of
// workbooks as their XML gives them, collections as their programs write
// them, and the files refused with the reason in the user's words.
#include "data/CatalogueShape.h"
#include "imports/Collections.h"
#include "imports/CsvText.h"
#include "imports/ImportDates.h"
#include "imports/ImportError.h"
#include "imports/Records.h"
#include "imports/RowMapping.h"
#include "imports/SourceFiles.h"
#include "imports/ZipPackage.h"
#include "platform/Today.h"
#include "tests/support/TestSupport.h"

#include <QtTest>

#include <zip.h>

namespace {

// A zip of these entries (name, content), stored or deflated as zip does.
void writeZip(const QString& path, const QList<QPair<QString, QByteArray>>& entries, const char* password = nullptr) {
    int error = 0;
    zip_t* z = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    QVERIFY(z);
    // zip reads the contents only when the archive is closed; entries outlive that
    for (const auto& [name, bytes] : entries) {
        zip_source_t* source = zip_source_buffer(z, bytes.constData(), zip_uint64_t(bytes.size()), 0);
        const zip_int64_t index = zip_file_add(z, name.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8);
        QVERIFY(index >= 0);
        if (password)
            QCOMPARE(zip_file_set_encryption(z, zip_uint64_t(index), ZIP_EM_TRAD_PKWARE, password), 0);
    }
    QCOMPARE(zip_close(z), 0);
}

const QByteArray kWorkbook =
    "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"\n"
    " xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheets>\n"
    " <sheet name=\"Лист\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>";
const QByteArray kRelationships =
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">\n"
    " <Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
    "Target=\"worksheets/sheet1.xml\"/>\n"
    " <Relationship Id=\"rId2\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings\" "
    "Target=\"sharedStrings.xml\"/>\n"
    " <Relationship Id=\"rId3\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" "
    "Target=\"styles.xml\"/>\n"
    "</Relationships>";
const QByteArray kStyles =
    "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">\n"
    " <numFmts count=\"1\"><numFmt numFmtId=\"164\" formatCode=\"dd/mm/yyyy\"/></numFmts>\n"
    " <cellXfs count=\"3\"><xf numFmtId=\"0\"/><xf numFmtId=\"14\"/><xf numFmtId=\"164\"/></cellXfs></styleSheet>";
const QByteArray kStrings =
    "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">\n"
    "  <si>\n"
    "    <t>первая</t>\n"
    "  </si>\n"
    "  <si><r><t>по </t></r><r><rPr><b/></rPr><t>частям</t></r><rPh><t>фонетика</t></rPh></si>\n"
    "  <si><t>строка_x000D_\n"
    "перенос _x005F_x000D_</t></si>\n"
    "</sst>";

// The rows a list yields: "number: cell|cell|...".
QStringList rowsOf(const QString& path) {
    imports::ListFile list(path, imports::examine(path));
    QStringList rows, cells;
    while (list.next(cells))
        rows << QStringLiteral("%1: %2").arg(list.row()).arg(cells.join(u'|'));
    return rows;
}

// A zip whose directory declares sizes its entries do not have (each
// entry a stored "x"): what a crafted file would claim.
QByteArray zipDeclaring(int entries, quint32 declared) {
    QByteArray local, central;
    const auto le = [](QByteArray& to, quint64 value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            to += char((value >> (8 * i)) & 0xFF);
    };
    const quint32 crc = 0x8CDC1683; // of "x"
    for (int i = 0; i < entries; ++i) {
        const QByteArray name = "e" + QByteArray::number(i) + ".xml";
        const quint32 offset = quint32(local.size());
        le(local, 0x04034b50, 4), le(local, 20, 2), le(local, 0, 2), le(local, 0, 2), le(local, 0, 4);
        le(local, crc, 4), le(local, 1, 4), le(local, 1, 4), le(local, quint64(name.size()), 2), le(local, 0, 2);
        local += name + "x";
        le(central, 0x02014b50, 4), le(central, 20, 2), le(central, 20, 2), le(central, 0, 2), le(central, 0, 2);
        le(central, 0, 4), le(central, crc, 4), le(central, declared, 4), le(central, declared, 4);
        le(central, quint64(name.size()), 2), le(central, 0, 2), le(central, 0, 2), le(central, 0, 2),
            le(central, 0, 2);
        le(central, 0, 4), le(central, offset, 4);
        central += name;
    }
    QByteArray end;
    le(end, 0x06054b50, 4), le(end, 0, 2), le(end, 0, 2), le(end, quint64(entries), 2), le(end, quint64(entries), 2);
    le(end, quint64(central.size()), 4), le(end, quint64(local.size()), 4), le(end, 0, 2);
    return local + central + end;
}

QString dateText(double day) {
    return std::isnan(day) ? QString() : platform::dateOfDayNumber(day).toString(Qt::ISODate);
}

} // namespace

class TestImportReaders : public QObject {
    Q_OBJECT

private slots:
    void readsDates_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("monthFirst");
        QTest::addColumn<QString>("date");
        QTest::newRow("dd.MM.yyyy") << "05.03.2024" << false << "2024-03-05";
        QTest::newRow("d.M.yy") << "5.3.24" << false << "2024-03-05";
        QTest::newRow("yy 49: this century") << "01.01.49" << false << "2049-01-01";
        QTest::newRow("yy 50: the last") << "01.01.50" << false << "1950-01-01";
        QTest::newRow("d/M/yyyy") << "05/03/2024" << false << "2024-03-05";
        QTest::newRow("M/d/yyyy, an American list") << "05/03/2024" << true << "2024-05-03";
        QTest::newRow("M/d/yy") << "12/31/99" << true << "1999-12-31";
        QTest::newRow("dotted dates are day first always") << "05.03.2024" << true << "2024-03-05";
        QTest::newRow("ISO") << "2024-03-05" << false << "2024-03-05";
        QTest::newRow("ISO with a time") << "2024-03-05T10:30:00" << false << "2024-03-05";
        QTest::newRow("serial number") << "45356" << false << "2024-03-05";
        QTest::newRow("serial with a time") << "45356,75" << false << "2024-03-05";
        QTest::newRow("31 February") << "31.02.2024" << false << "";
        QTest::newRow("words") << "вчера" << false << "";
        QTest::newRow("a date cut short") << "12.03" << false << "";
        QTest::newRow("1753: the first year a catalogue holds") << "01.01.1753" << false << "1753-01-01";
        QTest::newRow("1752") << "31.12.1752" << false << "";
    }
    void readsDates() {
        QFETCH(QString, text);
        QFETCH(bool, monthFirst);
        QFETCH(QString, date);
        QCOMPARE(dateText(imports::parseDate(text, monthFirst)), date);
    }

    void serialNumbers_data() {
        QTest::addColumn<double>("serial");
        QTest::addColumn<bool>("system1904");
        QTest::addColumn<QString>("date");
        // The 1900 system counts a 29 February 1900 that never was.
        QTest::newRow("59") << 59.0 << false << "1900-02-28";
        QTest::newRow("60") << 60.0 << false << "";
        QTest::newRow("61") << 61.0 << false << "1900-03-01";
        QTest::newRow("1904: 0") << 0.0 << true << "1904-01-01";
        QTest::newRow("1904: 43890") << 43890.0 << true << "2024-03-01";
    }
    void serialNumbers() {
        QFETCH(double, serial);
        QFETCH(bool, system1904);
        QFETCH(QString, date);
        QCOMPARE(dateText(imports::serialToDay(serial, system1904)), date);
    }

    void slashDatesMonthFirst_data() {
        QTest::addColumn<QStringList>("dates");
        QTest::addColumn<bool>("monthFirst");
        QTest::newRow("a month past 12 second") << QStringList{"05/02/2024", "05/30/2024"} << true;
        QTest::newRow("a day past 12 first") << QStringList{"30/05/2024", "05/02/2024"} << false;
        QTest::newRow("nothing tells") << QStringList{"05/02/2024", ""} << false;
        QTest::newRow("both: day first") << QStringList{"30/05/2024", "05/30/2024"} << false;
    }
    void slashDatesMonthFirst() {
        QFETCH(QStringList, dates);
        QFETCH(bool, monthFirst);
        QCOMPARE(imports::slashDatesMonthFirst(dates), monthFirst);
    }

    void encodings_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("encoding");
        using E = imports::Encoding;
        const QByteArray russian = QStringLiteral("Наименование;Должник\nМастер и Маргарита;Ира\n").toUtf8();
        QTest::newRow("ASCII") << QByteArray("Title;Lent to\nSolaris;Ann\n") << int(E::Utf8);
        QTest::newRow("UTF-8") << russian << int(E::Utf8);
        QTest::newRow("UTF-8 with one stray byte") << russian + "\xE9t\xE9\n" + russian << int(E::Utf8);
        QTest::newRow("Windows-1251") << QByteArray(
            "\xcd\xe0\xe8\xec\xe5\xed\xee\xe2\xe0\xed\xe8\xe5;\xc4\xee\xeb\xe6\xed\xe8\xea\n")
                                      << int(E::Windows1251);
        QTest::newRow("Latin-1, Windows-1252")
            << QByteArray("Title\nH\xe9l\xe8ne\nMa\xeetre\ncaf\xe9\n") << int(E::Windows1252);
        QTest::newRow("UTF-16 with its mark") << QByteArray("\xff\xfe"
                                                            "a\0;\0b\0",
                                                            8)
                                              << int(E::Utf16);
        QTest::newRow("UTF-16 without") << QByteArray("T\0i\0t\0l\0e\0\n\0", 12) << int(E::Utf16);
        QTest::newRow("UTF-16 without, four letters") << QByteArray("T\0o\0m\0\n\0", 8) << int(E::Utf16);
    }
    void encodings() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, encoding);
        QCOMPARE(int(imports::detectEncoding(bytes.constData(), bytes.size())), encoding);
    }

    // Each text at its column's length goes in, one letter more is refused.
    void fieldLengths_data() {
        QTest::addColumn<int>("field"); // title, kind, note, debtor
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("problem");
        const QString tooLong = QStringLiteral("%1 длиннее %2 знаков (%3)");
        QTest::newRow("title 50") << 0 << shape::kTitleLength << "";
        QTest::newRow("title 51") << 0 << shape::kTitleLength + 1 << tooLong.arg("наименование").arg(50).arg(51);
        QTest::newRow("kind 25") << 1 << shape::kKindLength << "";
        QTest::newRow("kind 26") << 1 << shape::kKindLength + 1 << tooLong.arg("вид").arg(25).arg(26);
        QTest::newRow("note 50") << 2 << shape::kNoteLength << "";
        QTest::newRow("note 51") << 2 << shape::kNoteLength + 1 << tooLong.arg("примечание").arg(50).arg(51);
        QTest::newRow("debtor 50") << 3 << shape::kNameLength << "";
        QTest::newRow("debtor 51") << 3 << shape::kNameLength + 1 << tooLong.arg("имя должника").arg(50).arg(51);
    }
    void fieldLengths() {
        QFETCH(int, field);
        QFETCH(int, length);
        QFETCH(QString, problem);
        imports::Record record;
        record.title = QStringLiteral("Дар");
        QString* texts[] = {&record.title, &record.kind, &record.note, &record.debtor};
        *texts[field] = QString(length, u'Ж');
        imports::check(record);
        QCOMPARE(record.problem, problem);
    }

    void decodes_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("encoding");
        QTest::addColumn<QString>("text");
        using E = imports::Encoding;
        QTest::newRow("1251") << QByteArray("\xc0\xff\xa8\xb8\xb9") << int(E::Windows1251) << "АяЁё№";
        QTest::newRow("1252") << QByteArray("H\xe9l\xe8ne \x80\x9c") << int(E::Windows1252) << "Hélène €œ";
        QTest::newRow("UTF-16 big-endian") << QByteArray("\xfe\xff\x04\x10\x00"
                                                         "a",
                                                         6)
                                           << int(E::Utf16) << "Аa";
    }
    void decodes() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, encoding);
        QFETCH(QString, text);
        if (imports::Encoding(encoding) == imports::Encoding::Utf16) {
            const QByteArray utf8 = imports::utf8Of(bytes.constData(), bytes.size());
            QCOMPARE(QString::fromUtf8(utf8), text);
        } else {
            QCOMPARE(imports::decode(bytes.constData(), bytes.size(), imports::Encoding(encoding)), text);
        }
    }

    void separators_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<char>("separator");
        QTest::newRow("semicolons") << QByteArray("a;b;c\n1;2;3\n") << ';';
        QTest::newRow("commas, one short line") << QByteArray("a,b,c\n1,2,3\nshort\n4,5,6\n7,8,9\n") << ',';
        QTest::newRow("commas inside quotes") << QByteArray("a;b\n\"x, y, z\";1\n\"p, q\";2\n") << ';';
        QTest::newRow("tabs") << QByteArray("a\tb\n1\t2\n") << '\t';
        QTest::newRow("bars") << QByteArray("a|b|c\n1|2|3\n") << '|';
        QTest::newRow("most lines agree") << QByteArray("a,b;c\n1,2;3\n4,5;6\n7,8\n9,10\n") << ',';
        QTest::newRow("one column") << QByteArray("Solaris\nWar and Peace\n") << ';';
    }
    void separators() {
        QFETCH(QByteArray, text);
        QFETCH(char, separator);
        QCOMPARE(imports::detectSeparator(text.constData(), text.size()), separator);
    }

    // Where a list starts, whether it has a header, and its columns.
    void guessesTheMapping_data() {
        QTest::addColumn<QList<QStringList>>("rows");
        QTest::addColumn<QString>("mapping"); // first row, header, then the columns of each field
        QTest::newRow("Russian header") << QList<QStringList>{{"Наименование", "Вид", "Примечание", "Должник",
                                                               "Дата выдачи", "Вернуть до"}}
                                        << "1 h 0 1 2 3 4 5";
        QTest::newRow("whole words win: library_name is no title")
            << QList<QStringList>{{"library_name", "Title", "Author", "ISBN"}} << "1 h 1 -1 -1 -1 -1 -1";
        QTest::newRow("Lent to is the debtor, Issue no date")
            << QList<QStringList>{{"Issue", "Title", "Lent to", "Date lent", "Due"}} << "1 h 1 -1 -1 2 3 4";
        QTest::newRow("the better match first")
            << QList<QStringList>{{"Book title notes", "Title", "Borrower name", "Name"}} << "1 h 1 -1 0 2 -1 -1";
        QTest::newRow("a title row and a blank one above the header")
            << QList<QStringList>{{"Мои книги"}, {}, {"Название", "Кому"}, {"Дар", "Ира"}} << "3 h 0 -1 -1 1 -1 -1";
        QTest::newRow("no header: the first row is data")
            << QList<QStringList>{{"Война и мир", "Книга", "01.03.2024"}, {"Идиот", "Книга", ""}}
            << "1 - 0 -1 -1 -1 -1 -1";
        QTest::newRow("a header of data words only is data")
            << QList<QStringList>{{"Дар", "Ира"}, {"Бесы", "Пётр"}} << "1 - 0 -1 -1 -1 -1 -1";
    }
    void guessesTheMapping() {
        QFETCH(QList<QStringList>, rows);
        QFETCH(QString, mapping);
        QList<imports::NumberedRow> numbered;
        for (const QStringList& row : rows)
            numbered << imports::NumberedRow{numbered.size() + 1, row};
        const imports::Mapping m = imports::guessMapping(numbered);
        QStringList told{QString::number(m.firstRow), m.header ? "h" : "-"};
        for (int column : m.columns)
            told << QString::number(column);
        QCOMPARE(told.join(u' '), mapping);
    }

    // A workbook's cells as the XML gives them: shared strings (indented,
    // in runs, phonetic guides left out, escapes undone), inline text,
    // booleans, errors, dates by style and by type, cells and rows without
    // references, rows the file skips keeping their numbers.
    void readsWorkbookCells_data() {
        QTest::addColumn<QByteArray>("sheetData");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("shared strings") << QByteArray("\n"
                                                      "            <row r=\"1\">\n"
                                                      "              <c r=\"A1\" t=\"s\">\n"
                                                      "                <v>0</v>\n"
                                                      "              </c>\n"
                                                      "              <c r=\"B1\" t=\"s\"><v>1</v></c>\n"
                                                      "              <c r=\"C1\" t=\"s\"><v>2</v></c>\n"
                                                      "              <c r=\"D1\" t=\"s\"><v></v></c>\n"
                                                      "            </row>")
                                        << QStringList{"1: первая|по частям|строка\r\nперенос _x000D_"};
        QTest::newRow("inline text, booleans, errors, numbers")
            << QByteArray("\n"
                          "            <row r=\"2\"><c r=\"A2\" t=\"inlineStr\">\n"
                          "                <is>\n"
                          "                  <t>внутри</t>\n"
                          "                </is>\n"
                          "              </c><c r=\"B2\" t=\"b\"><v>1</v></c><c r=\"C2\" t=\"b\"><v>0</v></c><c "
                          "r=\"D2\" t=\"e\"><v>#N/A</v></c>\n"
                          "              <c r=\"E2\"><v>0.10000000000000001</v></c><c r=\"G2\"><v>1984.0</v></c><c "
                          "r=\"H2\" t=\"inlineStr\"><v>1.0</v><is><t>1.</t></is></c><c r=\"F2\" "
                          "t=\"str\"><f>A1</f><v>формула</v></c></row>")
            << QStringList{"2: внутри|ИСТИНА|ЛОЖЬ|#N/A|0.1|формула|1984|1."};
        QTest::newRow("dates by style and by type") << QByteArray(
            "\n"
            "            <row r=\"3\"><c r=\"A3\" s=\"1\"><v>45352</v></c><c r=\"B3\" s=\"2\"><v>45352.5</v></c>\n"
            "              <c r=\"C3\"><v>45352</v></c><c r=\"D3\" t=\"d\"><v>2024-03-01T00:00:00</v></c></row>")
                                                    << QStringList{"3: 2024-03-01|2024-03-01|45352|2024-03-01"};
        QTest::newRow("cells without references, rows skipped")
            << QByteArray("\n"
                          "            <row r=\"2\"><c t=\"s\"><v>0</v></c><c/><c t=\"s\"><v>1</v></c></row>\n"
                          "            <row r=\"7\"><c r=\"C7\" t=\"s\"><v>0</v></c><c t=\"s\"><v>1</v></c></row>\n"
                          "            <row><c t=\"s\"><v>0</v></c></row>")
            << QStringList{"2: первая||по частям", "7: ||первая|по частям", "8: первая"};
    }
    void readsWorkbookCells() {
        QFETCH(QByteArray, sheetData);
        QFETCH(QStringList, rows);
        TestFolder folder;
        const QByteArray sheet =
            "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>" + sheetData
            + "</sheetData></worksheet>";
        writeZip(folder.path("book.xlsx"), {{"xl/workbook.xml", kWorkbook},
                                            {"xl/_rels/workbook.xml.rels", kRelationships},
                                            {"xl/worksheets/sheet1.xml", sheet},
                                            {"xl/sharedStrings.xml", kStrings},
                                            {"xl/styles.xml", kStyles}});
        QCOMPARE(rowsOf(folder.path("book.xlsx")), rows);
    }

    // A spreadsheet's cells: repeated ones made only before something
    // filled, empty ones kept in place, white space as the format says,
    // notes left out, a hidden table marked.
    void readsOpenDocumentCells_data() {
        QTest::addColumn<QByteArray>("table");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("an empty cell before a filled one")
            << QByteArray("<table:table-row><table:table-cell office:value-type=\"string\"><text:p>Дар</text:p>"
                          "</table:table-cell><table:table-cell/><table:table-cell office:value-type=\"string\">"
                          "<text:p>Ира</text:p></table:table-cell></table:table-row>")
            << QStringList{"1: Дар||Ира"};
        QTest::newRow("repeated rows and cells")
            << QByteArray("<table:table-row table:number-rows-repeated=\"2\"><table:table-cell "
                          "table:number-columns-repeated=\"2\" office:value-type=\"float\" office:value=\"7\">"
                          "<text:p>7</text:p></table:table-cell></table:table-row>"
                          "<table:table-row table:number-rows-repeated=\"1048000\"><table:table-cell "
                          "table:number-columns-repeated=\"1024\"/></table:table-row>"
                          "<table:table-row><table:table-cell office:value-type=\"date\" "
                          "office:date-value=\"2024-03-01T10:00:00\"/></table:table-row>")
            << QStringList{"1: 7|7", "2: 7|7", "1048003: 2024-03-01"};
        QTest::newRow("a filled row at the most rows a sheet may have")
            << QByteArray("<table:table-row table:number-rows-repeated=\"1999999\"><table:table-cell/>"
                          "</table:table-row><table:table-row><table:table-cell office:value-type=\"string\">"
                          "<text:p>последняя</text:p></table:table-cell></table:table-row>")
            << QStringList{"2000000: последняя"};
        QTest::newRow("white space, notes, line breaks")
            << QByteArray("<table:table-row><table:table-cell office:value-type=\"string\"><office:annotation>"
                          "<text:p>заметка</text:p></office:annotation><text:p>\n   два   слова <text:s text:c=\"2\"/>"
                          "и<text:tab/>табуляция\n  </text:p><text:p>вторая<text:line-break/>строка</text:p>"
                          "</table:table-cell><table:table-cell office:value-type=\"boolean\" "
                          "office:boolean-value=\"true\"><text:p>TRUE</text:p></table:table-cell>"
                          "</table:table-row>")
            << QStringList{"1: два слова   и\tтабуляция\nвторая\nстрока|ИСТИНА"};
    }
    void readsOpenDocumentCells() {
        QFETCH(QByteArray, table);
        QFETCH(QStringList, rows);
        TestFolder folder;
        const QByteArray content =
            "<office:document-content xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\"\n"
            " xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\"\n"
            " xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
            "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\">\n"
            " <office:automatic-styles><style:style style:name=\"ta2\" style:family=\"table\"><style:table-properties "
            "table:display=\"false\"/>\n"
            " </style:style></office:automatic-styles><office:body><office:spreadsheet>\n"
            " <table:table table:name=\"Скрытый\" table:style-name=\"ta2\"><table:table-row><table:table-cell "
            "office:value-type=\"string\">\n"
            " <text:p>не этот</text:p></table:table-cell></table:table-row></table:table>\n"
            " <table:table table:name=\"Лист &amp; другой\">"
            + table + "</table:table></office:spreadsheet></office:body></office:document-content>";
        writeZip(folder.path("book.ods"),
                 {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"}, {"content.xml", content}});
        imports::ListFile list(folder.path("book.ods"), imports::examine(folder.path("book.ods")));
        QCOMPARE(list.sheets().size(), 2);
        QCOMPARE(list.sheets()[0].hidden, true);
        QCOMPARE(list.sheets()[1].name, QStringLiteral("Лист & другой"));
        QCOMPARE(list.sheet(), 1); // the first visible one
        QCOMPARE(rowsOf(folder.path("book.ods")), rows);
    }

    // Entries named as some Windows tools write them, "xl\\workbook.xml".
    void entriesNamedWithBackslashes() {
        TestFolder folder;
        const QByteArray sheet = "<worksheet><sheetData><row r=\"1\"><c t=\"inlineStr\"><is><t>Дар</t></is></c></row>"
                                 "</sheetData></worksheet>";
        writeZip(folder.path("book.xlsx"), {{"xl\\workbook.xml", kWorkbook},
                                            {"xl\\_rels\\workbook.xml.rels", kRelationships},
                                            {"xl\\worksheets\\sheet1.xml", sheet}});
        QCOMPARE(rowsOf(folder.path("book.xlsx")), QStringList{"1: Дар"});
    }

    // Collections as their programs write them: Tellico's own fields with
    // a colon or an emoji in their names and a form feed in a text, GCstar
    // collections of a kind their users made, texts indented by the XML.
    void readsCollections_data() {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<bool>("tellico");
        QTest::addColumn<QStringList>("records"); // title|kind|note|debtor
        QTest::newRow("Tellico's own fields") << QByteArray(
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<tellico xmlns=\"http://periapsis.org/tellico/\" "
            "syntaxVersion=\"11\"><collection title=\"Книги\" type=\"2\"><fields/>\n<entry id=\"1\">"
            "<title>Дар</title><my:shelf>3</my:shelf><lc-no.:>77</lc-no.:><\xF0\x9F\x93\x9A>да</\xF0\x9F\x93\x9A>"
            "<comments>стр. 1\x0Cстр. 2&#12;конец</comments></entry></collection>"
            "<borrowers><borrower name=\"Ира\"><loan entryRef=\"1\" loanDate=\"2024-03-01\"/>"
            "</borrower></borrowers></tellico>")
                                              << true << QStringList{"Дар|Книга|стр. 1\nстр. 2\nконец|Ира"};
        QTest::newRow("GCstar, a kind of the user's own")
            << QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<collection type=\"Knives\" items=\"1\" "
                          "version=\"1.7.3\">\n <information><maxId>1</maxId></information>\n <item\n  id=\"1\"\n"
                          "  name=\"Opinel\"\n  borrower=\"none\"\n >\n  <comment>\n    Острый\n    и складной\n  "
                          "</comment>\n </item>\n</collection>\n")
            << false << QStringList{"Opinel|Knives|Острый\nи складной|"};
        QTest::newRow("GCstar, its fields named by the user's model; HTML comments; messages before the document")
            << QByteArray("Error: could not write image\n<?xml version=\"1.0\"?>\n<collection type=\"Knives\" "
                          "items=\"1\">\n <item\n  gcsfield1=\"img/knife.png\"\n  gcsfield5=\"Нож\"\n  "
                          "gcsautoid=\"3\"\n >\n  <comments>&lt;br/&gt;\n   первая\n   &lt;br/&gt;\n  "
                          "вторая</comments>\n </item>\n</collection>")
            << false << QStringList{"Нож|Knives|первая\nвторая|"};
    }
    void readsCollections() {
        QFETCH(QByteArray, xml);
        QFETCH(bool, tellico);
        QFETCH(QStringList, records);
        QStringList read;
        for (const imports::Record& r : tellico ? imports::readTellico(xml) : imports::readGcstar(xml))
            read << QStringList{r.title, r.kind, r.note, r.debtor}.join(u'|') + r.problem;
        QCOMPARE(read, records);
    }

    // Files refused before a row is read, each with its true reason in the
    // user's words (no parser's English).
    void refusesWithItsReason_data() {
        QTest::addColumn<QString>("file");    // a fixture, or one made here
        QTest::addColumn<QString>("message"); // what the refusal says
        QTest::newRow("a book with a password") << "password.xlsx"
                                                << "книга, защищённая паролем";
        QTest::newRow("a spreadsheet with a password") << "password.ods"
                                                       << "таблица защищена паролем";
        QTest::newRow("an old Excel book") << "old.xls"
                                           << "старого формата (.xls)";
        QTest::newRow("more in all than allowed") << "declared.zip"
                                                  << "слишком велик для импорта";
        QTest::newRow("one entry larger than allowed") << "one.zip"
                                                       << "слишком велик для импорта";
        QTest::newRow("damaged Tellico") << "broken.tc"
                                         << "файл коллекции повреждён (строка 1, знак";
        QTest::newRow("a damaged sheet") << "sheet.xlsx"
                                         << "часть 'xl/worksheets/sheet1.xml' повреждена (строка 1";
        QTest::newRow("a zip's entries locked") << "locked.xlsx"
                                                << "' в архиве зашифрован";
        QTest::newRow("packed in a way no reader knows") << "packed.xlsx"
                                                         << "' в архиве не читается";
    }
    void refusesWithItsReason() {
        QFETCH(QString, file);
        QFETCH(QString, message);
        TestFolder folder;
        QString path = QStringLiteral(ZANDREL_TEST_SOURCES "/data/imports/") + file;
        const auto made = [&](const QByteArray& bytes) {
            QFile f(folder.path(file));
            f.open(QIODevice::WriteOnly);
            f.write(bytes);
            return f.fileName();
        };
        if (file == u"old.xls")
            path = made(QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1").repeated(64));
        else if (file == u"declared.zip") // three of 400 MB: 1.2 GB in all
            path = made(zipDeclaring(3, 400u << 20));
        else if (file == u"one.zip")
            path = made(zipDeclaring(1, 600u << 20));
        else if (file == u"broken.tc")
            path = made("<tellico><collection><entry><title>Дар</entry></tellico>");
        else if (file == u"sheet.xlsx") {
            writeZip(folder.path(file), {{"xl/workbook.xml", kWorkbook},
                                         {"xl/_rels/workbook.xml.rels", kRelationships},
                                         {"xl/worksheets/sheet1.xml", "<worksheet><sheetData><row><c></row>"}});
            path = folder.path(file);
        } else if (file == u"locked.xlsx" || file == u"packed.xlsx") {
            const QList<QPair<QString, QByteArray>> book{{"xl/workbook.xml", kWorkbook},
                                                         {"xl/_rels/workbook.xml.rels", kRelationships},
                                                         {"xl/worksheets/sheet1.xml", "<worksheet/>"}};
            writeZip(folder.path("book.zip"), book, file == u"locked.xlsx" ? "пароль" : nullptr);
            QFile zipped(folder.path("book.zip"));
            QVERIFY(zipped.open(QIODevice::ReadOnly));
            QByteArray bytes = zipped.readAll();
            // Every entry's method, in its own header and in the directory, one unknown to readers.
            if (file == u"packed.xlsx")
                for (const auto& [signature, offset] : {std::pair{"PK\x03\x04", 8}, std::pair{"PK\x01\x02", 10}})
                    for (qsizetype at = bytes.indexOf(signature); at >= 0; at = bytes.indexOf(signature, at + 4))
                        bytes[at + offset] = 21;
            path = made(bytes);
        }
        QString refusal;
        try {
            const imports::SourceKind kind = imports::examine(path);
            if (kind == imports::SourceKind::Tellico)
                imports::readCollection(path, kind);
            else
                rowsOf(path);
        } catch (const imports::ImportError& e) {
            refusal = QString::fromStdString(e.what());
        }
        QVERIFY2(refusal.contains(message), qPrintable(refusal));
        for (const char* english : {"error", "Error", "Expected", "Unexpected", "Invalid"})
            QVERIFY2(!refusal.contains(QLatin1String(english)), qPrintable(refusal));
    }
};

QTEST_MAIN(TestImportReaders)
#include "tst_importreaders.moc"
