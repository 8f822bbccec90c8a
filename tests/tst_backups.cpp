// Backups: the copies a fortnight of exits leaves, a removed table brought
// back by a restore, a damaged copy refused, a failing backup that neither
// stops the exit nor nags, and "zandrel --backups".
#include "AppHarness.h"

#include "backups/Backups.h"
#include "dialogs/BackupsUnit.h"
#include "engine/Copies.h"
#include "platform/Shell.h"
#include "tests/support/FaultyVfs.h"

#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QtTest>

#include <sqlite3.h>
#ifndef _WIN32
#include <sys/stat.h>
#else
#include <windows.h>
#endif

namespace {

void change(const QString& file, const QString& title) {
    engine::Connection c;
    c.setConnectionString(QStringLiteral("Data Source=") + file);
    c.open();
    c.execute(QStringLiteral("INSERT INTO A (title) SELECT '%1'").arg(title));
}

quint64 inodeOf(const QString& file) {
#ifdef _WIN32
    // The file's index on its volume: the same file, not one put in its place.
    const HANDLE h =
        CreateFileW(QDir::toNativeSeparators(file).toStdWString().c_str(), 0,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
    BY_HANDLE_FILE_INFORMATION info{};
    GetFileInformationByHandle(h, &info);
    CloseHandle(h);
    return quint64(info.nFileIndexHigh) << 32 | info.nFileIndexLow;
#else
    struct stat st {};
    ::stat(QFile::encodeName(file).constData(), &st);
    return st.st_ino;
#endif
}

} // namespace

class TestBackups : public QObject {
    Q_OBJECT

private slots:
    // Twelve days of work with exits, some days twice, some without a
    // change: a copy a day when something changed, the newest of the day,
    // the last ten days kept.
    void twelveDaysOfExits() {
        AppHarness app; // its own data folder
        app.makeCatalogue("home.mdb", {{"A", {}}});
        const QString file = app.folder.path("home.mdb");
        using backups::Outcome;
        QList<Outcome> outcomes;
        for (int d = 1; d <= 12; ++d) {
            const QDate day(2024, 3, d);
            if (d != 5) // nothing done on the 5th
                change(file, QStringLiteral("day %1").arg(d));
            outcomes << backups::backUp(file, QDateTime(day, QTime(18, 0)));
            backups::rememberState(file);
            if (d % 4 == 0) { // a second exit later that day, after more work
                change(file, QStringLiteral("evening %1").arg(d));
                outcomes << backups::backUp(file, QDateTime(day, QTime(22, 30)));
                backups::rememberState(file);
                outcomes << backups::backUp(file, QDateTime(day, QTime(23, 0))); // nothing since
            }
        }
        QCOMPARE(outcomes.count(Outcome::Unchanged), 1 + 3);
        QStringList taken;
        for (const backups::Copy& c : backups::copiesOf(file))
            taken << c.taken.toString(QStringLiteral("dd HH:mm"));
        QCOMPARE(taken, (QStringList{"12 22:30", "11 18:00", "10 18:00", "09 18:00", "08 22:30", "07 18:00", "06 18:00",
                                     "04 22:30", "03 18:00", "02 18:00"}));
        const backups::Contents newest = backups::contentsOf(backups::copiesOf(file).first().path);
        QVERIFY(newest.intact);
        QCOMPARE(newest.items, 11 + 3);
        QCOMPARE(QDir(backups::folderFor(file)).entryList({".writing*"}, QDir::Files | QDir::Hidden), QStringList{});
    }

