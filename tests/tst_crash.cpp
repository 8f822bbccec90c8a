// Every write path, killed with SIGKILL at a random moment: the next opening
// finds the file intact and in its state before or after the command, with
// nothing but the file left beside it. ZANDREL_CRASH_TRIALS sets the trials
// per path ("make crashtest TRIALS=N").
#include "tests/support/TestSupport.h"
#include "tests/support/WritePaths.h"

#include "data/Backups.h"
#include "engine/Connection.h"

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
bool startHelper(QProcess& helper, int command, const QString& file) {
    helper.start(QStringLiteral(ZANDREL_CRASH_HELPER), {QString::number(command), QString::number(kRows), file});
    return helper.waitForStarted(10000) && helper.waitForReadyRead(10000)
           && helper.readLine().trimmed() == QByteArray("ready");
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
        QVERIFY(startHelper(helper, path, file));
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
            QVERIFY(startHelper(victim, path, file));
            const qint64 at = QRandomGenerator::global()->bounded(qMax<qint64>(micros, 1));
            victim.write("go\n");
            victim.waitForBytesWritten(1000);
            std::this_thread::sleep_for(std::chrono::microseconds(at));
            ::kill(static_cast<pid_t>(victim.processId()), SIGKILL);
            victim.waitForFinished(10000);
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
};

QTEST_MAIN(TestCrash)
#include "tst_crash.moc"
