// Reminders while the program is closed: «zandrel --check-due» against a
// real D-Bus session with a stand-in notification server (what it is told,
// how often, what is skipped, that the files stay as they were), «Открыть»,
// the notice in a notification area that records what it shows (both
// systems), and the daily run the reminders window sets up and removes.
#include "AppHarness.h"

#include "data/DBMUnit.h"
#include "data/ProgramState.h"
#include "engine/Connection.h"
#include "history/LoanHistory.h"
#include "platform/Scheduling.h"
#include "platform/Today.h"
#include "reminders/DueLoans.h"
#include "reminders/ReminderSettings.h"
#include "reports/CurrentLoans.h"

#include <QCheckBox>
#include <QClipboard>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTimeEdit>
#include <QtTest>

namespace {

// Linux's tools the D-Bus session and the writers of other programs need;
// a Windows test program cannot start them.
bool hostTools() {
#ifdef _WIN32
    return false;
#else
    return !QStandardPaths::findExecutable("dbus-daemon").isEmpty() && QFile::exists("/usr/bin/python3");
#endif
}
#define NEEDS_HOST_TOOLS()                                                                                             \
    if (!hostTools())                                                                                                  \
    QSKIP("needs dbus-daemon, python3-dbusmock and Linux's tools")

// What the notice's «Открыть» starts in the tests: a script that writes its
// arguments to "opened" beside it.
QString writeOpener(const QString& folder) {
#ifdef _WIN32
    QFile opener(folder + "/opener.cmd");
    opener.open(QIODevice::WriteOnly);
    opener.write("@echo %*> \"%~dp0opened\"\r\n");
#else
    QFile opener(folder + "/opener.sh");
    opener.open(QIODevice::WriteOnly);
    opener.write("#!/bin/sh\necho \"$@\" > \"$(dirname \"$0\")/opened\"\n");
    opener.setPermissions(opener.permissions() | QFile::ExeOwner);
#endif
    return opener.fileName();
}

// The opener's line; it runs on its own, so its line is whole only once written.
QString openedWith(const QString& folder) {
    QFile opened(folder + "/opened");
    // cmd's echo keeps the quotes it was given.
    return opened.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(opened.readAll()).trimmed().remove(u'"')
                                            : QString();
}

QByteArray hashOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)
                                       : QByteArray();
}

// A session bus of the test's own with the stand-in server on it; the
// server writes each call it takes to a log.
class NotificationServer {
public:
    // With actions the check waits for an answer; without, it ends at once.
    NotificationServer(const QString& folder, bool actions) : log(folder + QStringLiteral("/calls.log")) {
        bus.start(QStringLiteral("dbus-daemon"), {"--session", "--nofork", "--print-address=1"});
        if (!bus.waitForReadyRead(10000))
            return;
        address = QString::fromUtf8(bus.readLine()).trimmed();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address);
        server.setProcessEnvironment(env);
        server.start(QStringLiteral("/usr/bin/python3"),
                     {"-m", "dbusmock", "--template", "notification_daemon", "--parameters",
                      actions ? "{\"capabilities\": \"body actions\"}" : "{}", "-l", log});
        for (int i = 0; i < 100
                        && !onBus("import sys; sys.exit(0 if bus.name_has_owner("
                                  "'org.freedesktop.Notifications') else 1)");
             ++i)
            QTest::qWait(100);
    }
    ~NotificationServer() {
        server.kill();
        server.waitForFinished();
        bus.kill();
        bus.waitForFinished();
    }
    // Each call from its time stamp on (a body's line breaks stay in it).
    QStringList notifyCalls() const {
        QFile f(log);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        static const QRegularExpression stamp(QStringLiteral("(?:^|\n)(?=\\d+\\.\\d+ )"));
        static const QRegularExpression notify(QStringLiteral("^\\d+\\.\\d+ Notify \""));
        return QString::fromUtf8(f.readAll()).split(stamp, Qt::SkipEmptyParts).filter(notify);
    }
    // The user picks «Открыть» on notice id.
    void pickAction(uint id) {
        onBus(QStringLiteral("import dbus; bus.get_object('org.freedesktop.Notifications', "
                             "'/org/freedesktop/Notifications').EmitSignal('', 'ActionInvoked', 'us', "
                             "[dbus.UInt32(%1), 'default-open'], dbus_interface='org.freedesktop.DBus.Mock')")
                  .arg(id));
    }
    // Runs Python code with bus, a connection to the test's bus (through the
    // system's python3-dbus: the test itself keeps off D-Bus); true when it ends well.
    bool onBus(const QString& code) const {
        QProcess python;
        python.start(QStringLiteral("/usr/bin/python3"),
                     {"-c", QStringLiteral("import dbus\nbus = dbus.bus.BusConnection('%1')\n").arg(address) + code});
        return python.waitForFinished(10000) && python.exitStatus() == QProcess::NormalExit && python.exitCode() == 0;
    }

    QString address;
    QString log;
    QProcess bus, server;
};

struct Run {
    int status = -1;
    QString out, err;
    QString shown; // what the recording notification area showed
};

} // namespace

class TestReminders : public QObject {
    Q_OBJECT

    // A catalogue whose loans are due as rows tell: "(title, contact, return)".
    QString catalogue(AppHarness& app, const QString& name, const QStringList& rows) {
        app.makeCatalogue(name, {{"Книги", rows}}, {"1, 'Иванов Иван'"});
        return app.folder.path(name);
    }