    // A table removed by mistake comes back: the copy from before is written
    // into the catalogue in place, the state it replaces copied first.
    void restoringBringsBackARemovedTable() {
        AppHarness app;
        ScriptedMessageBoxes boxes;
        app.makeCatalogue("home.mdb", {{"A", {"'a', NULL, NULL"}}, {"B", {"'b', NULL, NULL"}}});
        app.writeSettings("[Options]\nDefaultBase=home.mdb\nDefaultTable=A\n");
        app.start();
        app.quit(boxes); // the exit's copy
        const QString file = app.folder.path("home.mdb");
        const quint64 inode = inodeOf(file);
        app.start();
        DM->Execute({QStringLiteral("DROP TABLE B")});
        QCOMPARE(DM->ADOConnection->tableNames().contains("B"), false);
        whenModalShown([&](QWidget* window) {
            auto* grid = childOf<QTableWidget>(window, "BackupGrid");
            QCOMPARE(grid->rowCount(), 1);
            QTRY_COMPARE(grid->item(0, 4)->text(), QStringLiteral("в порядке")); // checked while the window is open
            QCOMPARE(grid->item(0, 2)->text(), QStringLiteral("2"));             // items in the copy
            boxes.answer(platform::Answer::Yes);
            click(childOf<QPushButton>(window, "bbRestore"));
        });
        app.find<QAction>("iBackups")->trigger();
        QVERIFY(boxes.last().text.startsWith(QStringLiteral("Восстановить каталог")));
        QVERIFY(TableNames.contains("B"));
        QCOMPARE(app.main()->windowTitle(), QStringLiteral("Zandrel - home.mdb(A)"));
        QCOMPARE(inodeOf(file), inode);
        // The state the restore replaced is a copy of its own: the restore can be undone.
        const QList<backups::Copy> copies = backups::copiesOf(file);
        QCOMPARE(copies.size(), 2);
        QVERIFY(copies[0].beforeRestore);
        QCOMPARE(backups::contentsOf(copies[0].path).items, 1); // without B
        QCOMPARE(backups::contentsOf(copies[1].path).items, 2);
        // Listed again: one text line a row, every column in view without scrolling sideways.
        whenModalShown([&](QWidget* window) {
            auto* grid = childOf<QTableWidget>(window, "BackupGrid");
            QTRY_COMPARE(grid->item(1, 4)->text(), QStringLiteral("в порядке"));
            QVERIFY(grid->item(0, 0)->text().endsWith(QStringLiteral("(до восстановления)")));
            QVERIFY(grid->rowHeight(0) <= grid->fontMetrics().height() + 6);
            QCOMPARE(grid->horizontalScrollBar()->maximum(), 0);
            for (int c = 0; c < 4; ++c)
                QVERIFY(grid->columnWidth(c) >= grid->fontMetrics().horizontalAdvance(grid->item(0, c)->text()));
            click(childOf<QPushButton>(window, "bbClose"));
        });
        app.find<QAction>("iBackups")->trigger();
    }

    // A restore writes only a sound copy, also when asked directly.
    void restoreInPlaceRefusesADamagedCopy() {
        AppHarness app;
        app.makeCatalogue("home.mdb", {{"A", {"'a', NULL, NULL"}}});
        app.makeCatalogue("copy.mdb", {{"B", {"'b', NULL, NULL"}}});
        QFile copy(app.folder.path("copy.mdb"));
        QVERIFY(copy.resize(copy.size() / 2 + 100));
        const FileState before = examine(app.folder.path("home.mdb"));
        QVERIFY_THROWS_EXCEPTION(engine::EngineError,
                                 engine::restoreInPlace(app.folder.path("copy.mdb"), app.folder.path("home.mdb")));
        QCOMPARE(examine(app.folder.path("home.mdb")).contents, before.contents);
    }

