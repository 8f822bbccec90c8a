// What leaves the program, read back by tools we did not write: the debt
// list as a PDF (pdftotext, pdftoppm), the calendar file (libical, Python's
// icalendar), the table as CSV (Python's csv); and a debtor's reminder.
#include "AppHarness.h"

#include "data/DBMUnit.h"
#include "history/LoanHistory.h"
#include "platform/Today.h"
#include "reports/Calendar.h"
#include "reports/CurrentLoans.h"
#include "reports/Reminder.h"

#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QtTest>

#include <libical/ical.h>

namespace {

QString run(const QString& program, const QStringList& arguments, const QByteArray& input = {}) {
    QProcess p;
    p.start(program, arguments);
    p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Debian's Python, which has the icalendar module where it is installed.
QString python() {
    return QFile::exists("/usr/bin/python3") ? QStringLiteral("/usr/bin/python3") : QStringLiteral("python3");
}

} // namespace

class TestReports : public QObject {
    Q_OBJECT

    std::unique_ptr<AppHarness> app;
    std::unique_ptr<ScriptedFileDialogs> dialogs;

    // Titles that test quoting: separators, quotes, a line break, Cyrillic.
    void open() {
        app->makeCatalogue("home.mdb",
                           {{"A",
                             {"'Война и мир; том 1', 1, 45351", "'Кавычки \"в\" названии, и запятая', 2, 45352",
                              "'Две' || char(10) || 'строки', 1, 45360", "'дома', NULL, NULL"}},
                            {"B", {"'Диск', 2, NULL", "'Пластинка', 1, 45400"}}},
                           {"1, 'Ира Ёлкина'", "2, 'Пётр'"});
        app->writeSettings("[Options]\nDefaultBase=home.mdb\n");
        app->start();
    }
    QString exported(const char* command, const QString& name) {
        dialogs->choose(app->folder.path(name));
        app->find<QAction>(command)->trigger();
        return app->folder.path(name);
    }

private slots:
    void init() {
        app = std::make_unique<AppHarness>();
        dialogs = std::make_unique<ScriptedFileDialogs>();
        platform::pinToday(45352);
    }
    void cleanup() {
        dialogs.reset();
        app.reset();
        platform::pinToday(std::nullopt);
    }

    // The reports and the reminders share one menu «Отчёты».
    void oneReportsMenu() {
        open();
        QStringList titles;
        for (const QAction* menu : app->main()->findChild<QMenuBar*>()->actions())
            titles << menu->text();
        QCOMPARE(titles.count(QStringLiteral("Отчёты")), 1);
        const QList<QAction*> reports = app->main()->findChild<QMenu*>("mReports")->actions();
        QVERIFY(reports.contains(app->find<QAction>("iDebtReport"))
                && reports.contains(app->find<QAction>("iReminders")));
    }

    // The sample catalogue's debt list as a PDF: pages that render, and
    // every debtor with their items in order.
    void debtListAsPdf() {
        platform::pinToday(std::nullopt); // the sample is dated from today
        QProcess::execute(QStringLiteral(ZANDREL_DEMO), {app->folder.path("demo.mdb")});
        app->writeSettings("[Options]\nDefaultBase=demo.mdb\n");
        app->start();
        const QString pdf = exported("iDebtReportPdf", "debts.pdf");
        if (QStandardPaths::findExecutable("pdftotext").isEmpty()) {
            QFile file(pdf); // no reader of its text here (Windows): a PDF of pages at least
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray bytes = file.readAll();
            QVERIFY(bytes.startsWith("%PDF-") && bytes.contains("/Type /Page") && bytes.trimmed().endsWith("%%EOF"));
            QSKIP("its text is read with poppler-utils");
        }
        const QString text = run("pdftotext", {"-layout", pdf, "-"});
        QVERIFY2(text.contains("Список долгов: demo.mdb"), qPrintable(text));
        QVERIFY(text.contains("Страница 1 из"));
        QVERIFY(text.contains("Всего:"));
        // Debtors in order, each with the titles of their loans after them.
        qsizetype at = 0;
        const QList<shape::Loan> loans = reports::currentLoans(*DM->ADOConnection, TableNames, *DM->Contacts);
        QVERIFY(loans.size() > 5);
        for (const shape::Loan& l : loans) {
            const qsizetype found = text.indexOf(l.title.left(12), at);
            QVERIFY2(found >= at, qPrintable(l.title));
            at = found;
        }
        QVERIFY(text.contains(QStringLiteral("!"))); // an overdue line's mark
        QProcess::execute("pdftoppm", {"-png", "-r", "40", pdf, app->folder.path("page")});
        QVERIFY(QFileInfo(app->folder.path("page-1.png")).size() > 1000);
    }

