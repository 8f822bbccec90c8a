#include "platform/FileDialogs.h"
#include "platform/Files.h"
#include "platform/LockNote.h"
#include "platform/MessageBox.h"
#include "platform/NameForms.h"
#include "platform/NoticeArea.h"
#include "platform/Plural.h"
#include "platform/Profile.h"
#include "platform/Scheduling.h"
#include "platform/Shell.h"
#include "platform/Today.h"
#include "platform/Translation.h"
#include "platform/Version.h"
#include "tests/support/TestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QRegularExpression>
#include <QSysInfo>
#include <QTest>
#include <QTimer>
#include <QXmlStreamReader>

#include <cmath>
#include <csignal>
#include <stdexcept>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#endif

using platform::Answer;
using platform::Buttons;
using platform::Icon;

namespace {

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void put(const QString& path, const QByteArray& data) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(data), data.size());
}

// A notification area that keeps what it is shown and, once everything is
// shown, gives the answers in turn from the event loop ("click N", "close").
#ifdef _WIN32
// Started and asked until it says it runs: in a new wine prefix the first
// start can time out while the service is still coming up.
bool schedulerRunning() {
    for (int i = 0; i < 30; ++i) {
        QProcess::execute(QStringLiteral("net"), {QStringLiteral("start"), QStringLiteral("schedule")});
        QProcess query;
        query.start(QStringLiteral("sc"), {QStringLiteral("query"), QStringLiteral("schedule")});
        if (query.waitForFinished(10000) && query.readAllStandardOutput().contains("RUNNING"))
            return true;
        QTest::qWait(1000);
    }
    return false;
}
#endif

class StandInArea : public platform::NoticeArea {
public:
    StandInArea(bool there, QStringList answers, int count)
        : m_there(there), m_answers(std::move(answers)), m_count(count) {}
    bool available() const override { return m_there; }
    void show(int index, const platform::AreaMessage& m) override {
        shown << QStringLiteral("%1 %2 %3 %4: %5")
                     .arg(index)
                     .arg(m.warning ? "warning" : "information")
                     .arg(m.shownMs)
                     .arg(m.title, m.text);
        if (index == m_count - 1)
            QTimer::singleShot(10, [this] { answer(); });
    }
    QStringList shown;

private:
    void answer() {
        if (m_answers.isEmpty())
            return;
        const QString next = m_answers.takeFirst();
        if (next.startsWith("click "))
            clicked(next.mid(6).toInt());
        else
            closed();
        if (!m_answers.isEmpty())
            QTimer::singleShot(10, [this] { answer(); });
    }
    bool m_there;
    QStringList m_answers;
    int m_count;
};

} // namespace

