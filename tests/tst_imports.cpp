// Imports of lists and collections: every value of each kind of file as it
// lands in the catalogue (contacts and loan history with it), rows refused
// with their reasons, files refused before they are parsed, and «Отмена»
// writing nothing.
#include "AppHarness.h"

#include "dialogs/ListImportWindow.h"
#include "imports/ImportDates.h"
#include "platform/Today.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>

#include <sqlite3.h>

namespace {

const QString kPython = QStringLiteral("/usr/bin/python3");

// The rows a statement yields, each its columns joined by "|".
QStringList rowsOf(const QString& file, const char* statement) {
    sqlite3* db = nullptr;
    QStringList rows;
    sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db, statement, -1, &s, nullptr) != SQLITE_OK)
        rows << QString::fromUtf8(sqlite3_errmsg(db));
    while (s && sqlite3_step(s) == SQLITE_ROW) {
        QStringList values;
        for (int c = 0; c < sqlite3_column_count(s); ++c)
            values << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, c)));
        rows << values.join(u'|');
    }
    sqlite3_finalize(s);
    sqlite3_close(db);
    return rows;
}

} // namespace

class TestImports : public QObject {
    Q_OBJECT

    std::unique_ptr<AppHarness> app;
    std::unique_ptr<PinnedToday> today;

    QString catalogue() const { return app->folder.path("home.mdb"); }

    // A catalogue with table A (one item) and the contact Ира, shown.
    void open() {
        app->makeCatalogue("home.mdb", {{"A", {"'old', NULL, NULL"}}}, {"1, 'Ира'"});
        app->writeSettings("[Options]\nDefaultBase=home.mdb\n");
        app->start();
    }

    // A file of kind made by the script, named name in the test's folder.
    QString make(const QString& kind, const QString& name) {
        const QString path = app->folder.path(name);
        if (!QFile::exists(kPython))
            return {};
        QProcess script;
        script.start(kPython, {QStringLiteral(ZANDREL_TEST_SOURCES "/support/make-import-files.py"), kind, path});
        if (!script.waitForFinished(60000) || script.exitCode() != 0)
            return {};
        return path;
    }
    QString write(const QString& name, const QByteArray& bytes) {
        QFile f(app->folder.path(name));
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return f.fileName();
    }

    // «Импорт в таблицу...» on path; window (when it shows) is set up by
    // choose before «Импортировать» is pressed.
    void runImport(const QString& path, ScriptedFileDialogs& dialogs,
                   const std::function<void(QWidget*)>& choose = {}) {
        dialogs.choose(path);
        whenModalShown([choose](QWidget* window) {
            QCOMPARE(window->objectName(), QStringLiteral("ListImportWindow"));
            if (choose)
                choose(window);
            click(childOf<QPushButton>(window, "bbImport"));
        });
        app->find<QAction>("iImportList")->trigger();
    }

private slots:
    void init() {
        app = std::make_unique<AppHarness>();
        today = std::make_unique<PinnedToday>(day(2024, 3, 20));
    }
    void cleanup() {
        app.reset();
        today.reset();
    }