    // The calendar: an all-day event per dated loan, the summary, an alarm
    // at 9:00, UIDs that stay the same; read by libical and by Python.
    void calendarReadsBack() {
        open();
        const QString file = exported("iCalendar", "due.ics");
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray ics = f.readAll();
        icalcomponent* calendar = icalparser_parse_string(ics.constData());
        QVERIFY(calendar);
        QStringList summaries, uids;
        for (icalcomponent* e = icalcomponent_get_first_component(calendar, ICAL_VEVENT_COMPONENT); e;
             e = icalcomponent_get_next_component(calendar, ICAL_VEVENT_COMPONENT)) {
            summaries << QString::fromUtf8(icalcomponent_get_summary(e)) + u'@'
                             + QString::fromLatin1(icaltime_as_ical_string(icalcomponent_get_dtstart(e)));
            uids << QString::fromUtf8(icalcomponent_get_uid(e));
            icalcomponent* alarm = icalcomponent_get_first_component(e, ICAL_VALARM_COMPONENT);
            QVERIFY(alarm);
            const icaltriggertype trigger =
                icalproperty_get_trigger(icalcomponent_get_first_property(alarm, ICAL_TRIGGER_PROPERTY));
            QCOMPARE(icaldurationtype_as_int(trigger.duration), 9 * 3600);
        }
        icalcomponent_free(calendar);
        summaries.sort();
        QCOMPARE(summaries, (QStringList{"Вернуть: Война и мир; том 1 — Ира Ёлкина@20240229",
                                         "Вернуть: Две\nстроки — Ира Ёлкина@20240309",
                                         "Вернуть: Кавычки \"в\" названии, и запятая — Пётр@20240301",
                                         "Вернуть: Пластинка — Ира Ёлкина@20240418"}));
        // Exported again: the same loans, the same UIDs.
        QFile again(exported("iCalendar", "again.ics"));
        QVERIFY(again.open(QIODevice::ReadOnly));
        const QByteArray second = again.readAll();
        for (const QString& uid : std::as_const(uids))
            QVERIFY(second.contains(uid.toUtf8()));
        const QString read = run(python(), {"-c",
                                            "import sys, icalendar\n"
                                            "c = icalendar.Calendar.from_ical(open(sys.argv[1], 'rb').read())\n"
                                            "for e in c.walk('VEVENT'): print(str(e['SUMMARY']).replace('\\n', '|'))",
                                            file});
        if (!read.isEmpty()) // where the module is installed
            QCOMPARE(read.split(u'\n', Qt::SkipEmptyParts).size(), 4);
    }

    // The grid as shown (here sorted by due date) read back by Python's csv.
    void tableReadsBackAsCsv() {
        if (QStandardPaths::findExecutable(python()).isEmpty())
            QSKIP("needs Python");
        open();
        DM->aqMain->sort(QStringLiteral("return ASC"));
        const QString file = exported("iExportTable", "a.csv");
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(f.read(3) == "\xEF\xBB\xBF");
        const QString read = run(python(), {"-c",
                                            "import sys, csv\n"
                                            "for row in csv.reader(open(sys.argv[1], encoding='utf-8-sig', "
                                            "newline=''), delimiter=';'): print('|'.join(row).replace('\\n', '/'))",
                                            file});
        QCOMPARE(read.split(u'\n', Qt::SkipEmptyParts),
                 (QStringList{"Наименование|Вид|Дата выдачи|Дата возврата|Должник|Примечание", "дома|||||",
                              "Война и мир; том 1|||29.02.2024|Ира Ёлкина|",
                              "Кавычки \"в\" названии, и запятая|||01.03.2024|Пётр|",
                              "Две/строки|||09.03.2024|Ира Ёлкина|"}));
    }

