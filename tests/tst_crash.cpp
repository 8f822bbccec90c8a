// Every write path, killed with SIGKILL at a random moment: the next opening
// finds the file intact and in its state before or after the command, with
// nothing but the file left beside it. ZANDREL_CRASH_TRIALS sets the trials
// per path ("make crashtest TRIALS=N").
#include "tests/support/TestSupport.h"
#include "tests/support/WritePaths.h"

#include "backups/Backups.h"
#include "engine/Connection.h"
#include "jet/Conversion.h"
#include "tests/support/JetWriter.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>

#include <chrono>
#include <csignal>
#include <thread>

namespace {

const int kRows = 20000;

int trialsPerPath() {
    const int asked = qEnvironmentVariableIntValue("ZANDREL_CRASH_TRIALS");
    return asked > 0 ? asked : 25;
}

// Starts the helper on file and returns once it is ready to run command.
bool startHelper(QProcess& helper, const QString& command, const QString& file) {
    helper.start(QStringLiteral(ZANDREL_CRASH_HELPER), {command, QString::number(kRows), file});
    return helper.waitForStarted(10000) && helper.waitForReadyRead(10000)
           && helper.readLine().trimmed() == QByteArray("ready");
}

// Lets the ready helper go and kills it at a random moment within micros;
// returns the moment.
qint64 killWithin(QProcess& helper, qint64 micros) {
    const qint64 at = QRandomGenerator::global()->bounded(qMax<qint64>(micros, 1));
    helper.write("go\n");
    helper.waitForBytesWritten(1000);
    std::this_thread::sleep_for(std::chrono::microseconds(at));
    ::kill(static_cast<pid_t>(helper.processId()), SIGKILL);
    helper.waitForFinished(10000);
    return at;
}

// The processes running the importer on files of folder.
QStringList importersIn(const QString& folder) {
    QStringList found;
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
        if (!cmdline.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = cmdline.readAll().replace('\0', ' ');
        if (line.contains("zandrel-jet-import") && line.contains(QFile::encodeName(folder)))
            found << pid;
    }
    return found;
}

QByteArray hashOf(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)
                                       : QByteArray();
}

} // namespace

class TestCrash : public QObject {
    Q_OBJECT

private slots:
    void killedCommandsLeaveBeforeOrAfter_data() {
        QTest::addColumn<int>("path");
        const QList<WritePath> paths = writePaths(0);
        for (int p = 0; p < paths.size(); ++p)
            QTest::addRow("%s", qPrintable(paths[p].name)) << p;
    }
    void killedCommandsLeaveBeforeOrAfter() {
        QFETCH(int, path);
        const WritePath command = writePaths(kRows)[path];
        TestFolder folder;
        command.makeFixture(folder.path("fixture.mdb"));
        QVERIFY(QDir(folder.root()).mkdir("work"));
        const QString file = folder.path("work/cat.mdb");
        qputenv("XDG_DATA_HOME", QFile::encodeName(folder.path("data"))); // where the helper keeps its backups
        auto fresh = [&] {
            QFile::remove(file);
            QVERIFY(QFile::copy(folder.path("fixture.mdb"), file));
        };

        // One whole run: the state after, and how long the command takes
        // from the word go until the helper has ended.
        fresh();
        const FileState before = examine(file);
        QProcess helper;
        QVERIFY(startHelper(helper, QString::number(path), file));
        QElapsedTimer run;
        run.start();
        helper.write("go\n");
        QVERIFY(helper.waitForFinished(60000));
        const qint64 micros = run.nsecsElapsed() / 1000;
        QCOMPARE(helper.exitCode(), 0);
        const FileState after = examine(file);
        QVERIFY(before.intact && after.intact);

        int killedBefore = 0, killedAfter = 0;
        for (int trial = 0; trial < trialsPerPath(); ++trial) {
            fresh();
            QProcess victim;
            QVERIFY(startHelper(victim, QString::number(path), file));
            const qint64 at = killWithin(victim, micros);
            const FileState state = examine(file); // rolls a hot journal back
            QVERIFY2(state.intact, qPrintable(QString("trial %1, killed at %2 us").arg(trial).arg(at)));
            if (state.contents == before.contents)
                ++killedBefore;
            else if (state.contents == after.contents)
                ++killedAfter;
            else
                QFAIL(qPrintable(QString("trial %1, killed at %2 us: neither before nor after").arg(trial).arg(at)));
            // The program's next opening leaves nothing but the file.
            engine::Connection next;
            next.setConnectionString(QStringLiteral("Data Source=") + file);
            next.open();
            next.close();
            QCOMPARE(QDir(folder.path("work")).entryList(QDir::Files).join(u' '), QStringLiteral("cat.mdb"));
            // A backup the list offers is whole.
            for (const backups::Copy& copy : backups::copiesOf(file))
                QVERIFY2(backups::contentsOf(copy.path).intact,
                         qPrintable(QString("trial %1: %2").arg(trial).arg(copy.path)));
        }
        qInfo("%s: %d trials over %lld us, %d found as before, %d as after", qPrintable(command.name), trialsPerPath(),
              micros, killedBefore, killedAfter);
    }