    // A full disk: the backup's failure is said once, in words that say the
    // catalogue is intact, while the same failure recurs on later days; the
    // compaction failing too leaves the copy owed, made at the next exit that can.
    void fullDiskIsToldOnceAndTheCopyStaysOwed() {
        AppHarness app;
        ScriptedMessageBoxes boxes;
        faulty::install();
        app.makeCatalogue("home.mdb", {{"A", {"'a', NULL, NULL"}}});
        app.writeSettings("[Options]\nDefaultBase=home.mdb\n");
        const QString file = app.folder.path("home.mdb");
        const auto exitOn = [&](double day, bool diskFull, int boxesExpected) {
            const PinnedToday pinned(day);
            app.start();
            for (int i = 0; i < boxesExpected; ++i)
                boxes.answer(i == 0 ? platform::Answer::Yes : platform::Answer::Ok);
            if (diskFull)
                faulty::failAt(1, SQLITE_FULL);
            app.ui()->iExit->trigger();
            app.program.reset();
            faulty::disarm();
            QCOMPARE(boxes.remaining(), 0);
        };
        exitOn(45350, false, 1);
        change(file, QStringLiteral("after the copy"));
        exitOn(45351, true, 3); // the exit's question, the backup's failure, the compaction's
        QVERIFY(boxes.shown()[2].text.startsWith(QStringLiteral("Резервная копия каталога")));
        QVERIFY(boxes.shown()[2].text.contains(QStringLiteral("не записана: на диске нет места")));
        QVERIFY(
            boxes.shown()[2].text.contains(QStringLiteral("Сам каталог не пострадал.\nСжатие и выход продолжаются.")));
        exitOn(45352, true, 2); // the same failure again: only the compaction's
        exitOn(45353, false, 1);
        QCOMPARE(backups::copiesOf(file).size(), 2);
        QCOMPARE(backups::contentsOf(backups::copiesOf(file).first().path).items, 2);
    }

    // A damaged copy is marked and never written back; a folder no file
    // manager opens is said, not passed over.
    void damagedCopyCannotBeRestored() {
        AppHarness app;
        ScriptedMessageBoxes boxes;
        app.makeCatalogue("home.mdb", {{"A", {"'a', NULL, NULL"}}});
        app.writeSettings("[Options]\nDefaultBase=home.mdb\n");
        const QString file = app.folder.path("home.mdb");
        backups::backUp(file, QDateTime(QDate(2024, 3, 1), QTime(18, 0)));
        QFile copy(backups::copiesOf(file).first().path);
        QVERIFY(copy.resize(copy.size() / 2 + 100));
        app.start();
        const platform::ShellHandler shell = platform::setShellHandler([](const QString&) { return false; });
        whenModalShown([&](QWidget* window) {
            QTRY_COMPARE(childOf<QTableWidget>(window, "BackupGrid")->item(0, 4)->text(), QStringLiteral("повреждена"));
            QVERIFY(childOf<QTableWidget>(window, "BackupGrid")->item(0, 1)->text().endsWith(QStringLiteral(" КБ")));
            QVERIFY(!childOf<QPushButton>(window, "bbRestore")->isEnabled());
            boxes.answer(platform::Answer::Ok);
            click(childOf<QPushButton>(window, "bbOpenFolder"));
            click(childOf<QPushButton>(window, "bbClose"));
        });
        app.find<QAction>("iBackups")->trigger();
        platform::setShellHandler(shell);
        QCOMPARE(boxes.count(), 1);
        QVERIFY(boxes.last().text.contains(QDir::toNativeSeparators(backups::folderFor(file))));
    }