    // The debt list lets every item be found: long titles wrap, nothing is
    // cut; the marks follow the grid's states; counts take their plural; a
    // view over a table counts nothing twice; a name typed without an
    // extension gets the filter's.
    void debtListShowsEveryLoanWhole() {
        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            QSKIP("needs poppler-utils");
        app->makeCatalogue(
            "home.mdb",
            {{"A",
              {"'Собрание сочинений в 10 томах, том 1', 1, 45360", "'Собрание сочинений в 10 томах, том 2', 1, 45360",
               "'Полдень', 1, 45352.5", "'Вчера', 1, 45351.5"}}},
            {"1, 'Ира'"});
        engine::Connection c;
        c.setConnectionString(QStringLiteral("Data Source=") + app->folder.path("home.mdb"));
        c.open();
        c.execute("CREATE VIEW Lent AS SELECT * FROM A WHERE contact IS NOT NULL");
        c.close();
        app->writeSettings("[Options]\nDefaultBase=home.mdb\nDefaultTable=A\n");
        app->start();
        exported("iDebtReportPdf", "debts");
        QVERIFY(!QFile::exists(app->folder.path("debts")));
        const QString text = run("pdftotext", {"-layout", app->folder.path("debts.pdf"), "-"});
        for (const char* end : {"том 1", "том 2"})
            QVERIFY2(text.contains(QString::fromUtf8(end)), qPrintable(text));
        QVERIFY(!text.contains(QStringLiteral("…")));
        QVERIFY2(text.contains(QStringLiteral("Всего: 4 вещи у 1 должника, просрочено: 1.")), qPrintable(text));
        const auto lineOf = [&](const QString& title) {
            const qsizetype at = text.indexOf(title);
            return text.mid(text.lastIndexOf(u'\n', at) + 1, text.indexOf(u'\n', at) - text.lastIndexOf(u'\n', at));
        };
        QVERIFY2(!lineOf("Полдень").contains(QStringLiteral("»")), qPrintable(lineOf("Полдень"))); // not due today
        QVERIFY2(lineOf("Вчера").contains(u'!'), qPrintable(lineOf("Вчера")));                     // overdue a day
        QVERIFY(lineOf("Вчера").trimmed().endsWith(u'1'));
    }

    // Each loan's reminders since it was lent, and when the last was.
    void debtListTellsTheReminders() {
        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            QSKIP("needs poppler-utils");
        open();
        const auto remind = [](const QString& title, double day) {
            QList<shape::Loan> loans = reports::currentLoans(*DM->ADOConnection, TableNames, *DM->Contacts);
            loans.removeIf([&](const shape::Loan& l) { return l.title != title; });
            platform::pinToday(day);
            loanhistory::recordReminder(*DM->ADOConnection, loans);
            platform::pinToday(45352);
        };
        remind("Война и мир; том 1", 45340);
        remind("Война и мир; том 1", 45345);
        remind("Диск", 45350);
        const QString text = run("pdftotext", {"-layout", exported("iDebtReportPdf", "debts.pdf"), "-"});
        const QStringList lines = text.split(u'\n');
        const auto lineOf = [&](const QString& title) {
            const auto at =
                std::find_if(lines.begin(), lines.end(), [&](const QString& l) { return l.contains(title); });
            return at == lines.end() ? QString() : *at;
        };
        QVERIFY2(lineOf("Война и мир").contains(QStringLiteral("2 раза, последний")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("23.02.2024")) && !text.contains(QStringLiteral("18.02.2024")),
                 qPrintable(text));
        QVERIFY2(lineOf("Диск").trimmed().endsWith(QStringLiteral("28.02.2024")), qPrintable(text));
        QVERIFY2(lineOf("Пластинка").trimmed().endsWith(QStringLiteral("18.04.2024")),
                 qPrintable(text)); // never reminded
    }

