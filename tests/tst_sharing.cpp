// A catalogue others use too: what another program commits shows in the
// open windows, the current row kept; on a network folder the exit backs
// up but does not compact, and the compaction by hand says what it does.
#include "AppHarness.h"

#include "backups/Backups.h"
#include "controls/Writers.h"
#include "dialogs/CEditUnit.h"
#include "dialogs/ContactsUnit.h"
#include "dialogs/EditUnit.h"
#include "dialogs/TSelectUnit.h"
#include "platform/Files.h"
#include "platform/LockNote.h"
#include "platform/Today.h"

#include <QClipboard>
#include <QCryptographicHash>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QtTest>

#include <csignal>
#ifndef _WIN32
#include <sys/resource.h>
#endif

class TestSharing : public QObject {
    Q_OBJECT

    // Another program's change, committed through a connection of its own.
    static void elsewhere(const QString& file, const QString& statement) {
        engine::Connection other;
        other.setConnectionString("Data Source=" + file);
        other.open();
        other.execute(statement);
    }

private slots:
    // The first program on file: Zandrel itself, from a folder of its own,
    // once its note is there.
    static void startFirstProgram(AppHarness& app, const QString& file, QProcess& first) {
        QDir().mkpath(app.folder.path("first"));
#ifdef _WIN32
        const QString program = app.folder.path("first/zandrel.exe");
#else
        const QString program = app.folder.path("first/zandrel");
#endif
        QFile::copy(ZANDREL_EXECUTABLE, program);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("XDG_DATA_HOME", app.folder.path("first"));
        env.insert("XDG_STATE_HOME", app.folder.path("first"));
        first.setProcessEnvironment(env);
        first.start(program, {file});
        QTRY_VERIFY_WITH_TIMEOUT(platform::readLockNote(file) && platform::readLockNote(file)->ownerAlive(), 10000);
        QCOMPARE(platform::readLockNote(file)->process, first.processId());
    }

    // A program killed with the catalogue open leaves its note; the next
    // opening replaces it without asking.
    void aKilledProgramsNoteIsReplaced() {
        AppHarness app;
        ScriptedMessageBoxes boxes;
        app.makeCatalogue("a.mdb", {{"Books", {"'один', NULL, NULL"}}});
        const QString file = app.folder.path("a.mdb");
        QProcess first;
        startFirstProgram(app, file, first);
        first.kill();
        QVERIFY(first.waitForFinished());
        QVERIFY(QFile::exists(platform::lockNotePath(file)));
        app.writeSettings("[Options]\nDefaultBase=a.mdb\n");
        app.start();
        QCOMPARE(boxes.count(), 0);
        QCOMPARE(app.main()->windowTitle(), QStringLiteral("Zandrel - a.mdb(Books)"));
        QVERIFY(platform::readLockNote(file)->ours());
        app.quit(boxes);
    }