class TstPlatform : public QObject {
    Q_OBJECT

private slots:
    // Windows' daily run: the task registered from its definition (a
    // stand-in schtasks records what it was asked; under wine also wine's
    // own), else the Startup folder's shortcut; switched off, each goes.
    void theDailyRunOnWindows_data() {
        QTest::addColumn<bool>("scheduler"); // whether schtasks takes the task
        QTest::addColumn<bool>("system");    // the system's own schtasks
        QTest::newRow("the Task Scheduler") << true << false;
        QTest::newRow("refused: a shortcut at logon") << false << false;
        QTest::newRow("wine's own Task Scheduler") << true << true;
    }
    void theDailyRunOnWindows() {
#ifndef _WIN32
        QSKIP("Windows only; Linux's timer is tested with the reminders");
#else
        QFETCH(bool, scheduler);
        QFETCH(bool, system);
        // Wine keeps each task as a file; Windows lets no user read its own.
        const QString kept = QDir::fromNativeSeparators(qEnvironmentVariable("SystemRoot"))
                             + QStringLiteral("/system32/tasks/Zandrel/Напоминания");
        if (system && !GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version"))
            QSKIP("registers a real task: under wine only");
        if (system) // wine starts the service on the first call, at times too late for that call
            QVERIFY2(schedulerRunning(), "the Task Scheduler service did not start");
        TestFolder folder;
        const QByteArray appData = qgetenv("APPDATA");
        qputenv("APPDATA", QDir::toNativeSeparators(folder.path("appdata")).toUtf8());
        QFile standIn(folder.path("schtasks.cmd"));
        QVERIFY(standIn.open(QIODevice::WriteOnly));
        standIn.write(QStringLiteral("@echo %*>>\"%1\"\r\n@exit /b %2\r\n")
                          .arg(QDir::toNativeSeparators(folder.path("asked.txt")))
                          .arg(scheduler ? 0 : 1)
                          .toLocal8Bit());
        standIn.close();
        if (!system)
            qputenv("ZANDREL_SCHTASKS", standIn.fileName().toUtf8());
        const auto asked = [&] {
            QFile log(folder.path("asked.txt"));
            const QString text = log.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(log.readAll()) : QString();
            log.close();
            log.remove();
            return text;
        };
        const QString program = QStringLiteral("C:/Program Files/Zandrel/zandrel.exe");
        const platform::DailyRun run = platform::scheduleDailyRun(QTime(7, 30), program, {"--check-due"});
        const QString definition = platform::dailyRunTimerFile(), shortcut = platform::dailyRunAutostartFile();
        // Qt takes a shortcut for its target (here none): listed with the system files.
        const auto shortcutThere = [&] {
            return QFileInfo(shortcut)
                .dir()
                .entryList(QDir::Files | QDir::System)
                .contains(QFileInfo(shortcut).fileName());
        };
        QVERIFY(system || asked().startsWith("/Create /XML " + QDir::toNativeSeparators(definition) + " /TN "));
        QCOMPARE(QFile::exists(kept), system);
        if (scheduler) {
            QCOMPARE(run, platform::DailyRun::Timer);
            QFile f(definition);
            QVERIFY(f.open(QIODevice::ReadOnly));
            const QByteArray bytes = f.readAll();
            QVERIFY(bytes.startsWith("\xff\xfe")); // UTF-16 with its mark, as the Task Scheduler writes them
            QXmlStreamReader xml(
                QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData() + 2), (bytes.size() - 2) / 2));
            QMap<QString, QString> values; // each element's text
            QString element;
            while (!xml.atEnd()) {
                xml.readNext();
                if (xml.isStartElement())
                    element = xml.name().toString();
                else if (xml.isCharacters() && !xml.isWhitespace())
                    values.insert(element, xml.text().toString());
            }
            QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
            QCOMPARE(values.value("StartWhenAvailable"), "true");
            QVERIFY(values.value("StartBoundary").endsWith("T07:30:00"));
            QCOMPARE(values.value("DaysInterval"), "1");
            QCOMPARE(values.value("LogonType"), "InteractiveToken");
            QCOMPARE(values.value("RunLevel"), "LeastPrivilege");
            QCOMPARE(values.value("Command"), "C:\\Program Files\\Zandrel\\zandrel.exe");
            QCOMPARE(values.value("Arguments"), "--check-due");
            QVERIFY(platform::describeDailyRun(run, QTime(7, 30)).contains(QStringLiteral("Планировщика заданий")));
            QVERIFY(!shortcutThere());
        } else {
            QCOMPARE(run, platform::DailyRun::Autostart);
            QVERIFY(!QFile::exists(definition));
            QVERIFY2(shortcutThere(), qPrintable(shortcut));
        }
        QCOMPARE(platform::dailyRun(), run);
        platform::removeDailyRun();
        QCOMPARE(asked().startsWith("/Delete /TN "), scheduler && !system);
        QVERIFY(!QFile::exists(kept));
        QVERIFY(!QFile::exists(definition) && !shortcutThere());
        QCOMPARE(platform::dailyRun(), platform::DailyRun::None);
        qputenv("APPDATA", appData);
        qunsetenv("ZANDREL_SCHTASKS");
#endif
    }

    void initTestCase() { QVERIFY(platform::installRussianTranslation(*qApp)); }

    // Who and where, as the lock note names them: the system's own names.
    void theLockNotesNames() {
#ifdef _WIN32
        QCOMPARE(platform::computerName().toUpper(), qEnvironmentVariable("COMPUTERNAME").toUpper());
        QCOMPARE(platform::accountName().toUpper(), qEnvironmentVariable("USERNAME").toUpper());
#else
        QCOMPARE(platform::computerName(), QSysInfo::machineHostName());
        TestFolder folder;
        put(folder.path("mine"), "x");
        QCOMPARE(platform::accountName(), QFileInfo(folder.path("mine")).owner());
#endif
    }

    // A catalogue on another computer's share is told apart from a local one.
    void networkFilesAreRecognised_data() {
        QTest::addColumn<QString>("path"); // empty: a local folder of the test's
        QTest::addColumn<bool>("network");
        QTest::newRow("local") << "" << false;
#ifdef _WIN32
        QTest::newRow("a share") << "//server/share/books.mdb" << true;
        QTest::newRow("a share, Windows' way") << "\\\\server\\share\\books.mdb" << true;
#endif
    }
    void networkFilesAreRecognised() {
        QFETCH(QString, path);
        QFETCH(bool, network);
        TestFolder folder;
        put(folder.path("books.mdb"), "x");
        QCOMPARE(platform::isNetworkFileSystem(path.isEmpty() ? folder.path("books.mdb") : path), network);
    }

    // Notices in a notification area: a warning kept longer; a click picks
    // the notice's action (none without one); the wait ends when every
    // notice is clicked or closed, else at its limit; without an area each
    // notice is told another way.
    void noticesInTheArea_data() {
        QTest::addColumn<bool>("there");
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<QList<int>>("actions");
        QTest::addColumn<QList<int>>("notShown");
        QTest::addColumn<bool>("waitedOut");
        QTest::newRow("the second clicked, the first closed")
            << true << QStringList{"click 1", "close"} << QList<int>{1} << QList<int>{} << false;
        QTest::newRow("both closed") << true << QStringList{"close", "close"} << QList<int>{} << QList<int>{} << false;
        QTest::newRow("a notice without an action clicked")
            << true << QStringList{"click 2", "close", "close"} << QList<int>{} << QList<int>{} << false;
        QTest::newRow("one left unanswered") << true << QStringList{"click 0"} << QList<int>{0} << QList<int>{} << true;
        QTest::newRow("no area") << false << QStringList{} << QList<int>{} << QList<int>{0, 1} << false;
    }
    void noticesInTheArea() {
        QFETCH(bool, there);
        QFETCH(QStringList, answers);
        QFETCH(QList<int>, actions);
        QFETCH(QList<int>, notShown);
        QFETCH(bool, waitedOut);
        QList<platform::Notification> notices{{"Каталог", "Просрочено", true, {}, "Открыть"},
                                              {"Другой", "Завтра", false, {}, "Открыть"}};
        if (answers.size() == 3)
            notices << platform::Notification{"Третий", "Без действия", false, {}, {}};
        StandInArea area(there, answers, int(notices.size()));
        QList<int> picked, told;
        QElapsedTimer took;
        took.start();
        platform::showInArea(
            area, notices, [&](int i) { picked << i; }, [&](int i) { told << i; }, 3000);
        QCOMPARE(picked, actions);
        QCOMPARE(told, notShown);
        QCOMPARE(took.elapsed() >= 2800, waitedOut);
        if (!there) {
            QVERIFY(area.shown.isEmpty());
            return;
        }
        QCOMPARE(area.shown.mid(0, 2),
                 (QStringList{"0 warning 60000 Каталог: Просрочено", "1 information 15000 Другой: Завтра"}));
    }

    // --- INI files ---

    void readProfile_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        const QByteArray ini = "top=outside\n[Main]\n; skip=comment\n Path = /data/база.mdb \nEmpty=\n"
                               "Expr=a=b\n[Other]\nPath=other\n";
        QTest::newRow("trimmed value") << ini << "Main"
                                       << "Path"
                                       << "/data/база.mdb";
        QTest::newRow("section and key in other case") << ini << "mAIN"
                                                       << "PATH"
                                                       << "/data/база.mdb";
        QTest::newRow("empty value is no default") << ini << "Main"
                                                   << "Empty"
                                                   << "";
        QTest::newRow("value after first =") << ini << "Main"
                                             << "Expr"
                                             << "a=b";
        QTest::newRow("key belongs to its section") << ini << "Other"
                                                    << "Path"
                                                    << "other";
        QTest::newRow("missing key") << ini << "Main"
                                     << "Nope"
                                     << "DEF";
        QTest::newRow("missing section") << ini << "Nope"
                                         << "Path"
                                         << "DEF";
        QTest::newRow("key before any section") << ini << ""
                                                << "top"
                                                << "DEF";
        QTest::newRow("commented key") << ini << "Main"
                                       << "; skip"
                                       << "DEF";
        QTest::newRow("CRLF file") << QByteArray("[A]\r\nk=v\r\n") << "A"
                                   << "k"
                                   << "v";
        QTest::newRow("BOM before first section") << QByteArray("\xEF\xBB\xBF[A]\nk=v\n") << "A"
                                                  << "k"
                                                  << "v";
    }

    void readProfile() {
        QFETCH(QByteArray, file);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        TestFolder folder;
        put(folder.path("z.ini"), file);
        QCOMPARE(platform::readProfileString(folder.path("z.ini"), section, key, "DEF"), expected);
    }

    void readProfileMissingFileGivesDefault() {
        TestFolder folder;
        QCOMPARE(platform::readProfileString(folder.path("none.ini"), "A", "k", "def"), QString("def"));
        QCOMPARE(platform::readProfileString(QString(), "A", "k", "def"), QString("def"));
    }

    void writeProfile_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("after");
        const QByteArray ini = "; settings\n[Main]\nPath=/old\n#note\nZoom=2\n\n[Other]\nX=1\ngarbage line";
        QTest::newRow("new file") << QByteArray() << "Главное"
                                  << "Путь"
                                  << "/д.mdb" << QByteArray("[Главное]\nПуть=/д.mdb\n");
        QTest::newRow("replace in place") << ini << "Main"
                                          << "Path"
                                          << "/new" << QByteArray(ini).replace("Path=/old", "Path=/new");
        QTest::newRow("replace ignoring case keeps spelling")
            << ini << "main"
            << "PATH"
            << "/new" << QByteArray(ini).replace("Path=/old", "Path=/new");
        QTest::newRow("new key after section's last line")
            << ini << "Main"
            << "Size"
            << "10" << QByteArray(ini).replace("Zoom=2\n", "Zoom=2\nSize=10\n");
        QTest::newRow("new key in last section without final newline") << ini << "Other"
                                                                       << "Y"
                                                                       << "2" << ini + "\nY=2\n";
        QTest::newRow("new section appended") << ini << "New"
                                              << "k"
                                              << "v" << ini + "\n[New]\nk=v\n";
        QTest::newRow("CRLF kept") << QByteArray("[A]\r\nk=1\r\n") << "A"
                                   << "j"
                                   << "2" << QByteArray("[A]\r\nk=1\r\nj=2\r\n");
        QTest::newRow("BOM kept") << QByteArray("\xEF\xBB\xBF[A]\nk=1\n") << "A"
                                  << "k"
                                  << "2" << QByteArray("\xEF\xBB\xBF[A]\nk=2\n");
        QTest::newRow("line breaks in value") << QByteArray() << "A"
                                              << "k"
                                              << "a\rb\nc" << QByteArray("[A]\nk=a b c\n");
    }

    void writeProfile() {
        QFETCH(QByteArray, before);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QByteArray, after);
        TestFolder folder;
        const QString file = folder.path("z.ini");
        if (!before.isEmpty())
            put(file, before);
        QVERIFY(platform::writeProfileString(file, section, key, value));
        QCOMPARE(contents(file), after);
        QCOMPARE(platform::readProfileString(file, section, key, "DEF"), value.simplified());
    }

    void readProfileCapsLongValues() {
        TestFolder folder;
        const QString file = folder.path("z.ini");
        QVERIFY(platform::writeProfileString(file, "A", "k", QString(3000, QLatin1Char('x'))));
        QCOMPARE(platform::readProfileString(file, "A", "k", ""), QString(2047, QLatin1Char('x')));
    }

    void writeProfileRefusesReadOnly_data() {
        QTest::addColumn<bool>("lockFolder");
        QTest::newRow("read-only file") << false;
        QTest::newRow("read-only folder") << true;
    }

    void writeProfileRefusesReadOnly() {
        QFETCH(bool, lockFolder);
#ifdef _WIN32
        if (lockFolder)
            QSKIP("a folder's permissions: Windows keeps none that forbid writing to an owner");
#endif
        TestFolder folder;
        const QString file = folder.path("z.ini");
        const QByteArray original = "[A]\nk=1\n";
        put(file, original);
        const QString locked = lockFolder ? folder.root() : file;
        const auto permissions = QFile::permissions(locked);
        QVERIFY(QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup));
        const bool written = platform::writeProfileString(file, "A", "k", "2");
        QFile::setPermissions(locked, permissions);
        QVERIFY(!written);
        QCOMPARE(contents(file), original);
        QCOMPARE(QDir(folder.root()).entryList(QDir::Files), QStringList{"z.ini"});
    }

    void writeProfileIntoMissingFolderFails() {
        TestFolder folder;
        QVERIFY(!platform::writeProfileString(folder.path("no/z.ini"), "A", "k", "v"));
    }

    void failedWriteKeepsFile() {
#ifdef _WIN32
        QSKIP("a file-size limit (setrlimit): POSIX");
#else
        // A file-size limit makes the write itself fail, even for root.
        TestFolder folder;
        const QString file = folder.path("z.ini");
        const QByteArray original = "[A]\nk=1\n";
        put(file, original);
        rlimit saved{};
        QVERIFY(getrlimit(RLIMIT_FSIZE, &saved) == 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved;
        small.rlim_cur = 64;
        QVERIFY(setrlimit(RLIMIT_FSIZE, &small) == 0);
        const bool written = platform::writeProfileString(file, "A", "k", QString(500, QLatin1Char('y')));
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);
        QVERIFY(!written);
        QCOMPARE(contents(file), original);
        QCOMPARE(QDir(folder.root()).entryList(QDir::Files), QStringList{"z.ini"});
#endif
    }

    void parseProfileInteger_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<long long>("value");
        QTest::newRow("1") << "1" << true << 1LL;
        QTest::newRow("0") << "0" << true << 0LL;
        QTest::newRow("0x10") << "0x10" << true << 16LL;
        QTest::newRow("0X1f") << "0X1f" << true << 31LL;
        QTest::newRow("0x alone") << "0x" << false << 0LL;
        QTest::newRow("abc") << "abc" << false << 0LL;
        QTest::newRow("blanks") << "  7 " << true << 7LL;
        QTest::newRow("-3") << "-3" << true << -3LL;
        QTest::newRow("+5") << "+5" << true << 5LL;
        QTest::newRow("empty") << "" << false << 0LL;
        QTest::newRow("trailing text") << "12abc" << false << 0LL;
        QTest::newRow("bad hex digit") << "0x1g" << false << 0LL;
        QTest::newRow("double prefix") << "0x0x1" << false << 0LL;
        QTest::newRow("sign alone") << "-" << false << 0LL;
    }

    void parseProfileInteger() {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(long long, value);
        const auto parsed = platform::parseProfileInteger(text);
        QCOMPARE(parsed.has_value(), valid);
        if (valid)
            QCOMPARE(*parsed, value);
    }

    // --- message boxes ---

    void messageText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("CR") << "a\rb"
                            << "a\nb";
        QTest::newRow("CRLF is one break") << "a\r\nb"
                                           << "a\nb";
        QTest::newRow("two CR") << "a\r\rb"
                                << "a\n\nb";
        QTest::newRow("two CRLF") << "a\r\n\r\nb"
                                  << "a\n\nb";
        QTest::newRow("LF then CR") << "a\n\rb"
                                    << "a\n\nb";
        QTest::newRow("plain") << "abc"
                               << "abc";
    }

    void messageText() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(platform::messageText(text), expected);
        ScriptedMessageBoxes boxes;
        boxes.answer(Answer::Ok);
        platform::messageBox(text, "c", Buttons::Ok, Icon::None);
        QCOMPARE(boxes.last().text, expected);
    }

    void showErrorFullStop_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("letter") << "abc"
                                << "abc.";
        QTest::newRow("cyrillic") << "Ошибка"
                                  << "Ошибка.";
        QTest::newRow("digit") << "код 5"
                               << "код 5.";
        QTest::newRow("colon sorts after") << "x:"
                                           << "x:.";
        QTest::newRow("closing quote") << "файл «a»"
                                       << "файл «a».";
        QTest::newRow("exclamation") << "abc!"
                                     << "abc!";
        QTest::newRow("parenthesis") << "abc)"
                                     << "abc)";
        QTest::newRow("already a full stop") << "abc."
                                             << "abc.";
        QTest::newRow("hyphen") << "abc-"
                                << "abc-";
        QTest::newRow("empty") << ""
                               << "";
    }

    void showErrorFullStop() {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        ScriptedMessageBoxes boxes;
        boxes.answer(Answer::Ok);
        platform::showError(text);
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(boxes.last().text, shown);
        QCOMPARE(boxes.last().caption, QString("Zandrel"));
        QCOMPARE(boxes.last().icon, Icon::Error);
        QCOMPARE(boxes.last().buttons, Buttons::Ok);
    }

    void showPlainMessageCaption() {
        ScriptedMessageBoxes boxes;
        boxes.answerAlways(Answer::Ok);
        QGuiApplication::setApplicationDisplayName(QString());
        platform::showPlainMessage("a");
        QGuiApplication::setApplicationDisplayName("Каталог");
        platform::showPlainMessage("b");
        QGuiApplication::setApplicationDisplayName(QString());
        QCOMPARE(boxes.count(), 2);
        QCOMPARE(boxes.shown()[0].caption, QString("Zandrel"));
        QCOMPARE(boxes.shown()[1].caption, QString("Каталог"));
        QCOMPARE(boxes.shown()[1].icon, Icon::None);
    }

    void realMessageBox_data() {
        QTest::addColumn<Buttons>("buttons");
        QTest::addColumn<QString>("action");
        QTest::addColumn<Answer>("expected");
        QTest::newRow("yes") << Buttons::YesNo << "yes" << Answer::Yes;
        QTest::newRow("no") << Buttons::YesNo << "no" << Answer::No;
        QTest::newRow("closed") << Buttons::YesNo << "close" << Answer::No;
        QTest::newRow("escape") << Buttons::YesNo << "escape" << Answer::No;
        QTest::newRow("ok") << Buttons::Ok << "enter" << Answer::Ok;
    }

    void realMessageBox() {
        QFETCH(Buttons, buttons);
        QFETCH(QString, action);
        QFETCH(Answer, expected);
        QString text;
        QString yesText;
        whenModalShown([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            if (!box) {
                modal->close();
                return;
            }
            text = box->text();
            if (auto* yes = box->button(QMessageBox::Yes))
                yesText = yes->text().remove('&');
            if (action == "yes")
                click(box->button(QMessageBox::Yes));
            else if (action == "no")
                click(box->button(QMessageBox::No));
            else if (action == "close")
                box->close();
            else if (action == "escape")
                QTest::keyClick(box, Qt::Key_Escape);
            else
                QTest::keyClick(box, Qt::Key_Return);
        });
        QCOMPARE(platform::messageBox("Первая\rвторая", "Заголовок", buttons, Icon::Question), expected);
        QCOMPARE(text, QString("Первая\nвторая"));
        if (buttons == Buttons::YesNo)
            QCOMPARE(yesText, QString("Да"));
    }

    void guardedShowsExceptions() {
        ScriptedMessageBoxes boxes;
        boxes.answerAlways(Answer::Ok);
        bool ran = false;
        QVERIFY(platform::guarded([&] { ran = true; }));
        QVERIFY(ran);
        QCOMPARE(boxes.count(), 0);
        QVERIFY(!platform::guarded([] { throw std::runtime_error("Сбой записи"); }));
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(boxes.last().text, QString("Сбой записи."));
        QCOMPARE(boxes.last().icon, Icon::Error);
        QVERIFY(!platform::guarded([] { throw 42; }));
        QCOMPARE(boxes.count(), 2);
        QVERIFY(!boxes.last().text.isEmpty());
    }

    void scriptedBoxesAnswerInOrderAndFlagSurprises() {
        ScriptedMessageBoxes boxes;
        boxes.failOnUnexpected(false);
        boxes.answer(Answer::No);
        boxes.answer(Answer::Yes);
        QCOMPARE(platform::messageBox("1", "", Buttons::YesNo, Icon::Question), Answer::No);
        QCOMPARE(platform::messageBox("2", "", Buttons::YesNo, Icon::Question), Answer::Yes);
        QVERIFY(!boxes.unexpected());
        QCOMPARE(platform::messageBox("3", "", Buttons::YesNo, Icon::Question), Answer::No);
        QVERIFY(boxes.unexpected());
        QCOMPARE(boxes.count(), 3);

        ScriptedMessageBoxes mismatch;
        mismatch.failOnUnexpected(false);
        mismatch.answer(Answer::Yes);
        QCOMPARE(platform::messageBox("ok box", "", Buttons::Ok, Icon::None), Answer::Ok);
        QVERIFY(mismatch.unexpected());
    }

    // --- file dialogs ---

    void scriptedFileDialogs() {
        ScriptedFileDialogs dialogs;
        dialogs.failOnUnexpected(false);
        dialogs.choose("/x/a.mdb");
        const platform::FileDialogRequest request{platform::FileDialogKind::Open, "Открыть", "", "", false};
        QCOMPARE(platform::chooseFile(nullptr, request), QString("/x/a.mdb"));
        QVERIFY(!dialogs.unexpected());
        QCOMPARE(platform::chooseFile(nullptr, request), QString());
        QVERIFY(dialogs.unexpected());
        QCOMPARE(dialogs.requests().size(), 2);
        QCOMPARE(dialogs.requests()[0].title, QString("Открыть"));
    }

    void realSaveDialogChecksFolderAndAddsNoSuffix() {
        TestFolder folder;
        ScriptedMessageBoxes boxes;
        boxes.answer(Answer::Ok);
        bool stayedOpen = false;
        QString filterShown, filterPatterns;
        whenModalShown([&](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            if (!dialog) {
                modal->close();
                return;
            }
            filterShown = dialog->findChild<QComboBox*>("fileTypeCombo")->currentText();
            filterPatterns = dialog->nameFilters().join(u'|');
            // The name typed and Enter pressed, as a user saves.
            auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
            name->setText(folder.path("missing/base.mdb"));
            QTest::keyClick(name, Qt::Key_Return);
            stayedOpen = dialog->isVisible();
            name->setText(folder.path("base"));
            QTest::keyClick(name, Qt::Key_Return);
        });
        const platform::FileDialogRequest request{platform::FileDialogKind::Save, "Сохранить",
                                                  "Базы данных Access (*.mdb)", folder.root(), true};
        // The commands decide about extensions: the dialog adds none.
        QCOMPARE(platform::chooseFile(nullptr, request), folder.path("base"));
        QVERIFY(stayedOpen);
        QCOMPARE(filterShown, QString("Базы данных Access"));
        QCOMPARE(filterPatterns, QString("Базы данных Access (*.mdb)"));
        QCOMPARE(boxes.count(), 1);
        QVERIFY(boxes.last().text.contains("missing"));
    }

    // --- files ---

    void uniqueTempFile() {
        TestFolder folder;
        const QString a = platform::uniqueTempFile("", "zan");
        const QString b = platform::uniqueTempFile("", "zan");
        QVERIFY(a != b);
        QVERIFY(QRegularExpression("^zan[0-9A-F]{1,4}\\.tmp$").match(a).hasMatch());
        QVERIFY(QFileInfo(folder.path(a)).isFile());
        QCOMPARE(QFileInfo(folder.path(a)).size(), 0);
        QDir(folder.root()).mkdir("sub");
        const QString c = platform::uniqueTempFile("sub", "t");
        QVERIFY(c.startsWith("sub/t"));
        QVERIFY(QFileInfo::exists(folder.path(c)));
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, platform::uniqueTempFile("missing", "t"));
    }

    void pathParts_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("name");
        QTest::newRow("absolute") << "/a/b/c.mdb"
                                  << "/a/b"
                                  << "c.mdb";
        QTest::newRow("bare") << "c.mdb"
                              << ""
                              << "c.mdb";
        QTest::newRow("root") << "/c.mdb"
                              << "/"
                              << "c.mdb";
        QTest::newRow("relative") << "d/c.mdb"
                                  << "d"
                                  << "c.mdb";
    }

    void pathParts() {
        QFETCH(QString, path);
        QFETCH(QString, folder);
        QFETCH(QString, name);
        QCOMPARE(platform::folderOf(path), folder);
        QCOMPARE(platform::fileNameOf(path), name);
    }

    void fileOperations() {
        TestFolder folder;
        put("a", "first");
        put("b", "second");
        QVERIFY(platform::fileExists("a"));
        QVERIFY(!platform::fileExists(""));
        QVERIFY(!platform::fileExists(folder.root()));
        QVERIFY(platform::renameFile("a", "b"));
        QVERIFY(!platform::fileExists("a"));
        QCOMPARE(contents("b"), QByteArray("first"));
        QVERIFY(platform::syncFile("b"));
        QVERIFY(platform::syncFolder(""));
        QVERIFY(!platform::syncFile("a"));
        QVERIFY(platform::deleteFile("b"));
        QVERIFY(!platform::fileExists("b"));
    }

    // --- day numbers ---

    void dayNumbers_data() {
        QTest::addColumn<QDateTime>("dateTime");
        QTest::addColumn<double>("number");
        const auto at = [](int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
            return QDateTime(QDate(y, mo, d), QTime(h, mi, s));
        };
        QTest::newRow("epoch") << at(1899, 12, 30) << 0.0;
        QTest::newRow("1900-01-01") << at(1900, 1, 1) << 2.0;
        QTest::newRow("2024-03-15") << at(2024, 3, 15) << 45366.0;
        QTest::newRow("noon") << at(2024, 3, 15, 12) << 45366.5;
        QTest::newRow("day before epoch") << at(1899, 12, 29) << -1.0;
        QTest::newRow("before epoch with time") << at(1899, 12, 29, 6) << -1.25;
        QTest::newRow("two days before, 18:00") << at(1899, 12, 28, 18) << -2.75;
    }

    void dayNumbers() {
        QFETCH(QDateTime, dateTime);
        QFETCH(double, number);
        QCOMPARE(platform::toDayNumber(dateTime), number);
        QCOMPARE(platform::dateTimeOfDayNumber(number), dateTime);
        if (dateTime.time() == QTime(0, 0)) {
            QCOMPARE(platform::toDayNumber(dateTime.date()), number);
            QCOMPARE(platform::dateOfDayNumber(number), dateTime.date());
        }
    }

    void dayNumberRounding() {
        QCOMPARE(platform::dateTimeOfDayNumber(1.9999999999), QDateTime(QDate(1900, 1, 1), QTime(0, 0)));
        QCOMPARE(platform::dateTimeOfDayNumber(45366.0 + 1234.4 / 86400000.0).time(), QTime(0, 0, 1, 234));
        QCOMPARE(platform::dateOfDayNumber(45366.99), QDate(2024, 3, 15));
        QVERIFY(!platform::dateOfDayNumber(std::nan("")).isValid());
        QVERIFY(!platform::dateTimeOfDayNumber(INFINITY).isValid());
    }

    void formatDayNumber_data() {
        QTest::addColumn<double>("number");
        QTest::addColumn<QString>("text");
        QTest::newRow("date only") << 45366.0 << "15.03.2024";
        QTest::newRow("noon") << 45366.5 << "15.03.2024 12:00:00";
        QTest::newRow("one second") << 45366.0 + 1.0 / 86400 << "15.03.2024 00:00:01";
        QTest::newRow("below half a second") << 45366.0 + 0.4 / 86400 << "15.03.2024";
        QTest::newRow("rounds into next day") << 45366.999999999 << "16.03.2024";
        QTest::newRow("before epoch") << -1.25 << "29.12.1899 06:00:00";
        QTest::newRow("not a number") << double(NAN) << "";
    }

    void formatDayNumber() {
        QFETCH(double, number);
        QFETCH(QString, text);
        QCOMPARE(platform::formatDayNumber(number), text);
    }

    // One rule for the date a day number shows as and for the debt states,
    // whatever shows them (grid, reports, history, reminder).
    void datesAndDebtStates_data() {
        QTest::addColumn<double>("due");
        QTest::addColumn<QString>("date");
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("daysOverdue"); // on 01.03.2024 (45352)
        using S = platform::DebtState;
        QTest::newRow("before 1900 with a time") << -363.5 << "01.01.1899" << int(S::Overdue) << 45715;
        QTest::newRow("yesterday at noon") << 45351.5 << "29.02.2024" << int(S::Overdue) << 1;
        QTest::newRow("today exactly") << 45352.0 << "01.03.2024" << int(S::DueToday) << 0;
        QTest::newRow("today with a time") << 45352.5 << "01.03.2024" << int(S::DueByTomorrow) << 0;
        QTest::newRow("tomorrow") << 45353.0 << "02.03.2024" << int(S::DueByTomorrow) << 0;
        QTest::newRow("tomorrow with a time") << 45353.25 << "02.03.2024" << int(S::NotDue) << 0;
        QTest::newRow("no due date") << double(NAN) << "" << int(S::NoDueDate) << 0;
    }
    void datesAndDebtStates() {
        QFETCH(double, due);
        QFETCH(QString, date);
        QFETCH(int, state);
        QFETCH(int, daysOverdue);
        QCOMPARE(platform::formatDate(due), date);
        QCOMPARE(platform::formatDayNumber(due).left(10), date); // the grid's text starts with the same
        QCOMPARE(int(platform::debtStateOf(due, 45352)), state);
        QCOMPARE(platform::daysOverdue(due, 45352), daysOverdue);
        QCOMPARE(platform::daysOverdue(due, 45352.75), daysOverdue); // any moment of that day
    }

    void countsTakeTheRussianPlural_data() {
        QTest::addColumn<qint64>("count");
        QTest::addColumn<QString>("things");
        QTest::addColumn<QString>("debtors"); // as in "у N должника"
        QTest::newRow("1") << qint64(1) << "1 вещь"
                           << "1 должника";
        QTest::newRow("2") << qint64(2) << "2 вещи"
                           << "2 должников";
        QTest::newRow("5") << qint64(5) << "5 вещей"
                           << "5 должников";
        QTest::newRow("11") << qint64(11) << "11 вещей"
                            << "11 должников";
        QTest::newRow("21") << qint64(21) << "21 вещь"
                            << "21 должника";
        QTest::newRow("22") << qint64(22) << "22 вещи"
                            << "22 должников";
        QTest::newRow("111") << qint64(111) << "111 вещей"
                             << "111 должников";
        QTest::newRow("0") << qint64(0) << "0 вещей"
                           << "0 должников";
    }
    void countsTakeTheRussianPlural() {
        QFETCH(qint64, count);
        QFETCH(QString, things);
        QFETCH(QString, debtors);
        QCOMPARE(platform::countOf(count, {"вещь", "вещи", "вещей"}), things);
        QCOMPARE(platform::countOf(count, {"должника", "должников", "должников"}), debtors);
    }

    void aQuestionNamesThreeAndCountsTheRest_data() {
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<QString>("text");
        QTest::newRow("none") << QStringList{} << "";
        QTest::newRow("three") << QStringList{"А", "Б", "В"} << "А, Б, В";
        QTest::newRow("four") << QStringList{"А", "Б", "В", "Г"} << "А, Б, В и ещё 1";
        QTest::newRow("six") << QStringList{"А", "Б", "В", "Г", "Д", "Е"} << "А, Б, В и ещё 3";
    }
    void aQuestionNamesThreeAndCountsTheRest() {
        QFETCH(QStringList, items);
        QFETCH(QString, text);
        QCOMPARE(platform::firstFewAndMore(items), text);
    }

    // «У Иванова И. П. уже…»: a surname of a known ending declined, the rest
    // as initials; anything else left whole rather than declined wrongly.
    void namesAfterAPreposition_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("genitive");
        QTest::newRow("-ов, three words") << "Иванов Иван Петрович"
                                          << "Иванова И. П.";
        QTest::newRow("-ова") << "Петрова Анна Сергеевна"
                              << "Петровой А. С.";
        QTest::newRow("-ин") << "Ёлкин  Степан"
                             << "Ёлкина С.";
        QTest::newRow("-ина") << "Ёлкина Вера"
                              << "Ёлкиной В.";
        QTest::newRow("-ев") << "Соловьев Павел"
                             << "Соловьева П.";
        QTest::newRow("-ский") << "Чайковский Пётр"
                               << "Чайковского П.";
        QTest::newRow("-цкая") << "Вяземская Ольга"
                               << "Вяземской О.";
        QTest::newRow("capitals") << "ОРЛОВ ОЛЕГ"
                                  << "ОРЛОВА О.";
        QTest::newRow("unknown ending") << "Сидоренко Олег"
                                        << "Сидоренко Олег";
        QTest::newRow("latin") << "Smith John"
                               << "Smith John";
        QTest::newRow("one word") << "Марина"
                                  << "Марина";
        QTest::newRow("the ending alone") << "Ин Ли"
                                          << "Ин Ли";
        QTest::newRow("not a letter") << "Петров (сосед)"
                                      << "Петрова (сосед)";
        QTest::newRow("empty") << ""
                               << "";
    }
    void namesAfterAPreposition() {
        QFETCH(QString, name);
        QFETCH(QString, genitive);
        QCOMPARE(platform::genitiveShortName(name), genitive);
    }

    // A finished file goes into place however the folder's file system
    // allows it, and never over a file that is there.
    void placingAFileNeverReplacesOne_data() {
        QTest::addColumn<int>("allowed");
        QTest::newRow("hard link") << int(platform::Placement::Any);
        QTest::newRow("rename that refuses to replace") << int(platform::Placement::RenameOrCopy);
        QTest::newRow("copy into a new file (FAT, exFAT)") << int(platform::Placement::CopyOnly);
    }
    void placingAFileNeverReplacesOne() {
        QFETCH(int, allowed);
        TestFolder folder;
        const auto write = [](const QString& name, const QByteArray& bytes) {
            QFile f(name);
            return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
        };
        const auto read = [](const QString& name) {
            QFile f(name);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(none)");
        };
        QVERIFY(write("new.tmp", "new") && write("other.tmp", "other"));
        QCOMPARE(platform::placeNewFile("new.tmp", "target.mdb", platform::Placement(allowed)), 0);
        QCOMPARE(read("target.mdb"), QByteArray("new"));
        QVERIFY(!QFile::exists("new.tmp"));
        QCOMPARE(platform::placeNewFile("other.tmp", "target.mdb", platform::Placement(allowed)), EEXIST);
        QCOMPARE(read("target.mdb"), QByteArray("new"));
        QCOMPARE(read("other.tmp"), QByteArray("other"));
        QCOMPARE(platform::systemErrorText(EEXIST), QStringLiteral("такой файл уже есть"));
        QCOMPARE(platform::systemErrorText(ENOSPC), QStringLiteral("на диске нет места"));
    }

    void todayPinning() {
        {
            PinnedToday pinned(day(2024, 3, 15));
            QCOMPARE(platform::today(), 45366.0);
        }
        const double now = platform::today();
        QCOMPARE(now, std::floor(now));
        QVERIFY(std::abs(now - platform::toDayNumber(QDate::currentDate())) <= 1);
    }

    // --- version and shell ---

    void versionOverride() {
        const auto stamped = platform::executableVersion();
        QVERIFY(stamped.has_value());
        QVERIFY(QRegularExpression("^\\d+\\.\\d+\\.\\d+\\.\\d+$").match(*stamped).hasMatch());
        platform::overrideExecutableVersion(std::optional<QString>("2.0.11.305"));
        QCOMPARE(platform::executableVersion(), std::optional<QString>("2.0.11.305"));
        platform::overrideExecutableVersion(std::optional<QString>());
        QVERIFY(!platform::executableVersion().has_value());
        platform::overrideExecutableVersion(std::nullopt);
        QCOMPARE(platform::executableVersion(), stamped);
    }

    void shellIsScriptable() {
        ScriptedShell shell;
        QVERIFY(platform::shellOpen("mailto:info@example.ru"));
        shell.setResult(false);
        QVERIFY(!platform::shellOpen("https://example.ru"));
        QCOMPARE(shell.opened(), (QStringList{"mailto:info@example.ru", "https://example.ru"}));
    }
};

QTEST_MAIN(TstPlatform)
#include "tst_platform.moc"