    // A backup that cannot be written: said once, with the folder and the
    // reason; the exit and its compaction go on; the next exit is quiet; and
    // what a failed backup missed is copied at the next exit that can.
    void failingBackupNeitherStopsTheExitNorNags() {
        AppHarness app;
        ScriptedMessageBoxes boxes;
        const PinnedToday day(45352); // each exit's copy is 2024-03-01_00-00-00
        app.makeCatalogue("home.mdb", {{"A", {"'a', NULL, NULL"}}});
        app.writeSettings("[Options]\nDefaultBase=home.mdb\n");
        QFile blocker(app.folder.path("data"));
        QVERIFY(blocker.open(QIODevice::WriteOnly)); // a file where the folder should be
        blocker.close();
        const QString file = app.folder.path("home.mdb");
        engine::Connection c;
        c.setConnectionString(QStringLiteral("Data Source=") + file);
        c.open();
        // Free pages for the compaction to drop.
        c.execute("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<2000) "
                  "INSERT INTO A (title) SELECT 'x' || i FROM n");
        c.execute("DELETE FROM A WHERE title LIKE 'x%'");
        c.close();
        const qint64 before = QFileInfo(file).size();
        const auto exitOnce = [&](bool failureSaid) {
            app.start();
            boxes.answer(platform::Answer::Yes);
            if (failureSaid)
                boxes.answer(platform::Answer::Ok);
            app.ui()->iExit->trigger();
            app.program.reset();
        };
        exitOnce(true);
        exitOnce(false);
        QCOMPARE(boxes.count(), 3); // the exit question twice, the failure once
        QVERIFY(boxes.shown()[1].text.contains(backups::folderFor(file)));
        QVERIFY(boxes.shown()[1].text.contains(QStringLiteral("Сжатие и выход продолжаются")));
        QVERIFY(QFileInfo(file).size() < before); // compacted all the same

        QVERIFY(blocker.remove());
        exitOnce(false);
        QCOMPARE(backups::copiesOf(file).size(), 1);
        change(file, QStringLiteral("after the copy"));
        // A folder where the copy is written: this exit's copy fails while
        // an older one is there.
        const QString writing = QDir(backups::folderFor(file)).filePath(".writing-2024-03-01_00-00-00.mdb");
        QVERIFY(QDir().mkpath(writing + "/x"));
        exitOnce(true);
        QVERIFY(QDir(writing).removeRecursively());
        exitOnce(false); // nothing done since, yet the newest copy lacks the work
        QCOMPARE(backups::contentsOf(backups::copiesOf(file).first().path).items, 2);
        QCOMPARE(boxes.count(), 3 + 3 + 1);
    }

    // Every word of the command line is Russian; an empty file name is refused.
    void commandLineMistakesAreSaidInRussian_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("said");
        QTest::newRow("no file") << QStringList{"--backups"} << "После параметра --backups нужно указать файл.";
        QTest::newRow("an empty file name")
            << QStringList{"--backups="} << "После параметра --backups нужно указать файл.";
        QTest::newRow("unknown") << QStringList{"--no-such"} << "Неизвестный параметр: no-such.";
        QTest::newRow("a value for --help") << QStringList{"--help=1"} << "Параметр --help не принимает значения.";
    }
    void commandLineMistakesAreSaidInRussian() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, said);
        QProcess zandrel;
        zandrel.start(QStringLiteral(ZANDREL_EXECUTABLE), arguments);
        QVERIFY(zandrel.waitForFinished(10000));
        QCOMPARE(zandrel.exitCode(), 1);
        const QString text = QString::fromUtf8(zandrel.readAllStandardError());
        QVERIFY2(text.startsWith(said), qPrintable(text));
        QCOMPARE(zandrel.readAllStandardOutput(), QByteArray());
    }

    void backupsOnTheCommandLine() {
        AppHarness app; // the program started below inherits its data folder
        app.makeCatalogue("home.mdb", {{"A", {}}});
        const QString file = app.folder.path("home.mdb");
        backups::backUp(file, QDateTime(QDate(2024, 3, 1), QTime(18, 0, 5)));
        QProcess zandrel;
        zandrel.start(QStringLiteral(ZANDREL_EXECUTABLE), {"--backups", file});
        QVERIFY(zandrel.waitForFinished(10000));
        const QStringList lines = QString::fromUtf8(zandrel.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines[1].startsWith(QStringLiteral("01.03.2024 18:00:05")));
        QVERIFY(lines[1].contains(QStringLiteral("вещей: 0, контактов: 0")));
    }
};

QTEST_MAIN(TestBackups)
#include "tst_backups.moc"