    void readsDates_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("date");
        QTest::newRow("dd.MM.yyyy") << "05.03.2024"
                                    << "2024-03-05";
        QTest::newRow("d.M.yy") << "5.3.24"
                                << "2024-03-05";
        QTest::newRow("yy of the last century") << "05.03.72"
                                                << "1972-03-05";
        QTest::newRow("d/M/yyyy") << "05/03/2024"
                                  << "2024-03-05";
        QTest::newRow("ISO") << "2024-03-05"
                             << "2024-03-05";
        QTest::newRow("ISO with a time") << "2024-03-05T10:30:00"
                                         << "2024-03-05";
        QTest::newRow("serial number") << "45356"
                                       << "2024-03-05";
        QTest::newRow("serial with a time") << "45356,75"
                                            << "2024-03-05";
        QTest::newRow("31 February") << "31.02.2024"
                                     << "";
        QTest::newRow("words") << "вчера"
                               << "";
        QTest::newRow("a date cut short") << "12.03"
                                          << "";
    }
    void readsDates() {
        QFETCH(QString, text);
        QFETCH(QString, date);
        const double read = imports::parseDate(text);
        QCOMPARE(std::isnan(read) ? QString() : platform::dateOfDayNumber(read).toString(Qt::ISODate), date);
        // The 1900 system counts a 29 February 1900 that never was.
        QCOMPARE(platform::dateOfDayNumber(imports::serialToDay(61)), QDate(1900, 3, 1));
        QCOMPARE(platform::dateOfDayNumber(imports::serialToDay(59)), QDate(1900, 2, 28));
        QVERIFY(std::isnan(imports::serialToDay(60)));
        QCOMPARE(platform::dateOfDayNumber(imports::serialToDay(0, true)), QDate(1904, 1, 1));
    }

    void importsEveryValue_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("table");
        for (const char* kind : {"csv-utf8", "csv-utf8-bom-comma", "csv-1251", "tsv", "xlsx", "xlsx-1904", "ods",
                                 "tellico-zip", "tellico-xml", "gcstar"}) {
            const QString name = QStringLiteral("Мои вещи %1.dat").arg(QLatin1String(kind));
            QTest::newRow(kind) << kind << name
                                << QStringLiteral("Мои_вещи_%1").arg(QString::fromLatin1(kind).replace(u'-', u'_'));
        }
    }
    void importsEveryValue() {
        QFETCH(QString, kind);
        QFETCH(QString, name);
        QFETCH(QString, table);
        open();
        const QString path = make(kind, name);
        if (path.isEmpty())
            QSKIP("/usr/bin/python3 with openpyxl is needed to write the files");
        const bool gcstar = kind == u"gcstar";
        ScriptedFileDialogs dialogs;
        ScriptedMessageBoxes boxes;
        boxes.answer(platform::Answer::Ok); // what was imported
        app->ui()->tbSearch->trigger();     // a search begun in the old table
        runImport(path, dialogs, [](QWidget* window) {
            if (auto* sheet = childOf<QComboBox>(window, "cbSheet")) // the first sheet is empty
                sheet->setCurrentIndex(sheet->findText(QStringLiteral("Вещи")));
        });
        QVERIFY2(boxes.last().text.contains(
                     QStringLiteral("импортировано: 3 записи. Новых контактов: %1").arg(gcstar ? 2 : 1)),
                 qPrintable(boxes.last().text));
        const QStringList items = rowsOf(
            catalogue(), qPrintable(QStringLiteral("SELECT title, type, description, c.name, date(issue + 2415018.5), "
                                                   "date(return + 2415018.5) FROM \"%1\" t LEFT JOIN _contacts c ON "
                                                   "c.id = t.contact ORDER BY t.id")
                                        .arg(table)));
        // GCstar keeps no due dates.
        QCOMPARE(items,
                 (QStringList{"Мастер и Маргарита|Книга|в твёрдой обложке|Ира|2024-03-01|"
                                  + QString(gcstar ? "" : "2024-03-15"),
                              "Пикник; \"Обочина\", 1972|Книга|стр. 1\nстр. 2|Пётр|2024-02-10|", "Solaris|DVD||||"}));
        // Ира found whatever the case; Пётр added to the general group.
        QStringList contacts{"1|Ира|", "2|Пётр|"};
        QStringList events{"1|1|1|2024-03-01", "1|2|2|2024-02-10"};
        if (gcstar) { // Solaris's past loans, each lent and returned
            contacts << "3|Анна|";
            events << QStringList{"1|3|3|2023-12-01", "3|3|3|2023-12-20", "1|3|1|2024-01-05", "3|3|1|2024-01-10"};
        }
        QCOMPARE(rowsOf(catalogue(), "SELECT id, name, reliability FROM _contacts ORDER BY id"), contacts);
        QCOMPARE(rowsOf(catalogue(), "SELECT event, item, contact, date(at + 2415018.5) FROM _loans ORDER BY id"),
                 events);
        // The new table is shown whole, the lent items coloured as any.
        QCOMPARE(DBTable, table);
        QVERIFY(!app->ui()->tbSearch->isChecked());
        QCOMPARE(app->shownTitles().size(), 3);
        QVERIFY(app->main()->windowTitle().contains(table));
    }

    // Lists as LibreOffice, Gnumeric and XlsxWriter (the way Excel writes)
    // save them, and as other programs do: every value as written, the
    // title row and the blank row above the header skipped, the hidden
    // sheet marked and passed over.
    void importsWhatOtherProgramsSaved_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("sheet"); // empty: the one chosen at first
        QTest::addColumn<QString>("list");  // expected-<list>.tsv
        const QStringList books{
            "xlsxwriter.xlsx", "xlsxwriter-1904.xlsx", "libreoffice.xlsx",   "libreoffice-1904.xlsx", "libreoffice.ods",
            "gnumeric.xlsx",   "gnumeric.ods",         "no-references.xlsx", "strict.xlsx",           "google.ods"};
        for (const QString& book : books) {
            QTest::newRow(qPrintable(book)) << book << ""
                                            << "Список";
            QTest::newRow(qPrintable(book + ", Latin")) << book << "Latin"
                                                        << "Latin";
        }
        for (const char* text : {"libreoffice-utf8.csv", "libreoffice-1251.csv", "libreoffice-utf16.txt"})
            QTest::newRow(text) << text << ""
                                << "Список";
        for (const char* text : {"libreoffice-1252.csv", "libreoffice-latin-utf8.csv"})
            QTest::newRow(text) << text << ""
                                << "Latin";
    }
    void importsWhatOtherProgramsSaved() {
        QFETCH(QString, file);
        QFETCH(QString, sheet);
        QFETCH(QString, list);
        app->makeCatalogue("home.mdb", {{"A", {}}});
        app->writeSettings("[Options]\nDefaultBase=home.mdb\n");
        app->start();
        const QString fixtures = QStringLiteral(ZANDREL_TEST_SOURCES "/data/imports/");
        QFile expectedFile(fixtures + "expected-" + list + ".tsv");
        QVERIFY(expectedFile.open(QIODevice::ReadOnly));
        QStringList expected = QString::fromUtf8(expectedFile.readAll()).split(u'\n', Qt::SkipEmptyParts);
        for (QString& line : expected)
            line.replace("\\n", "\n");
        ScriptedFileDialogs dialogs;
        ScriptedMessageBoxes boxes;
        boxes.answer(platform::Answer::Ok);
        QStringList sheets;
        if (sheet.isEmpty() && file.startsWith("gnumeric")) // Gnumeric keeps no hidden sheets hidden
            sheet = list;
        runImport(fixtures + file, dialogs, [&](QWidget* window) {
            if (auto* box = childOf<QComboBox>(window, "cbSheet")) {
                for (int i = 0; i < box->count(); ++i)
                    sheets << box->itemText(i);
                if (!sheet.isEmpty())
                    box->setCurrentIndex(box->findText(sheet));
            }
            childOf<QLineEdit>(window, "eNewTable")->setText("t");
        });
        if (!sheets.isEmpty() && !file.startsWith("gnumeric"))
            QCOMPARE(sheets, (QStringList{"Служебный (скрытый)", "Список", "Latin"}));
        QVERIFY2(boxes.last().text.contains(
                     QStringLiteral("импортировано: %1")
                         .arg(expected.size() == 5 ? QStringLiteral("5 записей") : QStringLiteral("3 записи"))),
                 qPrintable(boxes.last().text));
        QCOMPARE(rowsOf(catalogue(), "SELECT t.title, t.type, t.description, c.name, date(t.issue + 2415018.5), "
                                     "date(t.return + 2415018.5) FROM t LEFT JOIN _contacts c ON c.id = t.contact "
                                     "ORDER BY t.id"),
                 expected);
    }

    // The user says where the list starts and whether that row is its
    // header; the columns are named anew from it.
    void theUserSaysWhereTheListStarts() {
        open();
        const QString path = write("list.csv", QStringLiteral("Список на март\n\nНазвание;Кому\nДар;Ира\n"
                                                              "Бесы;Пётр\n")
                                                   .toUtf8());
        ScriptedFileDialogs dialogs;
        ScriptedMessageBoxes boxes;
        boxes.answer(platform::Answer::Ok);
        QStringList guessed;
        runImport(path, dialogs, [&](QWidget* window) {
            auto* first = childOf<QSpinBox>(window, "sbFirstRow");
            auto* header = childOf<QCheckBox>(window, "cbHeader");
            guessed << QString::number(first->value()) << (header->isChecked() ? "h" : "-")
                    << childOf<QComboBox>(window, "cbDebtor")->currentText();
            // From the row after the header, without one: the debtors become titles.
            first->setValue(4);
            QTest::keyClick(header, Qt::Key_Space);
            guessed << childOf<QComboBox>(window, "cbTitle")->currentText()
                    << childOf<QComboBox>(window, "cbDebtor")->currentText()
                    << childOf<QTableWidget>(window, "Preview")->item(0, 1)->text();
            childOf<QComboBox>(window, "cbTitle")->setCurrentIndex(2); // the second column
        });
        QCOMPARE(guessed, (QStringList{"3", "h", "Столбец 2: Кому", "Столбец 1: Дар", "не импортировать", "Дар"}));
        QCOMPARE(rowsOf(catalogue(), "SELECT title FROM list ORDER BY id"), (QStringList{"Ира", "Пётр"}));
    }

    void refusedRowsAreListedFirst_data() {
        QTest::addColumn<bool>("importTheRest");
        QTest::newRow("«Отмена»: nothing written") << false;
        QTest::newRow("«Импортировать остальные»") << true;
    }
    void refusedRowsAreListedFirst() {
        QFETCH(bool, importTheRest);
        open();
        const QString path = write("list.csv", (QStringLiteral("Название;Должник;Вернуть до\n"
                                                               "good;;\n")
                                                + QString(51, u'Ж')
                                                + QStringLiteral(";;\n"
                                                                 "late;Ира;32.13.2024\n"
                                                                 "dated;;01.01.2024\n"
                                                                 "\n"
                                                                 "fine;ира;01.04.2024\n"))
                                                   .toUtf8());
        const FileState before = examine(catalogue());
        ScriptedFileDialogs dialogs;
        ScriptedMessageBoxes boxes;
        QStringList listed;
        whenModalShown([&](QWidget* window) {
            // The summary comes once the rows are checked.
            whenModalShown([&](QWidget* summary) {
                auto* list = childOf<QListWidget>(summary, "lbRefused");
                for (int i = 0; i < list->count(); ++i)
                    listed << list->item(i)->text();
                click(childOf<QPushButton>(summary, importTheRest ? "bbImportRest" : "bbCancel"));
            });
            click(childOf<QPushButton>(window, "bbImport"));
        });
        if (importTheRest)
            boxes.answer(platform::Answer::Ok);
        dialogs.choose(path);
        app->find<QAction>("iImportList")->trigger();
        QCOMPARE(listed, (QStringList{"Строка 3: наименование длиннее 50 знаков (51)",
                                      "Строка 4: Дата возврата: '32.13.2024' — не дата",
                                      "Строка 5: даты выдачи без должника"}));
        if (!importTheRest) {
            QCOMPARE(examine(catalogue()).contents, before.contents);
            return;
        }
        QCOMPARE(rowsOf(catalogue(), "SELECT title, contact, date(return + 2415018.5) FROM list ORDER BY id"),
                 (QStringList{"good||", "fine|1|2024-04-01"}));
    }

    void filesAreWeighedBeforeParsing_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message");
        QTest::newRow("zip bomb") << "zip-bomb"
                                  << "zip-бомбу";
        QTest::newRow("2 GB text") << "huge"
                                   << "слишком велик: 2049 МБ";
        QTest::newRow("binary") << "binary"
                                << "это не текст";
        QTest::newRow("old Excel") << "xls"
                                   << "старого формата (.xls)";
        QTest::newRow("other XML") << "xml"
                                   << "это XML другого вида";
        QTest::newRow("empty") << "empty"
                               << "пуст";
        QTest::newRow("damaged workbook") << "damaged"
                                          << "не читается как архив zip";
    }
    void filesAreWeighedBeforeParsing() {
        QFETCH(QString, kind);
        QFETCH(QString, message);
        open();
        QString path;
        if (kind == u"zip-bomb") {
            path = make(kind, "bomb.xlsx");
            if (path.isEmpty())
                QSKIP("/usr/bin/python3 is needed to write the file");
        } else if (kind == u"huge") {
            path = write("huge.csv", "a;b\n");
            QFile f(path);
            QVERIFY(f.resize((2049LL << 20) - 1)); // sparse: nothing is written to the disk
        } else if (kind == u"binary") {
            path = write("data.csv", QByteArray("title\0\1\2\3", 9).repeated(100));
        } else if (kind == u"xls") {
            path = write("book.xls", QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1").repeated(64));
        } else if (kind == u"xml") {
            path = write("feed.xml", "<?xml version=\"1.0\"?><rss><channel/></rss>");
        } else if (kind == u"empty") {
            path = write("empty.csv", "");
        } else {
            path = write("book.xlsx", QByteArray("PK\x03\x04", 4) + QByteArray(100, 'x'));
        }
        const FileState before = examine(catalogue());
        ScriptedFileDialogs dialogs;
        ScriptedMessageBoxes boxes;
        boxes.answer(platform::Answer::Ok);
        dialogs.choose(path);
        app->find<QAction>("iImportList")->trigger();
        QVERIFY2(boxes.last().text.contains(message), qPrintable(boxes.last().text));
        QCOMPARE(examine(catalogue()).contents, before.contents);
    }

    void cancelWritesNothing() {
        open();
        QByteArray rows = "Наименование;Должник;Дата выдачи\n";
        for (int i = 0; i < 30000; ++i)
            rows += "item " + QByteArray::number(i) + (i % 10 == 0 ? ";Новый;01.03.2024\n" : ";;\n");
        const QString path = write("many.csv", rows);
        const FileState before = examine(catalogue());
        ScriptedFileDialogs dialogs;
        // «Отмена» while the rows are being written, not while checked.
        QTimer poll;
        connect(&poll, &QTimer::timeout, [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* p = qobject_cast<QProgressDialog*>(w); p && p->labelText() == u"Импорт...")
                    p->cancel();
        });
        poll.start(1);
        runImport(path, dialogs);
        QCOMPARE(examine(catalogue()).contents, before.contents);
        QCOMPARE(DBTable, QStringLiteral("A"));
    }
};

QTEST_MAIN(TestImports)
#include "tst_imports.moc"