    // A date before 1900 with a time reads the same in every report as in the grid.
    void everyReportWritesTheGridsDate() {
        app->makeCatalogue("home.mdb", {{"A", {"'Старая', 1, -363.5"}}}, {"1, 'Ира'"});
        app->writeSettings("[Options]\nDefaultBase=home.mdb\n");
        app->start();
        QCOMPARE(app->ui()->DBGrid->model()->index(0, 3).data().toString().left(10), QStringLiteral("01.01.1899"));
        QFile csv(exported("iExportTable", "a.csv"));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromUtf8(csv.readAll()).contains(QStringLiteral(";01.01.1899;")));
        QFile ics(exported("iCalendar", "due.ics"));
        QVERIFY(ics.open(QIODevice::ReadOnly));
        QVERIFY(ics.readAll().contains("DTSTART;VALUE=DATE:18990101"));
        const QList<shape::Loan> loans = reports::currentLoans(*DM->ADOConnection, TableNames, *DM->Contacts);
        QVERIFY(reports::reminderText("Ира", loans, 45352).contains(QStringLiteral("(срок был 01.01.1899)")));
    }

    // The calendar: a summary without a dangling dash, and no file at all
    // when no loan has a due date (a calendar must hold an event).
    void calendarSaysWhenThereIsNothing() {
        shape::Loan orphan;
        orphan.title = QStringLiteral("Диск");
        QCOMPARE(reports::reminderSummary(orphan), QStringLiteral("Вернуть: Диск"));
        ScriptedMessageBoxes boxes;
        app->makeCatalogue("home.mdb", {{"A", {"'Диск', 1, NULL", "'дома', NULL, NULL"}}}, {"1, 'Ира'"});
        app->writeSettings("[Options]\nDefaultBase=home.mdb\n");
        app->start();
        boxes.answer(platform::Answer::Ok);
        app->find<QAction>("iCalendar")->trigger();
        QCOMPARE(boxes.last().text, QStringLiteral("Нет выданных вещей со сроком возврата: календарь не записан."));
        QCOMPARE(dialogs->requests().size(), 0);
    }

    // The reminder calls a loan overdue only when the grid does.
    void reminderTellsDueFromOverdue_data() {
        QTest::addColumn<double>("due");
        QTest::addColumn<QString>("said");
        QTest::newRow("due today") << 45352.0 << "(вернуть до 01.03.2024)";
        QTest::newRow("today, with a time") << 45352.5 << "(вернуть до 01.03.2024)";
        QTest::newRow("yesterday, with a time") << 45351.5 << "(срок был 29.02.2024)";
    }
    void reminderTellsDueFromOverdue() {
        QFETCH(double, due);
        QFETCH(QString, said);
        shape::Loan l;
        l.title = QStringLiteral("Диск");
        l.due = due;
        QVERIFY2(reports::reminderText("Ира", {l}, 45352).contains(said), qPrintable(said));
    }

    void reminderForOneDebtor() {
        open();
        whenModalShown([](QWidget* contacts) {
            childOf<QAction>(contacts, "tbReminder")->trigger(); // Ира, the first
            QTest::keyClick(childOf<QWidget>(contacts, "DBGrid"), Qt::Key_Escape);
        });
        app->find<QAction>("tbContacts")->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 QStringLiteral("Здравствуйте, Ира Ёлкина! Напоминаю, что у Вас:\n"
                                "- «Война и мир; том 1» (срок был 29.02.2024)\n"
                                "- «Две\nстроки» (вернуть до 09.03.2024)\n"
                                "- «Пластинка» (вернуть до 18.04.2024)\n"
                                "Верните, пожалуйста, когда будет удобно. Спасибо!"));
    }
};

QTEST_MAIN(TestReports)
#include "tst_reports.moc"