    // What «zandrel --check-due» runs with: the test's own state and
    // opener, the bus given (none when empty), the recording area when named.
    QProcessEnvironment checkEnvironment(AppHarness& app, const QString& bus, const QString& record = {}) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_STATE_HOME"), app.folder.path("state"));
        env.insert(QStringLiteral("ZANDREL_OPEN_PROGRAM"), writeOpener(app.folder.root()));
        if (bus.isEmpty())
            env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        else
            env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus);
        if (!record.isEmpty())
            env.insert(QStringLiteral("ZANDREL_NOTICE_RECORD"), record);
        return env;
    }

    Run checkDue(AppHarness& app, const QStringList& arguments, const QString& bus) {
        QProcess p;
        const QString record = app.folder.path("notices.txt");
#ifdef _WIN32
        // Windows' own area would wait for the user: the recording one, each notice closed at once.
        QFile answers(record + ".answer");
        answers.open(QIODevice::WriteOnly);
        answers.write(QByteArray("close\n").repeated(10));
        answers.close();
        p.setProcessEnvironment(checkEnvironment(app, bus, record));
#else
        p.setProcessEnvironment(checkEnvironment(app, bus));
#endif
        p.start(QStringLiteral(ZANDREL_EXECUTABLE), QStringList{"--check-due"} + arguments);
        if (!p.waitForFinished(20000)) {
            p.kill();
            p.waitForFinished();
            QTest::qFail("zandrel --check-due did not end within 20 s", __FILE__, __LINE__);
            return {-1, {}, {}};
        }
        if (p.exitStatus() != QProcess::NormalExit)
            QTest::qFail("zandrel --check-due crashed", __FILE__, __LINE__);
        QFile shown(record);
        return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError()),
                shown.open(QIODevice::ReadOnly) ? QString::fromUtf8(shown.readAll()) : QString()};
    }