    // The conversion of an Access file, the program killed at a random
    // moment: its importer ends with it, the Access file stays as it was, a
    // catalogue at its final name is sound, and the next conversion into the
    // folder removes what the killed one left.
    void killedConversionLeavesNothingTheNextRemoves() {
        TestFolder folder;
        qputenv("ZANDREL_JET_IMPORT", ZANDREL_JET_IMPORT);
        QList<jetwriter::Table> tables{{"_contacts", jetwriter::contactColumns(), {}, 0},
                                       {"Books", jetwriter::itemColumns(), {}, 0}};
        for (int i = 1; i <= 150000; ++i)
            tables[1].rows << jetwriter::Row{
                i, QStringLiteral("книга %1").arg(i), "роман", QVariant(), QVariant(), QVariant(), QVariant()};
        QVERIFY(QDir(folder.root()).mkdir("work"));
        const QString source = folder.path("work/src.mdb");
        QFile access(source);
        QVERIFY(access.open(QIODevice::WriteOnly) && access.write(jetwriter::write(tables, {})) > 0);
        access.close();
        const QByteArray before = hashOf(source);
        QProcess whole;
        QVERIFY(startHelper(whole, "import", source));
        QElapsedTimer run;
        run.start();
        whole.write("go\n");
        QVERIFY(whole.waitForFinished(60000));
        QCOMPARE(whole.exitCode(), 0);
        const qint64 micros = run.nsecsElapsed() / 1000;
        QDir work(folder.path("work"));
        const auto conversions = [&] { return work.entryList({"src (Zandrel*).mdb"}, QDir::Files); };
        for (const QString& made : conversions())
            QVERIFY(work.remove(made));
        const int trials = std::max(8, trialsPerPath() / 3);
        for (int trial = 0; trial < trials; ++trial) {
            QProcess victim;
            QVERIFY(startHelper(victim, "import", source));
            killWithin(victim, micros);
            QTRY_VERIFY2_WITH_TIMEOUT(importersIn(folder.root()).isEmpty(),
                                      qPrintable(QString("trial %1: the importer outlived the program").arg(trial)),
                                      300);
            QCOMPARE(hashOf(source), before);
            for (const QString& made : conversions())
                QVERIFY2(examine(work.filePath(made)).intact, qPrintable(made));
            // The next conversion into the folder takes away what was left.
            const accessimport::Result next =
                accessimport::run(source, accessimport::targetFor(source), [](const auto&) { return true; });
            QCOMPARE(next.outcome, accessimport::Outcome::Done);
            const QStringList left = work.entryList(QDir::Files | QDir::Hidden).filter(".zandrel-import-");
            QVERIFY2(left.isEmpty(), qPrintable(QString("trial %1: %2").arg(trial).arg(left.join(' '))));
            for (const QString& made : conversions())
                QVERIFY(work.remove(made));
        }
    }
};

QTEST_MAIN(TestCrash)
#include "tst_crash.moc"
