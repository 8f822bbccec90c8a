// Every write path, made to fail at each of its writes, syncs and truncates
// in turn, as a failing or full disk would: the file ends in its state
// before or after the command, intact, with nothing left beside it; the
// message names the catalogue; the program goes on working with the file.
#include "tests/support/FaultyVfs.h"
#include "tests/support/TestSupport.h"
#include "tests/support/WritePaths.h"

#include "backups/Backups.h"
#include "data/DBMUnit.h"

#include <QDir>
#include <QFile>
#include <QtTest>
#include <sqlite3.h>

class TestIoErrors : public QObject {
    Q_OBJECT

    int m_points = 0;

private slots:
    void initTestCase() { faulty::install(); }
    void cleanupTestCase() { qInfo("failure points tried: %d", m_points); }

    // A backup copy is synced before it is given its name: one whose sync
    // fails is never offered.
    void backupCopyIsSyncedBeforeItIsOffered() {
        TestFolder folder;
        qputenv("XDG_DATA_HOME", QFile::encodeName(folder.path("data")));
        writePaths(10)[0].makeFixture(folder.path("cat.mdb"));
        faulty::failSyncsOf("backups"); // a folder of the path, whichever its separators
        QVERIFY_THROWS_EXCEPTION(std::exception,
                                 backups::backUp(folder.path("cat.mdb"), QDateTime(QDate(2024, 3, 1), QTime(18, 0))));
        QVERIFY(faulty::fired());
        faulty::disarm();
        QCOMPARE(backups::copiesOf(folder.path("cat.mdb")).size(), 0);
        QCOMPARE(backups::backUp(folder.path("cat.mdb"), QDateTime(QDate(2024, 3, 1), QTime(18, 0))),
                 backups::Outcome::Made);
    }

    void failingDiskLeavesTheFileWhole_data() {
        QTest::addColumn<int>("path");
        QTest::addColumn<int>("code");
        const QList<WritePath> paths = writePaths(0);
        for (int p = 0; p < paths.size(); ++p) {
            QTest::addRow("%s, I/O error", qPrintable(paths[p].name)) << p << int(SQLITE_IOERR);
            QTest::addRow("%s, disk full", qPrintable(paths[p].name)) << p << int(SQLITE_FULL);
        }
    }
    void failingDiskLeavesTheFileWhole() {
        QFETCH(int, path);
        QFETCH(int, code);
        const WritePath command = writePaths(60)[path];
        TestFolder folder;
        command.makeFixture(folder.path("fixture.mdb"));
        QVERIFY(QDir(folder.root()).mkdir("work"));
        QDir::setCurrent(folder.path("work"));
        auto fresh = [&] {
            QFile::remove("cat.mdb");
            QVERIFY(QFile::copy(folder.path("fixture.mdb"), "cat.mdb"));
        };
        fresh();
        const FileState before = examine("cat.mdb");
        command.run("cat.mdb");
        DM->ADOConnection->close();
        const FileState after = examine("cat.mdb");
        QVERIFY(before.intact && after.intact);
        QVERIFY(before.contents != after.contents || command.name.startsWith("compact"));

        for (int nth = 1;; ++nth) {
            QVERIFY2(nth < 5000, "the command never got through");
            fresh();
            faulty::failAt(nth, code);
            QString error;
            try {
                command.run("cat.mdb");
            } catch (const std::exception& e) {
                error = QString::fromUtf8(e.what());
            }
            const bool fired = faulty::fired();
            faulty::disarm();
            ++m_points;
            // The program goes on: the same data module reads the file again.
            DM->ConnectTo("cat.mdb", engine::OpenMode::Write);
            QVERIFY(DM->HasRows({"SELECT name FROM sqlite_master"}));
            DM->ADOConnection->close();
            const FileState state = examine("cat.mdb");
            QVERIFY2(state.intact, qPrintable(QString("failure at %1").arg(nth)));
            QVERIFY2(state.contents == before.contents || state.contents == after.contents,
                     qPrintable(QString("failure at %1 left a third state").arg(nth)));
            QCOMPARE(QDir::current().entryList(QDir::Files), QStringList{"cat.mdb"});
            // A backup cut short leaves nothing the list would offer.
            QStringList offered{"state"};
            for (const backups::Copy& copy : backups::copiesOf("cat.mdb")) {
                QVERIFY2(backups::contentsOf(copy.path).intact, qPrintable(QString("failure at %1").arg(nth)));
                offered << QFileInfo(copy.path).fileName();
            }
            for (const QString& name : QDir(backups::folderFor("cat.mdb")).entryList(QDir::Files | QDir::Hidden))
                QVERIFY2(offered.contains(name), qPrintable(QString("failure at %1 left %2").arg(nth).arg(name)));
            // A failure SQLite can do without (a sync after the commit) may
            // pass unreported, but then the command was done.
            if (error.isEmpty())
                QCOMPARE(state.contents, after.contents);
            else
                QVERIFY2(error.contains("cat.mdb"), qPrintable(QString("failure at %1: «%2»").arg(nth).arg(error)));
            if (!fired)
                break;
        }
    }
};

QTEST_MAIN(TestIoErrors)
#include "tst_ioerrors.moc"