private slots:
    // The reminders window's letter: the user's own kept as typed, the
    // program's own kept as none (so a later program's own is used); a
    // line edited by hand read as it stands.
    void theLetterIsKept_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("letter"); // saved by the window; empty: the line below
        QTest::addColumn<QString>("line");   // the settings file's own line
        QTest::addColumn<QString>("kept");
        QTest::newRow("the user's own, two lines") << 0 << "Верните, пожалуйста,\nкнигу «%1»."
                                                   << ""
                                                   << "Верните, пожалуйста,\nкнигу «%1».";
        QTest::newRow("the program's own") << 0 << reminders::defaultLetter(0) << ""
                                           << "";
        QTest::newRow("the program's own second") << 1 << reminders::defaultLetter(1) << ""
                                                  << "";
        QTest::newRow("backslashes kept, the last letter") << 2 << "C:\\книги\\n\\\nконец\\"
                                                           << ""
                                                           << "C:\\книги\\n\\\nконец\\";
        QTest::newRow("by hand, a backslash last") << 0 << ""
                                                   << "Letter=До свидания\\"
                                                   << "До свидания\\";
        QTest::newRow("by hand, the second") << 1 << ""
                                             << "LetterAgain=Ещё раз"
                                             << "Ещё раз";
    }
    void theLetterIsKept() {
        QFETCH(int, kind);
        QFETCH(QString, letter);
        QFETCH(QString, line);
        QFETCH(QString, kept);
        AppHarness app;
        if (line.isEmpty()) {
            reminders::ReminderSettings settings;
            settings.letters[kind] = letter;
            QVERIFY(reminders::writeSettings(settings));
        } else {
            app.writeSettings("[Reminders]\n" + line + "\n");
        }
        const reminders::ReminderSettings read = reminders::readSettings();
        for (int other = 0; other < reminders::kLetterKinds; ++other)
            QCOMPARE(read.letters[other], other == kind ? kept : QString());
    }

    // The catalogues a check looks at: those chosen, else the last opened.
    void cataloguesToCheck_data() {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QStringList>("chosen"); // in the test's folder; empty: the last opened
        QTest::addColumn<bool>("any");
        QTest::newRow("chosen") << "[Options]\nDefaultBase=c.mdb\n[Reminders]\nCatalogues=%1/a.mdb|%1/b.mdb\n"
                                << QStringList{"a.mdb", "b.mdb"} << true;
        QTest::newRow("none chosen: the last opened") << "[Options]\nDefaultBase=c.mdb\n" << QStringList{} << true;
        QTest::newRow("nothing opened yet") << "" << QStringList{} << false;
    }
    void cataloguesToCheck() {
        QFETCH(QString, settings);
        QFETCH(QStringList, chosen);
        QFETCH(bool, any);
        AppHarness app;
        app.writeSettings(settings.contains("%1") ? settings.arg(app.folder.root()) : settings);
        QStringList expected;
        for (const QString& name : chosen)
            expected << app.folder.path(name);
        if (chosen.isEmpty() && any)
            expected << QDir(platform::catalogueFolder()).absoluteFilePath("c.mdb");
        QCOMPARE(reminders::cataloguesToCheck(), expected);
    }

    // The catalogues opened, each once, the latest first.
    void cataloguesOpenedAreRememberedOnce() {
        AppHarness app;
        for (const char* name : {"a.mdb", "b.mdb", "a.mdb", "a.mdb"})
            reminders::rememberCatalogue(app.folder.path(name));
        QCOMPARE(reminders::readSettings().known, (QStringList{app.folder.path("a.mdb"), app.folder.path("b.mdb")}));
    }

    // The notice lists the loans by due date, those of one day in the
    // tables' order; a table without all the loan columns is passed over.
    void noticeListsLoansByDate() {
        AppHarness app;
        const double today = day(2026, 12, 9);
        const QString due = QStringLiteral("1, %1");
        app.makeCatalogue("a.mdb",
                          {{"Игры", {"'Шахматы', " + due.arg(today)}},
                           {"Книги", {"'Идиот', " + due.arg(today + 1), "'Бесы', " + due.arg(today)}}},
                          {"1, 'Иванов Иван'"});
        engine::Connection c;
        c.setConnectionString(QStringLiteral("Data Source=") + app.folder.path("a.mdb"));
        c.open();
        c.execute("CREATE TABLE Заметки (id INTEGER PRIMARY KEY, title TEXT, return REAL)");
        c.execute(QStringLiteral("INSERT INTO Заметки (title, return) VALUES ('Записка', %1)").arg(today));
        c.close();
        const QString body = reminders::noticeOf("a.mdb", reminders::dueLoansOf(app.folder.path("a.mdb"), today)).body;
        QCOMPARE(body.split(u'\n').mid(1),
                 (QStringList{"Шахматы — Иванов Иван, вернуть сегодня", "Бесы — Иванов Иван, вернуть сегодня",
                              "Идиот — Иванов Иван, вернуть завтра"}));
    }

    void checkTellsOncePerDay_data() {
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QStringList>("arguments"); // given after the file, each run
        QTest::addColumn<int>("runs");
        QTest::addColumn<int>("notices");
        QTest::addColumn<QString>("told");
        const QString today = QString::number(platform::today());
        // A week overdue: a day of the default cadence (the day before, the day, then weekly).
        const QString ago = QString::number(platform::today() - 7), later = QString::number(platform::today() + 9);
        QTest::newRow("overdue, told once a day")
            << QStringList{"'Идиот', 1, " + ago, "'Бесы', 1, " + today, "'Дар', 1, " + later} << QStringList{} << 2 << 1
            << "Просрочено: 1, вернуть сегодня: 1, завтра: 0\nИдиот — Иванов "
               "Иван, просрочено 7 дн.\nБесы — Иванов Иван, вернуть сегодня";
        QTest::newRow("told again when forced") << QStringList{"'Идиот', 1, " + ago} << QStringList{"--force"} << 2 << 2
                                                << "Идиот — Иванов Иван, просрочено 7 дн.";
        QTest::newRow("nothing due, nothing told")
            << QStringList{"'Дар', 1, " + later, "'Нос', NULL, NULL"} << QStringList{} << 1 << 0 << "";
        QStringList many;
        for (int i = 1; i <= 7; ++i)
            many << QStringLiteral("'Том %1', 1, %2").arg(i).arg(platform::today() - 7 * i);
        QTest::newRow("five items, then how many more")
            << many << QStringList{} << 1 << 1 << "Том 3 — Иванов Иван, просрочено 21 дн.\nи ещё 2";
        QTest::newRow("overdue, not its day")
            << QStringList{"'Идиот', 1, " + QString::number(platform::today() - 3)} << QStringList{} << 1 << 0 << "";
    }
    void checkTellsOncePerDay() {
        QFETCH(QStringList, rows);
        QFETCH(QStringList, arguments);
        QFETCH(int, runs);
        QFETCH(int, notices);
        QFETCH(QString, told);
        NEEDS_HOST_TOOLS();
        AppHarness app;
        NotificationServer server(app.folder.root(), false);
        QVERIFY(!server.address.isEmpty());
        const QString file = catalogue(app, "Мой каталог.mdb", rows);
        const QByteArray before = hashOf(file);
        for (int i = 0; i < runs; ++i) {
            const Run run = checkDue(app, QStringList{file} + arguments, server.address);
            QCOMPARE(run.status, 0);
            QCOMPARE(run.out + run.err, QString());
        }
        const QStringList calls = server.notifyCalls();
        QCOMPARE(calls.size(), notices);
        QCOMPARE(hashOf(file), before);
        if (!notices)
            return;
        QVERIFY2(calls[0].contains("\"Zandrel: сроки возврата в каталоге «Мой каталог.mdb»\""), qPrintable(calls[0]));
        QVERIFY2(calls[0].contains(told), qPrintable(calls[0]));
        QVERIFY2(calls[0].contains("\"urgency\": 2") || calls[0].contains("'urgency': 2"), qPrintable(calls[0]));
        QVERIFY2(calls[0].contains("org.example.zandrel"), qPrintable(calls[0]));
    }

    // A month of days: a loan is told of the given days before its due date,
    // on it, and every so many days after it, and on no other day.
    void theCadenceOverAMonth_data() {
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("every");
        QTest::addColumn<QList<int>>("days"); // from the due date
        QTest::newRow("as set at first") << 1 << 7 << QList<int>{-1, 0, 7, 14, 21, 28};
        QTest::newRow("three days ahead, every ten") << 3 << 10 << QList<int>{-3, 0, 10, 20, 30};
        QTest::newRow("nothing ahead, every day") << 0 << 1 << [] {
            QList<int> days;
            for (int d = 0; d <= 30; ++d)
                days << d;
            return days;
        }();
    }
    void theCadenceOverAMonth() {
        QFETCH(int, before);
        QFETCH(int, every);
        QFETCH(QList<int>, days);
        AppHarness app;
        const double due = day(2026, 12, 9);
        const QString file = catalogue(app, "a.mdb", {QStringLiteral("'Идиот', 1, %1").arg(due)});
        QList<int> told;
        for (int d = -20; d <= 30; ++d)
            if (reminders::dueLoansOf(file, due + d, {before, every}).any())
                told << d;
        QCOMPARE(told, days);
        const reminders::DueLoans ahead = reminders::dueLoansOf(file, due - before, {before, every});
        if (before > 1)
            QCOMPARE(reminders::noticeOf("a.mdb", ahead).body,
                     QStringLiteral("Просрочено: 0, вернуть сегодня: 0, через %1 дн.: 1\nИдиот — Иванов Иван, "
                                    "вернуть через %1 дн.")
                         .arg(before));
    }

    // The notice tells each loan by the rule the grid colours it with: at
    // the edges of each day, with a time of day (kept from Access files) too.
    void noticeFollowsTheGridsRule_data() {
        QTest::addColumn<double>("offset"); // the due date, days from today
        QTest::addColumn<QString>("told");  // empty: not told
        QTest::newRow("two days ago") << -2.0 << "просрочено 2 дн.";
        QTest::newRow("yesterday noon") << -0.5 << "просрочено 1 дн.";
        QTest::newRow("a moment before today") << -0.001 << "просрочено 1 дн.";
        QTest::newRow("today") << 0.0 << "вернуть сегодня";
        QTest::newRow("today noon, as the grid leaves it uncoloured") << 0.5 << "вернуть завтра";
        QTest::newRow("tomorrow") << 1.0 << "вернуть завтра";
        QTest::newRow("tomorrow noon") << 1.5 << "";
        QTest::newRow("the day after tomorrow") << 2.0 << "";
    }
    void noticeFollowsTheGridsRule() {
        QFETCH(double, offset);
        QFETCH(QString, told);
        AppHarness app;
        const double today = day(2026, 12, 9);
        const QString file = catalogue(app, "a.mdb", {QStringLiteral("'Идиот', 1, %1").arg(today + offset, 0, 'f', 3)});
        const reminders::DueLoans due = reminders::dueLoansOf(file, today, {1, 1}); // every day once overdue
        QCOMPARE(due.any(), !told.isEmpty());
        if (told.isEmpty())
            return;
        const QString body = reminders::noticeOf("a.mdb", due).body;
        QCOMPARE(body.section(u'\n', 1), QStringLiteral("Идиот — Иванов Иван, ") + told);
        // The grid's colour says the same.
        const platform::DebtState state = platform::debtStateOf(today + offset, today);
        QCOMPARE(told.startsWith("просрочено"), state == platform::DebtState::Overdue);
        QCOMPARE(told == u"вернуть сегодня", state == platform::DebtState::DueToday);
    }

    // The check only reads: a catalogue with a journal a crashed program
    // left, or a file closed for writing, is as it was afterwards, journal
    // and all.
    void theCheckNeverWrites_data() {
        QTest::addColumn<bool>("journal");
        QTest::newRow("a journal left beside it") << true;
        QTest::newRow("a file closed for writing") << false;
    }
    void theCheckNeverWrites() {
        QFETCH(bool, journal);
        if (journal)
            NEEDS_HOST_TOOLS();
        AppHarness app;
        QStringList rows;
        for (int i = 0; i < 400; ++i)
            rows << QStringLiteral("'книга %1 %2', 1, %3").arg(i).arg(QString(30, u'ж')).arg(platform::today() - 7);
        const QString file = catalogue(app, "a.mdb", rows);
        if (journal) { // killed in the middle of a change that spilled to the file
            QProcess writer;
            writer.start("/usr/bin/python3", {"-c",
                                              "import os, signal, sqlite3, sys\n"
                                              "c = sqlite3.connect(sys.argv[1], isolation_level=None)\n"
                                              "c.execute('PRAGMA cache_size=2')\nc.execute('BEGIN')\n"
                                              "c.execute(\"UPDATE Книги SET title = 'x' || title\")\n"
                                              "os.kill(os.getpid(), signal.SIGKILL)",
                                              file});
            QVERIFY(writer.waitForFinished(10000));
            QVERIFY(QFileInfo(file + "-journal").size() > 0);
        } else {
            QFile::setPermissions(file, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        }
        const QByteArray before = hashOf(file), journalBefore = hashOf(file + "-journal");
        const Run run = checkDue(app, {file}, QString());
        QCOMPARE(run.status, 0);
        QCOMPARE(hashOf(file), before);
        QCOMPARE(hashOf(file + "-journal"), journalBefore);
        QCOMPARE(QFile::exists(file + "-journal"), journal);
        if (journal)
            QVERIFY2(run.err.startsWith(file + ": пропущен: "), qPrintable(run.out + run.err));
        else
            QVERIFY2((run.out + run.shown).contains("Просрочено: 400"), qPrintable(run.out + run.err));
        QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
    }

    // A service that fails on the second notice: the first is shown, the
    // second printed, neither told twice; a service without actions is not
    // waited for.
    void aNoticeTheServiceRefusesIsPrinted() {
        NEEDS_HOST_TOOLS();
        AppHarness app;
        NotificationServer server(app.folder.root(), false);
        QVERIFY(server.onBus("bus.get_object('org.freedesktop.Notifications', '/org/freedesktop/Notifications')"
                             ".AddMethod('org.freedesktop.Notifications', 'Notify', 'susssasa{sv}i', 'u', "
                             "'if \"b.mdb\" in args[3]: raise dbus.exceptions.DBusException(\"full\", "
                             "name=\"org.freedesktop.DBus.Error.Failed\")\\nret = 7', "
                             "dbus_interface='org.freedesktop.DBus.Mock')"));
        const QString a = catalogue(app, "a.mdb", {"'Идиот', 1, " + QString::number(platform::today() - 7)});
        const QString b = catalogue(app, "b.mdb", {"'Бесы', 1, " + QString::number(platform::today() - 14)});
        QElapsedTimer took;
        took.start();
        const Run run = checkDue(app, {a, b}, server.address);
        QVERIFY(took.elapsed() < 15000);
        QCOMPARE(run.status, 0);
        const QStringList calls = server.notifyCalls();
        QCOMPARE(calls.size(), 2); // the second refused
        QVERIFY2(calls[0].contains("«a.mdb»") && calls[0].contains(" [] "), qPrintable(calls[0]));
        QVERIFY2(!run.out.contains("a.mdb"), qPrintable(run.out));
        QVERIFY2(run.out.startsWith("Zandrel: сроки возврата в каталоге «b.mdb»\nПросрочено: 1,"), qPrintable(run.out));
        QCOMPARE(run.out.count("Zandrel:"), 1);
    }

    // Damaged, locked for writing, missing: skipped with a line each; the
    // others still told. Without a notification service: standard output.
    void unreadableCataloguesAreSkipped_data() {
        QTest::addColumn<bool>("withServer");
        QTest::newRow("notification") << true;
        QTest::newRow("no session bus: standard output") << false;
    }
    void unreadableCataloguesAreSkipped() {
        QFETCH(bool, withServer);
        NEEDS_HOST_TOOLS();
        AppHarness app;
        std::unique_ptr<NotificationServer> server;
        if (withServer)
            server = std::make_unique<NotificationServer>(app.folder.root(), false);
        const QString good = catalogue(app, "good.mdb", {"'Идиот', 1, " + QString::number(platform::today() - 7)});
        const QString locked = catalogue(app, "locked.mdb", {"'Бесы', 1, 1"});
        QFile damaged(app.folder.path("damaged.mdb"));
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write(QByteArray("SQLite format 3\0", 16) + QByteArray(3000, '\x5a'));
        damaged.close();
        // Another program in the middle of writing it.
        QProcess writer;
        writer.start("/usr/bin/python3", {"-c",
                                          "import sqlite3, sys, time\n"
                                          "c = sqlite3.connect(sys.argv[1], isolation_level=None)\n"
                                          "c.execute('BEGIN EXCLUSIVE')\nprint('locked', flush=True)\n"
                                          "time.sleep(60)",
                                          locked});
        QVERIFY(writer.waitForReadyRead(10000));
        const QByteArray lockedBefore = hashOf(locked), damagedBefore = hashOf(damaged.fileName());
        const Run run = checkDue(app, {damaged.fileName(), locked, app.folder.path("gone.mdb"), good},
                                 withServer ? server->address : QString());
        writer.kill();
        writer.waitForFinished();
        QCOMPARE(run.status, 0);
        const QStringList lines = run.err.split(u'\n', Qt::SkipEmptyParts);
        QVERIFY2(lines.size() == 3, qPrintable(run.err));
        QVERIFY2(lines[0].startsWith(damaged.fileName() + ": пропущен: "), qPrintable(lines[0]));
        QVERIFY2(lines[1].startsWith(locked + ": пропущен: ") && lines[1].contains("заблокирована"),
                 qPrintable(lines[1]));
        QVERIFY2(lines[2].contains("не найден"), qPrintable(lines[2]));
        QCOMPARE(hashOf(locked), lockedBefore);
        QCOMPARE(hashOf(damaged.fileName()), damagedBefore);
        if (withServer) {
            QCOMPARE(server->notifyCalls().size(), 1);
            QCOMPARE(run.out, QString());
        } else {
            QVERIFY(run.out.startsWith("Zandrel: сроки возврата в каталоге «good.mdb»\nПросрочено: 1,"));
        }
    }

    // «Открыть» on a notice starts the program on that catalogue with its debts shown.
    void openStartsTheProgramWithItsDebts() {
        NEEDS_HOST_TOOLS();
        AppHarness app;
        NotificationServer server(app.folder.root(), true);
        const QString file = catalogue(app, "a.mdb", {"'Идиот', 1, " + QString::number(platform::today())});
        QProcess p;
        p.setProcessEnvironment(checkEnvironment(app, server.address));
        p.start(QStringLiteral(ZANDREL_EXECUTABLE), {"--check-due", file});
        QTRY_COMPARE_WITH_TIMEOUT(server.notifyCalls().size(), 1, 10000);
        QVERIFY(p.state() == QProcess::Running); // waiting for the answer
        server.pickAction(99);                   // another program's notice
        QTest::qWait(300);
        QVERIFY(p.state() == QProcess::Running);
        QCOMPARE(openedWith(app.folder.root()), QString());
        server.pickAction(1);
        QVERIFY(p.waitForFinished(10000));
        QTRY_COMPARE_WITH_TIMEOUT(openedWith(app.folder.root()), "--debts " + file, 10000);
    }

    // The notices in a notification area, as Windows shows them (recorded):
    // the summary and text of the desktop's notices, a warning for what is
    // overdue; the one clicked starts the program on its catalogue with its
    // debts; once each is clicked or closed the check ends. The answers
    // arrive in pieces, as another program writes them.
    void theNoticesInTheArea_data() {
        QTest::addColumn<QString>("answers");
        QTest::addColumn<QString>("opened"); // the catalogue started on; empty: none
        QTest::newRow("the first clicked") << "click 0\nclose\n"
                                           << "a.mdb";
        QTest::newRow("the second clicked") << "close\nclick 1\n"
                                            << "b.mdb";
        QTest::newRow("both closed") << "close\nclose\n"
                                     << "";
    }
    void theNoticesInTheArea() {
        QFETCH(QString, answers);
        QFETCH(QString, opened);
        AppHarness app;
        const QString a = catalogue(app, "a.mdb", {"'Идиот', 1, " + QString::number(platform::today() - 14)});
        const QString b = catalogue(app, "b.mdb", {"'Бесы', 1, " + QString::number(platform::today() + 1)});
        const QString record = app.folder.path("notices.txt");
        QProcess p;
        p.setProcessEnvironment(checkEnvironment(app, QString(), record));
        p.start(QStringLiteral(ZANDREL_EXECUTABLE), {"--check-due", a, b});
        const auto shown = [&] {
            QFile f(record);
            return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
        };
        QTRY_COMPARE_WITH_TIMEOUT(shown().count(u'\n'), 2, 30000);
        QCOMPARE(shown(), QStringLiteral("0\twarning\t60000\tZandrel: сроки возврата в каталоге «a.mdb»\t"
                                         "Просрочено: 1, вернуть сегодня: 0, завтра: 0\\nИдиот — Иванов Иван, "
                                         "просрочено 14 дн.\n"
                                         "1\tinformation\t15000\tZandrel: сроки возврата в каталоге «b.mdb»\t"
                                         "Просрочено: 0, вернуть сегодня: 0, завтра: 1\\nБесы — Иванов Иван, "
                                         "вернуть завтра\n"));
        QFile answer(record + ".answer");
        QVERIFY(answer.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        answer.write(answers.left(3).toUtf8());
        QTest::qWait(300);                       // read in the middle of a line
        QVERIFY(p.state() == QProcess::Running); // waiting for the answers
        answer.write(answers.mid(3).toUtf8());
        answer.close();
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitCode(), 0);
        QCOMPARE(p.readAllStandardOutput(), QByteArray());
        if (opened.isEmpty()) {
            QTest::qWait(500); // an opener started regardless would have written by now
            QCOMPARE(openedWith(app.folder.root()), QString());
        } else {
            QTRY_COMPARE_WITH_TIMEOUT(openedWith(app.folder.root()), "--debts " + app.folder.path(opened), 30000);
        }
    }

    // «zandrel --debts FILE», as «Открыть» starts it: the catalogue with the
    // tables that have loans due listed, as the debt search shows them.
    void debtsOptionShowsTheDebtSearch() {
        AppHarness app;
        ScriptedMessageBoxes boxes;
        app.makeCatalogue("a.mdb", {{"Диски", {"'Кино', 1, 1"}}, {"Книги", {"'Дар', 1, NULL"}}}, {"1, 'Ира'"});
        const QString file = Program::ParseCommandLine({"zandrel", "--debts", app.folder.path("a.mdb")}).file;
        QCOMPARE(file, app.folder.path("a.mdb"));
        app.program = std::make_unique<Program>();
        app.program->openOnStart(file);
        app.program->show();
        QVERIFY(QTest::qWaitForWindowActive(app.main()));
        QTRY_VERIFY(app.ui()->lbTableList->isVisible());
        QCOMPARE(app.ui()->lbTableList->count(), 1);
        QCOMPARE(app.ui()->lbTableList->item(0)->text(), QStringLiteral("Диски"));
        QVERIFY(DebtsMode);
        app.quit(boxes);
    }

    // Letters (to every debtor with an overdue loan, or from the contacts
    // window to one) and the copied reminder: each given is recorded as
    // «напомнено» for the loans it names; a preview closed unprinted is not.
    void remindersGivenAreRecorded_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("letter"); // what the PDF says, one page
        QTest::addColumn<QStringList>("events");
        QTest::newRow("letters in PDF") << "iLettersPdf"
                                        << "Здравствуйте, Иванов Иван!" << QStringList{"Бесы/1", "Идиот/1"};
        QTest::newRow("one contact's letter in PDF") << "iLetterPdf"
                                                     << "Здравствуйте, Петров Пётр!" << QStringList{"Дар/2"};
        QTest::newRow("copied in the contacts window") << "tbReminder"
                                                       << "" << QStringList{"Бесы/1", "Идиот/1"};
        QTest::newRow("letters previewed, not printed") << "iLetters"
                                                        << "" << QStringList{};
    }
    void remindersGivenAreRecorded() {
        QFETCH(QString, how);
        QFETCH(QString, letter);
        QFETCH(QStringList, events);
        AppHarness app;
        ScriptedMessageBoxes boxes;
        ScriptedFileDialogs dialogs;
        const QString ago = QString::number(platform::today() - 4), later = QString::number(platform::today() + 5);
        app.makeCatalogue("a.mdb", {{"Книги", {"'Идиот', 1, " + ago, "'Бесы', 1, " + later, "'Дар', 2, " + later}}},
                          {"1, 'Иванов Иван'", "2, 'Петров Пётр'"});
        app.writeSettings("[Options]\nDefaultBase=a.mdb\n");
        app.start();
        if (how.endsWith("Pdf"))
            dialogs.choose(app.folder.path("letters.pdf"));
        if (how == "iLettersPdf") {
            app.find<QAction>("iLettersPdf")->trigger();
        } else if (how == "iLetters") {
            whenModalShown([](QWidget* preview) {
                QCOMPARE(preview->findChild<QPrintPreviewWidget*>()->pageCount(), 1); // Петров has nothing overdue
                preview->close();
            });
            app.find<QAction>("iLetters")->trigger();
        } else {
            whenModalShown([&](QWidget* contacts) {
                if (how == "iLetterPdf")
                    contacts->findChild<QTableView*>("DBGrid")->setCurrentIndex(
                        contacts->findChild<QTableView*>("DBGrid")->model()->index(1, 0));
                contacts->findChild<QAction*>(how)->trigger();
                if (how == "tbReminder")
                    QVERIFY(QGuiApplication::clipboard()->text().contains("«Идиот»"));
                QVERIFY(contacts->findChild<QLabel*>("lHint")->text().startsWith("Напомнено "));
                contacts->close();
            });
            app.find<QAction>("tbContacts")->trigger();
        }
        if (!letter.isEmpty() && QStandardPaths::findExecutable("pdftotext").isEmpty()) {
            QFile pdf(app.folder.path("letters.pdf")); // no reader of its text here: a PDF at least
            QVERIFY(pdf.open(QIODevice::ReadOnly) && pdf.read(5) == "%PDF-");
        } else if (!letter.isEmpty()) {
            QProcess text;
            text.start("pdftotext", {"-layout", app.folder.path("letters.pdf"), "-"});
            QVERIFY(text.waitForFinished());
            const QString pages = QString::fromUtf8(text.readAllStandardOutput());
            QCOMPARE(pages.count(u'\f'), 1);
            QVERIFY2(pages.contains(letter), qPrintable(pages));
            QVERIFY2(pages.contains("- «" + events.last().section('/', 0, 0) + "» (таблица «Книги»), вернуть до"),
                     qPrintable(pages));
            if (how == "iLettersPdf")
                QVERIFY2(pages.contains("просрочено на 4 дня") && !pages.contains("Дар"), qPrintable(pages));
        }
        app.quit(boxes);
        QStringList recorded;
        engine::Connection c;
        c.setConnectionString("Data Source=" + app.folder.path("a.mdb"));
        c.open();
        engine::Query q(&c, "events");
        q.addSql("SELECT title, contact FROM _loans WHERE event = 7 ORDER BY title");
        q.open();
        for (int r = 0; r < q.recordCount(); ++r)
            recorded << q.textValue(r, 0) + "/" + q.textValue(r, 1);
        QCOMPARE(recorded, events);
    }

    // Letters go by the reminders a debtor's loans have had: the first,
    // the second, the last and after it the last again; a debtor reminded
    // within the cadence's days is left out unless the user asks for them.
    void lettersAreNumberedByTheirReminders_data() {
        QTest::addColumn<bool>("includeRecent");
        QTest::addColumn<QStringList>("pages");
        const QStringList older{"Первое: Андреев", "Второе: Борисов", "Последнее: Васильев", "Последнее: Григорьев"};
        QTest::newRow("the recently reminded left out") << false << older;
        QTest::newRow("the recently reminded asked for") << true << older + QStringList{"Второе: Дмитриев"};
    }
    void lettersAreNumberedByTheirReminders() {
        QFETCH(bool, includeRecent);
        QFETCH(QStringList, pages);
        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            QSKIP("needs pdftotext");
        AppHarness app;
        ScriptedMessageBoxes boxes;
        ScriptedFileDialogs dialogs;
        const double today = platform::today();
        const QString ago = QString::number(today - 40);
        app.makeCatalogue("a.mdb",
                          {{"Книги",
                            {"'А', 1, " + ago, "'Б', 2, " + ago, "'В', 3, " + ago, "'Г', 4, " + ago, "'Д', 5, " + ago,
                             "'Е', 5, " + QString::number(today + 3)}}},
                          {"1, 'Андреев'", "2, 'Борисов'", "3, 'Васильев'", "4, 'Григорьев'", "5, 'Дмитриев'"});
        app.writeSettings("[Options]\nDefaultBase=a.mdb\n[Reminders]\nEvery=7\nLetter=Первое: {имя}\n"
                          "LetterAgain=Второе: {имя}\nLetterLast=Последнее: {имя}\n");
        app.start();
        // Reminders given before: by the contacts, on the days given.
        const auto remind = [&](qint64 contact, double day) {
            QList<shape::Loan> loans = reports::currentLoans(*DM->ADOConnection, {"Книги"}, *DM->Contacts, contact);
            platform::pinToday(day);
            loanhistory::recordReminder(*DM->ADOConnection, loans.mid(0, 1));
            platform::pinToday(std::nullopt);
        };
        remind(2, today - 30);
        for (const double day : {today - 30, today - 20})
            remind(3, day);
        for (const double day : {today - 30, today - 20, today - 10})
            remind(4, day);
        remind(5, today - 6);
        boxes.answer(includeRecent ? platform::Answer::Yes : platform::Answer::No);
        dialogs.choose(app.folder.path("letters.pdf"));
        app.find<QAction>("iLettersPdf")->trigger();
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(boxes.last().text,
                 QStringLiteral("За последние 7 дней уже напоминали: Дмитриев.\nВключить напомненных недавно?"));
        QProcess text;
        text.start("pdftotext", {app.folder.path("letters.pdf"), "-"});
        QVERIFY(text.waitForFinished());
        QStringList read = QString::fromUtf8(text.readAllStandardOutput()).split(u'\f', Qt::SkipEmptyParts);
        for (QString& page : read)
            page = page.trimmed();
        read.removeAll(QString());
        QCOMPARE(read, pages);
        app.quit(boxes);
    }

    // A letter of each kind in a tab of its own, reached by the keyboard:
    // «Письмо по умолчанию» puts back the shown one alone; OK keeps each.
    void theWindowKeepsALetterOfEachKind() {
        AppHarness app;
        ScriptedMessageBoxes boxes;
        const QByteArray config = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", app.folder.path("config").toUtf8());
        catalogue(app, "a.mdb", {});
        app.writeSettings("[Options]\nDefaultBase=a.mdb\n[Reminders]\nLetter=Моё первое\nLetterAgain=Моё второе\n");
        app.start();
        whenModalShown([&](QWidget* window) {
            const auto letter = [&](const char* name) { return window->findChild<QPlainTextEdit*>(name); };
            QCOMPARE(letter("mLetter")->toPlainText(), QStringLiteral("Моё первое"));
            QCOMPARE(letter("mLetterLast")->toPlainText(), reminders::defaultLetter(2));
            letter("mLetter")->setFocus();
            QTest::keyClick(letter("mLetter"), Qt::Key_Tab, Qt::ControlModifier); // to «Повторное напоминание»
            QVERIFY(letter("mLetterAgain")->isVisible());
            QCOMPARE(letter("mLetterAgain")->toPlainText(), QStringLiteral("Моё второе"));
            click(window->findChild<QPushButton*>("bbDefaultLetter"));
            QCOMPARE(letter("mLetterAgain")->toPlainText(), reminders::defaultLetter(1));
            QCOMPARE(letter("mLetter")->toPlainText(), QStringLiteral("Моё первое"));
            letter("mLetterAgain")->setFocus();
            QTest::keyClick(letter("mLetterAgain"), Qt::Key_Tab, Qt::ControlModifier); // to «Последнее напоминание»
            letter("mLetterLast")->setFocus();
            letter("mLetterLast")->selectAll();
            QTest::keyClicks(letter("mLetterLast"), "Last, {name}");
            boxes.answer(platform::Answer::Ok);
            click(window->findChild<QPushButton*>("bbOk"));
        });
        app.find<QAction>("iReminders")->trigger();
        const reminders::ReminderSettings kept = reminders::readSettings();
        QCOMPARE(kept.letters[0], QStringLiteral("Моё первое"));
        QCOMPARE(kept.letters[1], QString()); // the program's own: kept as none
        QCOMPARE(kept.letters[2], QStringLiteral("Last, {name}"));
        app.quit(boxes);
        qputenv("XDG_CONFIG_HOME", config);
    }

    // The window switches the daily check on and off: through a user
    // service manager (a stand-in systemctl that records what it is asked)
    // the timer, without one the autostart entry; the unit files it writes
    // pass the service manager's own check.
    void theWindowSetsUpTheDailyRun_data() {
        QTest::addColumn<bool>("manager");
        QTest::newRow("user service manager: timer") << true;
        QTest::newRow("none: autostart") << false;
    }
    void theWindowSetsUpTheDailyRun() {
        QFETCH(bool, manager);
#ifdef _WIN32
        QSKIP("Linux's service manager; Windows' Task Scheduler is tested with the platform");
#endif
        AppHarness app;
        ScriptedMessageBoxes boxes;
        const QByteArray config = qgetenv("XDG_CONFIG_HOME"), path = qgetenv("PATH");
        qputenv("XDG_CONFIG_HOME", app.folder.path("config").toUtf8());
        QDir().mkpath(app.folder.path("bin"));
        QFile systemctl(app.folder.path("bin/systemctl"));
        QVERIFY(systemctl.open(QIODevice::WriteOnly));
        systemctl.write(QStringLiteral("#!/bin/sh\necho \"$@\" >> \"%1\"\nexit %2\n")
                            .arg(app.folder.path("systemctl.log"))
                            .arg(manager ? 0 : 1)
                            .toUtf8());
        systemctl.close();
        systemctl.setPermissions(systemctl.permissions() | QFile::ExeOwner);
        qputenv("PATH", app.folder.path("bin").toUtf8() + ':' + path);
        const auto asked = [&] {
            QFile log(app.folder.path("systemctl.log"));
            const QStringList lines = log.open(QIODevice::ReadOnly)
                                          ? QString::fromUtf8(log.readAll()).split(u'\n', Qt::SkipEmptyParts)
                                          : QStringList();
            QFile::remove(log.fileName());
            return lines;
        };
        catalogue(app, "a.mdb", {});
        app.writeSettings("[Options]\nDefaultBase=a.mdb\n");
        app.start();
        const auto use = [&](bool on) {
            whenModalShown([&](QWidget* window) {
                window->findChild<QCheckBox*>("cbRemind")->setChecked(on);
                window->findChild<QTimeEdit*>("teTime")->setTime(QTime(7, 30));
                QCOMPARE(window->findChild<QTimeEdit*>("teTime")->isEnabled(), on);
                // The cadence typed: three days ahead, then every ten days.
                for (const auto& [box, value] : {std::pair{"sbBefore", "3"}, std::pair{"sbEvery", "10"}}) {
                    auto* spin = window->findChild<QSpinBox*>(box);
                    QCOMPARE(spin->isEnabled(), on);
                    spin->setFocus();
                    spin->selectAll();
                    QTest::keyClicks(spin, value);
                }
                QCOMPARE(window->findChild<QListWidget*>("lbCatalogues")->item(0)->checkState(), Qt::Checked);
                boxes.answer(platform::Answer::Ok);
                click(window->findChild<QPushButton*>("bbOk"));
            });
            app.find<QAction>("iReminders")->trigger();
        };
        use(true);
        QVERIFY(app.settings().contains("Catalogues=" + app.folder.path("a.mdb")));
        QVERIFY(app.settings().contains("Before=3\n") && app.settings().contains("Every=10\n"));
        whenModalShown([&](QWidget* window) { // changed, then given up: nothing written
            window->findChild<QSpinBox*>("sbBefore")->setValue(9);
            click(window->findChild<QPushButton*>("bbCancel"));
        });
        app.find<QAction>("iReminders")->trigger();
        QVERIFY(app.settings().contains("Before=3\n"));
        const QString entry = platform::dailyRunAutostartFile();
        if (manager) {
            QCOMPARE(asked(), (QStringList{"--user daemon-reload", "--user enable --now zandrel-check-due.timer"}));
            QVERIFY(boxes.last().text.startsWith(QStringLiteral("Проверка настроена: таймер systemd пользователя, "
                                                                "каждый день в 07:30")));
            QVERIFY(QFile::exists(platform::dailyRunTimerFile()) && QFile::exists(platform::dailyRunServiceFile()));
            QVERIFY(!QFile::exists(entry));
            use(false);
            QCOMPARE(asked(), (QStringList{"--user disable --now zandrel-check-due.timer", "--user daemon-reload"}));
            QVERIFY(!QFile::exists(platform::dailyRunTimerFile()) && !QFile::exists(platform::dailyRunServiceFile()));
            app.quit(boxes);
            qputenv("XDG_CONFIG_HOME", config);
            qputenv("PATH", path);
            return;
        }
        QCOMPARE(asked(), QStringList{"--user daemon-reload"}); // refused: no timer
        QVERIFY(!QFile::exists(platform::dailyRunTimerFile()));
        QVERIFY2(QFile::exists(entry), qPrintable(boxes.last().text));
        QCOMPARE(boxes.last().text, QStringLiteral("Проверка настроена: автозапуск при входе в систему."));
        if (!QStandardPaths::findExecutable("desktop-file-validate").isEmpty()) {
            QProcess validate;
            validate.start("desktop-file-validate", {entry});
            QVERIFY(validate.waitForFinished());
            QCOMPARE(validate.readAll(), QByteArray());
            QCOMPARE(validate.exitCode(), 0);
        }
        use(false);
        QVERIFY(!QFile::exists(entry));
        if (!QStandardPaths::findExecutable("systemd-analyze").isEmpty()) {
            const QString units = app.folder.path("units");
            QDir().mkpath(units);
            QFile service(units + "/zandrel-check-due.service"), timer(units + "/zandrel-check-due.timer");
            QVERIFY(service.open(QIODevice::WriteOnly) && timer.open(QIODevice::WriteOnly));
            service.write(platform::serviceUnitText(ZANDREL_EXECUTABLE, {"--check-due"}).toUtf8());
            timer.write(platform::timerUnitText(QTime(7, 30)).toUtf8());
            service.close();
            timer.close();
            QProcess verify;
            verify.start("systemd-analyze", {"verify", timer.fileName(), service.fileName()});
            QVERIFY(verify.waitForFinished(30000));
            QVERIFY2(verify.exitCode() == 0, verify.readAllStandardError().constData());
            QVERIFY(platform::timerUnitText(QTime(7, 30)).contains("OnCalendar=*-*-* 07:30:00\nPersistent=true"));
        }
        app.quit(boxes);
        qputenv("XDG_CONFIG_HOME", config);
        qputenv("PATH", path);
    }
};

QTEST_MAIN(TestReminders)
#include "tst_reminders.moc"