    // An opening that does not end in an open catalogue leaves nothing
    // beside the file; a note that cannot be written (a full disk) neither,
    // and the catalogue opens all the same.
    void failedOpeningsLeaveNoNote_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message"); // empty: opened
        QTest::newRow("text file") << "text"
                                   << "не является базой данных";
        QTest::newRow("damaged file") << "damaged"
                                      << "поврежден";
        QTest::newRow("not a catalogue") << "foreign"
                                         << "не является базой данных каталогизатора";
        QTest::newRow("locked by another program") << "locked"
                                                   << "заблокирован";
#ifndef _WIN32
        QTest::newRow("full disk") << "full"
                                   << "";
#endif
    }
    void failedOpeningsLeaveNoNote() {
        QFETCH(QString, kind);
        QFETCH(QString, message);
        AppHarness app;
        ScriptedMessageBoxes boxes;
        ScriptedFileDialogs dialogs;
        app.makeCatalogue("a.mdb", {{"Books", {}}});
        const QString file = app.folder.path("a.mdb");
        engine::Connection other;
        if (kind == u"text" || kind == u"damaged") {
            QFile f(file);
            QVERIFY(f.open(QIODevice::ReadWrite));
            if (kind == u"text")
                f.resize(0);
            f.seek(kind == u"text" ? 0 : 100);
            f.write(QByteArray(kind == u"text" ? "Название;Вид\n" : "\xff\xfe damaged page \xff").repeated(300));
        } else if (kind == u"foreign") {
            QFile::remove(file);
            engine::createDatabase(file);
            elsewhere(file, "CREATE TABLE prices (id INTEGER)");
        } else if (kind == u"locked") {
            other.setConnectionString("Data Source=" + file);
            other.open();
            other.execute("BEGIN EXCLUSIVE");
            other.execute("DELETE FROM Books");
        }
        const QStringList before = QDir(app.folder.root()).entryList(QDir::Files | QDir::Hidden);
        app.start();
        if (!message.isEmpty())
            boxes.answer(platform::Answer::Ok);
        dialogs.choose(file);
#ifndef _WIN32
        // A disk with no room for one more byte: every write fails.
        struct rlimit limits {};
        getrlimit(RLIMIT_FSIZE, &limits);
        const struct rlimit full { 0, limits.rlim_max };
        const auto previous = std::signal(SIGXFSZ, SIG_IGN);
        if (kind == u"full")
            setrlimit(RLIMIT_FSIZE, &full);
#endif
        app.ui()->iSelectDB->trigger();
#ifndef _WIN32
        setrlimit(RLIMIT_FSIZE, &limits);
        std::signal(SIGXFSZ, previous);
#endif
        if (message.isEmpty())
            QCOMPARE(app.main()->windowTitle(), QStringLiteral("Zandrel - a.mdb(Books)"));
        else
            QVERIFY2(boxes.last().text.contains(message), qPrintable(boxes.last().text));
        QCOMPARE(QDir(app.folder.root()).entryList(QDir::Files | QDir::Hidden), before);
    }

    // A note is read as another program would while it is being made:
    // never half of it; an empty or unreadable one counts for a minute.
    void notesThatNameNobody_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("secondsAgo");
        QTest::addColumn<bool>("alive");
        QTest::newRow("empty, just made") << QByteArray() << 0 << true;
        QTest::newRow("empty, long ago") << QByteArray() << 120 << false;
        QTest::newRow("cut short, just made") << QByteArray("user=Ира\ncompu") << 5 << true;
        QTest::newRow("cut short, long ago") << QByteArray("user=Ира\ncompu") << 61 << false;
    }
    void notesThatNameNobody() {
        QFETCH(QByteArray, text);
        QFETCH(int, secondsAgo);
        QFETCH(bool, alive);
        TestFolder folder;
        const QString file = folder.path("a.mdb");
        QFile note(platform::lockNotePath(file));
        QVERIFY(note.open(QIODevice::WriteOnly));
        note.write(text);
        note.flush();
        note.setFileTime(QDateTime::currentDateTime().addSecs(-secondsAgo), QFileDevice::FileModificationTime);
        note.close();
        const std::optional<platform::LockNote> read = platform::readLockNote(file);
        QVERIFY(read);
        QVERIFY(!read->readable());
        QCOMPARE(read->ownerAlive(), alive);
        // Never replaced by a claim; a program that saw it replaces only what it saw.
        QCOMPARE(platform::claimLockNote(file), platform::NoteClaim::Taken);
        platform::removeLockNote(file); // not this program's to remove
        QCOMPARE(QDir(folder.root()).entryList(QDir::Files | QDir::Hidden), QStringList{"a.mdb.lock"});
        QFile changed(platform::lockNotePath(file));
        QVERIFY(changed.open(QIODevice::WriteOnly | QIODevice::Append));
        changed.write("process=1\n"); // another program took it over meanwhile
        changed.close();
        QCOMPARE(platform::takeOverLockNote(file, *read), platform::NoteClaim::Taken);
        QCOMPARE(platform::readLockNote(file)->text, text + "process=1\n");
        QCOMPARE(platform::takeOverLockNote(file, *platform::readLockNote(file)), platform::NoteClaim::Made);
        QVERIFY(platform::readLockNote(file)->ours());
        QCOMPARE(QDir(folder.root()).entryList(QDir::Files | QDir::Hidden), QStringList{"a.mdb.lock"});
    }

    // A claim this process cut short (its own half-written file left beside
    // the catalogue) does not keep the next one from being made.
    void aClaimCutShortIsMadeAgain() {
        TestFolder folder;
        const QString file = folder.path("a.mdb");
        QFile left(platform::lockNotePath(file) + QStringLiteral(".%1.tmp").arg(QCoreApplication::applicationPid()));
        QVERIFY(left.open(QIODevice::WriteOnly));
        left.write("user=Ира\ncompu");
        left.close();
        QCOMPARE(platform::claimLockNote(file), platform::NoteClaim::Made);
        QVERIFY(platform::readLockNote(file)->ours());
        QCOMPARE(QDir(folder.root()).entryList(QDir::Files | QDir::Hidden), QStringList{"a.mdb.lock"});
        platform::removeLockNote(file);
    }

    // Without USER and its kin, the note names the account as the system knows it.
    void theNoteNamesTheAccount() {
        TestFolder folder;
        QProcess whoami;
        whoami.start("whoami", {});
        if (!whoami.waitForFinished(5000))
            QSKIP("needs whoami");
        const QString account = QString::fromLocal8Bit(whoami.readAllStandardOutput()).trimmed();
        QByteArray saved[3];
        const char* names[] = {"USER", "USERNAME", "LOGNAME"};
        for (int i = 0; i < 3; ++i) {
            saved[i] = qgetenv(names[i]);
            qunsetenv(names[i]);
        }
        const platform::NoteClaim claim = platform::claimLockNote(folder.path("a.mdb"));
        for (int i = 0; i < 3; ++i)
            if (!saved[i].isNull())
                qputenv(names[i], saved[i]);
        QCOMPARE(claim, platform::NoteClaim::Made);
        QCOMPARE(platform::readLockNote(folder.path("a.mdb"))->user, account.section(u'\\', -1));
    }

    // Two programs started at one moment: exactly one has the catalogue for
    // writing, the other is always asked; also where a killed program's
    // note lay there before (every other round ends by a kill).
    void twoProgramsStartedTogether() {
        AppHarness app;
        app.makeCatalogue("a.mdb", {{"Books", {"'один', NULL, NULL"}}});
        const QString file = app.folder.path("a.mdb");
        const int rounds = qEnvironmentVariableIntValue("ZANDREL_SHARING_ROUNDS") > 0
                               ? qEnvironmentVariableIntValue("ZANDREL_SHARING_ROUNDS")
                               : 16;
        QProcess programs[2];
        for (int i = 0; i < 2; ++i) {
            const QString folder = app.folder.path(QStringLiteral("p%1").arg(i));
            QDir().mkpath(folder);
#ifdef _WIN32
            QVERIFY(QFile::copy(ZANDREL_SHARING_HELPER, folder + "/zandrel.exe"));
#else
            QVERIFY(QFile::copy(ZANDREL_SHARING_HELPER, folder + "/zandrel"));
#endif
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("XDG_DATA_HOME", folder);
            env.insert("XDG_STATE_HOME", folder);
            programs[i].setProcessEnvironment(env);
        }
        const auto lineOf = [](QProcess& p) {
            while (!p.canReadLine())
                if (!p.waitForReadyRead(20000))
                    return QString();
            return QString::fromUtf8(p.readLine()).trimmed();
        };
        for (int round = 0; round < rounds; ++round) {
            for (int i = 0; i < 2; ++i) {
                QFile::remove(app.folder.path(QStringLiteral("p%1/Zandrel.ini").arg(i))); // no catalogue remembered
#ifdef _WIN32
                programs[i].start(app.folder.path(QStringLiteral("p%1/zandrel.exe").arg(i)), {file});
#else
                programs[i].start(app.folder.path(QStringLiteral("p%1/zandrel").arg(i)), {file});
#endif
                QCOMPARE(lineOf(programs[i]), QStringLiteral("ready"));
            }
            for (QProcess& p : programs)
                p.write("go\n");
            QStringList said[2];
            for (int i = 0; i < 2; ++i)
                do
                    said[i] << lineOf(programs[i]);
                while (said[i].last().startsWith(u"box: "));
            const int writer = said[0].last() == u"writing" ? 0 : 1;
            QVERIFY2(
                said[writer].last() == u"writing" && said[1 - writer].last() == u"left",
                qPrintable(QStringLiteral("round %1: %2 | %3").arg(round).arg(said[0].join(u'/'), said[1].join(u'/'))));
            QVERIFY2(said[1 - writer].first().startsWith(QStringLiteral("box: Каталог 'a.mdb' открыт: ")),
                     qPrintable(said[1 - writer].join(u'/')));
            QCOMPARE(platform::readLockNote(file)->process, programs[writer].processId());
            programs[1 - writer].write("\n");
            QVERIFY(programs[1 - writer].waitForFinished(20000));
            if (round % 2) {
                programs[writer].kill();
            } else {
                programs[writer].write("\n");
            }
            QVERIFY(programs[writer].waitForFinished(20000));
            QCOMPARE(QFile::exists(platform::lockNotePath(file)), round % 2 == 1);
        }
    }

    // Another program takes the catalogue between the question whether
    // another has it and the opening (here: while the old layout's
    // conversion is asked): the question comes then, and each answer holds.
    void aProgramThatClaimsItMeanwhileBringsTheQuestion_data() {
        QTest::addColumn<QList<platform::Answer>>("answers");
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("ours");
        QTest::newRow("only to read") << QList{platform::Answer::Yes} << "Zandrel - a.mdb(Books) (только чтение)"
                                      << false;
        QTest::newRow("not opened") << QList{platform::Answer::No, platform::Answer::No} << "Zandrel" << false;
        QTest::newRow("opened anyway") << QList{platform::Answer::No, platform::Answer::Yes} << "Zandrel - a.mdb(Books)"
                                       << true;
    }
    void aProgramThatClaimsItMeanwhileBringsTheQuestion() {
        QFETCH(QList<platform::Answer>, answers);
        QFETCH(QString, title);
        QFETCH(bool, ours);
        AppHarness app;
        ScriptedMessageBoxes boxes;
        const QString file = app.folder.path("a.mdb");
        engine::createDatabase(file);
        elsewhere(file, "CREATE TABLE contacts (id INTEGER PRIMARY KEY AUTOINCREMENT, name VARCHAR(50), phone "
                        "VARCHAR(25), address VARCHAR(50), birthday REAL, reliability INT)");
        elsewhere(file, "CREATE TABLE Books (id INTEGER PRIMARY KEY AUTOINCREMENT, title VARCHAR(50), type "
                        "VARCHAR(25), issue REAL, return REAL, contact INT)");
        const QByteArray other = QStringLiteral("user=Ира\ncomputer=другой-компьютер\nprocess=42\nsince=%1\n")
                                     .arg(QDateTime::currentDateTime().toString(Qt::ISODate))
                                     .toUtf8();
        boxes.answer(platform::Answer::Yes, [&] { // «Версия базы ... устарела!»
            QFile note(platform::lockNotePath(file));
            QVERIFY(note.open(QIODevice::NewOnly));
            note.write(other);
        });
        for (platform::Answer a : answers)
            boxes.answer(a);
        app.writeSettings("[Options]\nDefaultBase=a.mdb\n");
        app.start();
        QVERIFY2(boxes.shown().value(1).text.startsWith(
                     QStringLiteral("Каталог 'a.mdb' открыт: Ира на компьютере другой-компьютер с ")),
                 qPrintable(boxes.shown().value(1).text));
        QCOMPARE(app.main()->windowTitle(), title);
        QCOMPARE(platform::readLockNote(file)->ours(), ours);
        if (!ours)
            QCOMPARE(platform::readLockNote(file)->text, other);
        QCOMPARE(DM->ADOConnection->connected(), answers.last() == platform::Answer::Yes);
        if (answers.size() == 1)
            QVERIFY_THROWS_EXCEPTION(engine::EngineError, DM->ADOConnection->execute("DELETE FROM Books"));
        app.quit(boxes);
    }

    static QByteArray hashOf(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)
                                           : QByteArray();
    }

    // The note beside the catalogue while it is open, gone when it closes.
    void theNoteSaysWhoHasIt() {
        AppHarness app;
        ScriptedMessageBoxes boxes;
        app.makeCatalogue("a.mdb", {{"Books", {}}});
        app.writeSettings("[Options]\nDefaultBase=a.mdb\n");
        app.start();
        const std::optional<platform::LockNote> note = platform::readLockNote(app.folder.path("a.mdb"));
        QVERIFY(note);
        QVERIFY(note->ours());
        QCOMPARE(note->computer, platform::computerName());
        QVERIFY(qAbs(note->since.secsTo(QDateTime::currentDateTime())) < 60);
        app.quit(boxes);
        QVERIFY(!QFile::exists(app.folder.path("a.mdb.lock")));
    }

    // A note of a program that is gone (killed, or on another computer long
    // ago) is replaced without a word; a live one's brings the question.
    void notesOfProgramsGoneAreReplaced_data() {
        QTest::addColumn<QString>("computer");
        QTest::addColumn<qint64>("process");
        QTest::addColumn<int>("hoursAgo");
        QTest::addColumn<bool>("asked");
        QTest::newRow("killed here") << platform::computerName() << qint64(999999) << 0 << false;
        QTest::newRow("this test, no Zandrel")
            << platform::computerName() << QCoreApplication::applicationPid() + 0 << 0 << false;
        QTest::newRow("another computer, long ago") << "другой-компьютер" << qint64(42) << 13 << false;
        QTest::newRow("another computer, today") << "другой-компьютер" << qint64(42) << 1 << true;
    }
    void notesOfProgramsGoneAreReplaced() {
        QFETCH(QString, computer);
        QFETCH(qint64, process);
        QFETCH(int, hoursAgo);
        QFETCH(bool, asked);
        AppHarness app;
        ScriptedMessageBoxes boxes;
        app.makeCatalogue("a.mdb", {{"Books", {}}});
        app.writeSettings("[Options]\nDefaultBase=a.mdb\n");
        QFile note(app.folder.path("a.mdb.lock"));
        QVERIFY(note.open(QIODevice::WriteOnly));
        note.write(QStringLiteral("user=Ира\ncomputer=%1\nprocess=%2\nsince=%3\n")
                       .arg(computer)
                       .arg(process)
                       .arg(QDateTime::currentDateTime().addSecs(-3600 * hoursAgo).toString(Qt::ISODate))
                       .toUtf8());
        note.close();
        if (asked)
            boxes.answer(platform::Answer::Yes); // only to read
        app.start();
        QCOMPARE(boxes.count(), asked ? 1 : 0);
        QCOMPARE(platform::readLockNote(app.folder.path("a.mdb"))->ours(), !asked);
        if (asked)
            QVERIFY(boxes.last().text.startsWith(
                QStringLiteral("Каталог 'a.mdb' открыт: Ира на компьютере другой-компьютер с ")));
        app.quit(boxes);
        QCOMPARE(QFile::exists(app.folder.path("a.mdb.lock")), asked); // the other's note stays
    }

    // Two programs on one file: the second is asked. Only to read: marked,
    // its writing commands off, and not a byte of the file changed, at exit
    // neither; not opened at all; or opened anyway, the note then its own.
    void aSecondProgramIsAsked_data() {
        QTest::addColumn<QList<platform::Answer>>("answers");
        QTest::addColumn<QString>("title");
        QTest::newRow("only to read") << QList{platform::Answer::Yes} << "Zandrel - a.mdb(Books) (только чтение)";
        QTest::newRow("not opened") << QList{platform::Answer::No, platform::Answer::No} << "Zandrel";
        QTest::newRow("opened anyway") << QList{platform::Answer::No, platform::Answer::Yes}
                                       << "Zandrel - a.mdb(Books)";
    }
    void aSecondProgramIsAsked() {
        QFETCH(QList<platform::Answer>, answers);
        QFETCH(QString, title);
        AppHarness app;
        ScriptedMessageBoxes boxes;
        QStringList rows;
        for (int i = 0; i < 300; ++i)
            rows << QStringLiteral("'книга %1', 1, %2").arg(i).arg(platform::today() - 1);
        app.makeCatalogue("a.mdb", {{"Books", rows}}, {"1, 'Ира'"});
        const QString file = app.folder.path("a.mdb");
        QProcess first;
        startFirstProgram(app, file, first);
        const auto settled = [&] { // the first opening's history written
            engine::Connection c;
            c.setConnectionString("Data Source=" + file);
            c.open(engine::OpenMode::ReadOnly);
            return c.hasTable("_loans");
        };
        QTRY_VERIFY_WITH_TIMEOUT(settled(), 10000);
        const QByteArray before = hashOf(file);
        for (platform::Answer a : answers)
            boxes.answer(a);
        app.writeSettings("[Options]\nDefaultBase=a.mdb\n");
        app.start();
        QCOMPARE(app.main()->windowTitle(), title);
        if (answers.size() == 1) {
            for (const char* command : {"tbNewRecord", "tbEditRecord", "tbDeleteRecord", "iClearDept", "iCompact"})
                QVERIFY2(!app.find<QAction>(command)->isEnabled(), command);
            QVERIFY_THROWS_EXCEPTION(engine::EngineError, DM->ADOConnection->execute("DELETE FROM Books"));
            QCOMPARE(platform::readLockNote(file)->process, first.processId());
            // Another catalogue opened next is for writing, its note its own.
            app.makeCatalogue("b.mdb", {{"Discs", {}}});
            ScriptedFileDialogs dialogs;
            dialogs.choose(app.folder.path("b.mdb"));
            app.ui()->iSelectDB->trigger();
            QCOMPARE(app.main()->windowTitle(), QStringLiteral("Zandrel - b.mdb(Discs)"));
            QVERIFY(platform::readLockNote(app.folder.path("b.mdb"))->ours());
            DM->ADOConnection->execute("CREATE TABLE t (id INTEGER)");
        } else if (answers.last() == platform::Answer::Yes) {
            QVERIFY(platform::readLockNote(file)->ours());
        }
        app.quit(boxes);
        first.kill();
        first.waitForFinished();
        if (answers.size() == 1 || answers.last() == platform::Answer::No) {
            QCOMPARE(hashOf(file), before);
            QCOMPARE(backups::copiesOf(file).size(), 0);
        }
    }

    // A catalogue only read: every command that writes is off in every
    // window, whatever enables it; the editors open to look only; keys that
    // would add or delete do nothing; a reminder and the letters are given
    // and recorded nowhere; not a byte of the file changes.
    void aReadOnlyCatalogueHasNoWayToWrite() {
        AppHarness app;
        ScriptedMessageBoxes boxes;
        ScriptedFileDialogs dialogs;
        app.makeCatalogue("a.mdb", {{"Books", {QStringLiteral("'книга', 1, %1").arg(platform::today() - 3)}}},
                          {"1, 'Ира'"});
        const QString file = app.folder.path("a.mdb");
        app.writeSettings("[Options]\nDefaultBase=a.mdb\n");
        app.start(); // the history's table made
        app.quit(boxes);
        QFile note(platform::lockNotePath(file));
        QVERIFY(note.open(QIODevice::WriteOnly));
        note.write(QStringLiteral("user=Ира\ncomputer=другой-компьютер\nprocess=42\nsince=%1\n")
                       .arg(QDateTime::currentDateTime().toString(Qt::ISODate))
                       .toUtf8());
        note.close();
        const QByteArray before = hashOf(file);
        boxes.answer(platform::Answer::Yes); // only to read
        app.start();
        QVERIFY(app.main()->windowTitle().endsWith("(только чтение)"));
        const QStringList expected{"SpeedButton1",   "bCEdit",   "bbSave",       "bbSave",      "iAddRec",
                                   "iBackups",       "iBlack",   "iClearDept",   "iCode",       "iContactCode",
                                   "iGiveCodes",     "iCompact", "iDelRec",      "iDesk",       "iEditRec",
                                   "iImportList",    "iNone",    "iProlong_1",   "iProlong_3",  "iProlong_7",
                                   "iRules",         "iWhite",   "tbAdd",        "tbAddTable",  "tbDelete",
                                   "tbDeleteRecord", "tbEdit",   "tbEditRecord", "tbNewRecord", "tbRemoveTable",
                                   "tbRenTable"};
        QStringList declared, on;
        QSet<QObject*> seen;
        for (QWidget* window : std::initializer_list<QWidget*>{app.main(), cEditForm, fmTSForm, mEditForm, fmCEdit})
            for (QObject* o : window->findChildren<QObject*>()) {
                if (!writers::declared(o) || seen.contains(o))
                    continue;
                seen << o;
                declared << o->objectName();
                if (qobject_cast<QAction*>(o) ? qobject_cast<QAction*>(o)->isEnabled()
                                              : static_cast<QWidget*>(o)->isEnabled())
                    on << o->objectName();
            }
        QStringList wanted = expected;
        declared.sort(Qt::CaseInsensitive);
        wanted.sort(Qt::CaseInsensitive);
        QCOMPARE(declared, wanted);
        QCOMPARE(on, QStringList());
        app.find<QAction>("iProlong_1")->setEnabled(true); // as the pop-up menu does for a dated loan
        QVERIFY(!app.find<QAction>("iProlong_1")->isEnabled());
        // Enter on an item: its editor to look at.
        whenModalShown([](QWidget* editor) {
            QVERIFY(editor->windowTitle().endsWith("(только чтение)"));
            QVERIFY(childOf<QLineEdit>(editor, "TitleEdit")->isReadOnly());
            QVERIFY(!childOf<QWidget>(editor, "bbSave")->isVisible());
            QVERIFY(!childOf<QWidget>(editor, "bCEdit")->isEnabled());
            QVERIFY(!childOf<QWidget>(editor, "cbContact")->isEnabled());
            QTest::keyClick(childOf<QLineEdit>(editor, "TitleEdit"), Qt::Key_Return); // saves nothing
            QVERIFY(editor->isVisible());
            QTest::keyClick(childOf<QLineEdit>(editor, "TitleEdit"), Qt::Key_Escape);
        });
        QTest::keyClick(app.ui()->DBGrid, Qt::Key_Return);
        // The contacts window: Ins and Del do nothing, Enter shows the contact.
        whenModalShown([&](QWidget* window) {
            auto* grid = childOf<DataGrid>(window, "DBGrid");
            QTest::keyClick(grid, Qt::Key_Insert);
            QTest::keyClick(grid, Qt::Key_Delete);
            whenModalShown([](QWidget* editor) {
                QVERIFY(childOf<QLineEdit>(editor, "eName")->isReadOnly());
                QVERIFY(!childOf<QWidget>(editor, "bbSave")->isVisible());
                QTest::keyClick(childOf<QLineEdit>(editor, "eName"), Qt::Key_Escape);
            });
            QTest::keyClick(grid, Qt::Key_Return);
            childOf<QAction>(window, "tbReminder")->trigger(); // given, recorded nowhere
            QVERIFY(QGuiApplication::clipboard()->text().contains(QStringLiteral("книга")));
            QTest::keyClick(grid, Qt::Key_Escape);
        });
        app.find<QAction>("tbContacts")->trigger();
        // The table manager: Ins makes no table.
        whenModalShown([](QWidget* manager) {
            QTest::keyClick(childOf<QListWidget>(manager, "lbTableSelect"), Qt::Key_Insert);
            QVERIFY(childOf<QWidget>(manager, "PreBottomPanel")->isHidden());
            QTest::keyClick(childOf<QListWidget>(manager, "lbTableSelect"), Qt::Key_Escape);
        });
        QTest::keyClick(app.ui()->DBGrid, Qt::Key_F3);
        // The letters saved as PDF, with no word of an error.
        dialogs.choose(app.folder.path("letters.pdf"));
        app.find<QAction>("iLettersPdf")->trigger();
        QVERIFY(QFileInfo(app.folder.path("letters.pdf")).size() > 0);
        QCOMPARE(boxes.count(), 2); // the first exit's, and the question
        app.quit(boxes);
        QCOMPARE(hashOf(file), before);
    }

    void changesElsewhereAppear_data() {
        QTest::addColumn<bool>("inContactsWindow");
        QTest::newRow("main grid") << false;
        QTest::newRow("contacts window") << true;
    }
    void changesElsewhereAppear() {
        QFETCH(bool, inContactsWindow);
        AppHarness app;
        ScriptedMessageBoxes boxes;
        QStringList items;
        for (int i = 1; i <= 60; ++i)
            items << QStringLiteral("'книга %1', NULL, NULL").arg(i, 2, 10, QLatin1Char('0'));
        QStringList contacts;
        for (int i = 1; i <= 60; ++i)
            contacts << QStringLiteral("%1, 'контакт %2'").arg(i).arg(i, 2, 10, QLatin1Char('0'));
        app.makeCatalogue("a.mdb", {{"Books", items}}, contacts);
        app.writeSettings("[Options]\nDefaultBase=a.mdb\n");
        app.start();
        const QString file = app.folder.path("a.mdb");
        const auto follow = [&](engine::Query* query, DataGrid* grid, const QString& table, const QString& column) {
            query->setCurrentRow(40);
            const qint64 id = query->integerValue(40, query->fieldIndex("id"));
            grid->verticalScrollBar()->setValue(grid->verticalScrollBar()->maximum() / 2);
            const int scrolled = grid->verticalScrollBar()->value();
            elsewhere(
                file,
                QStringLiteral("UPDATE %1 SET %2 = %2 || ' (изменено)' WHERE id = %3").arg(table, column).arg(id));
            elsewhere(file, QStringLiteral("DELETE FROM %1 WHERE id = 1").arg(table));
            QTRY_COMPARE_WITH_TIMEOUT(query->recordCount(), 59, 2000);
            QCOMPARE(query->integerValue(query->currentRow(), query->fieldIndex("id")), id);
            QVERIFY(query->textValue(query->currentRow(), query->fieldIndex(column)).endsWith(" (изменено)"));
            QCOMPARE(grid->verticalScrollBar()->value(), scrolled);
            // Read once per change: not again while nothing changes.
            int reread = 0;
            const QMetaObject::Connection counting =
                connect(query, &engine::Query::opened, query, [&reread] { ++reread; });
            QTest::qWait(1600);
            disconnect(counting);
            QCOMPARE(reread, 0);
        };
        if (inContactsWindow) {
            whenModalShown([&](QWidget* window) {
                follow(DM->aqContacts, childOf<DataGrid>(window, "DBGrid"), "_contacts", "name");
                window->close();
            });
            app.find<QAction>("tbContacts")->trigger();
        } else {
            follow(DM->aqMain, app.ui()->DBGrid, "Books", "title");
        }
        app.quit(boxes);
    }

    // Nothing changes beneath an open editor; the change shows once it closes.
    void anOpenEditorIsLeftAlone() {
        AppHarness app;
        ScriptedMessageBoxes boxes;
        app.makeCatalogue("a.mdb", {{"Books", {"'один', NULL, NULL", "'два', NULL, NULL"}}});
        app.writeSettings("[Options]\nDefaultBase=a.mdb\n");
        app.start();
        whenModalShown([&](QWidget* editor) {
            elsewhere(app.folder.path("a.mdb"), "INSERT INTO Books (title) SELECT 'три'");
            QTest::qWait(1200);
            QCOMPARE(DM->aqMain->recordCount(), 2);
            editor->close();
        });
        app.ui()->tbEditRecord->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(DM->aqMain->recordCount(), 3, 2000);
        app.quit(boxes);
    }

    // An edit over a row another program changed meanwhile is refused; once
    // the editor is given up, the grid shows the row as the other left it.
    void anEditOverAChangedRowIsRefused() {
        AppHarness app;
        ScriptedMessageBoxes boxes;
        app.makeCatalogue("a.mdb", {{"Books", {"'один', NULL, NULL"}}});
        app.writeSettings("[Options]\nDefaultBase=a.mdb\n");
        app.start();
        whenModalShown([&](QWidget* editor) {
            elsewhere(app.folder.path("a.mdb"), "UPDATE Books SET title = 'чужое' WHERE id = 1");
            childOf<QLineEdit>(editor, "TitleEdit")->setText("моё");
            whenModalShown([](QWidget* again) { click(childOf<QPushButton>(again, "bbCancel")); });
            boxes.answer(platform::Answer::Ok);
            click(childOf<QPushButton>(editor, "bbSave"));
        });
        app.ui()->tbEditRecord->trigger();
        QCOMPARE(boxes.last().text,
                 QStringLiteral("Запись «один» таблицы 'Books' каталога 'a.mdb' изменена или удалена "
                                "другой программой, пока была открыта здесь; ваши изменения не "
                                "сохранены."));
        QTRY_COMPARE_WITH_TIMEOUT(DM->aqMain->textValue(0, DM->aqMain->fieldIndex("title")), QStringLiteral("чужое"),
                                  2000);
        app.quit(boxes);
    }

    // On a network folder: the exit backs the catalogue up but leaves the
    // file as it is; «Сжать базу данных» says it rewrites it over the network.
    void networkFolders_data() {
        QTest::addColumn<bool>("network");
        QTest::newRow("network folder") << true;
        QTest::newRow("local folder") << false;
    }
    void networkFolders() {
        QFETCH(bool, network);
        platform::pretendNetworkFileSystem(network);
        AppHarness app;
        ScriptedMessageBoxes boxes;
        QStringList rows;
        for (int i = 0; i < 2000; ++i)
            rows << QStringLiteral("'item number %1 with a long title', NULL, NULL").arg(i);
        app.makeCatalogue("a.mdb", {{"Books", rows}});
        app.writeSettings("[Options]\nDefaultBase=a.mdb\n");
        app.start();
        const QString file = app.folder.path("a.mdb");
        // In «Файл», last before the separator and «Выход».
        const QList<QAction*> items = app.find<QMenu>("mFile")->actions();
        QVERIFY(items.size() >= 3 && items.last()->objectName() == "iExit" && items[items.size() - 2]->isSeparator());
        QCOMPARE(items[items.size() - 3]->objectName(), QStringLiteral("iCompact"));
        DM->ADOConnection->execute("DELETE FROM Books WHERE id > 1000");
        qint64 size = QFileInfo(file).size();
        boxes.answer(platform::Answer::No);
        app.find<QAction>("iCompact")->trigger();
        QCOMPARE(boxes.last().text,
                 network ? QStringLiteral("Каталог 'a.mdb' лежит в сетевой папке. Сжатие перепишет весь файл по сети; "
                                          "пока оно идёт, другие не смогут открыть каталог.\nСжать?")
                         : QStringLiteral("Сжать каталог 'a.mdb'?"));
        QCOMPARE(QFileInfo(file).size(), size);
        DM->ADOConnection->execute("DELETE FROM Books WHERE id > 500");
        app.quit(boxes);
        QCOMPARE(QFileInfo(file).size() < size, !network);
        QCOMPARE(backups::copiesOf(file).size(), 1);
        // By hand it is compacted all the same.
        app.start();
        size = QFileInfo(file).size();
        boxes.answer(platform::Answer::Yes);
        app.find<QAction>("iCompact")->trigger();
        QCOMPARE(QFileInfo(file).size() < size, network);
        QCOMPARE(app.main()->windowTitle(), QStringLiteral("Zandrel - a.mdb(Books)"));
        QCOMPARE(DM->aqMain->recordCount(), 500);
        app.quit(boxes);
        platform::pretendNetworkFileSystem(std::nullopt);
    }
};

QTEST_MAIN(TestSharing)
#include "tst_sharing.moc"
