// What a window manager is told about each window: the title it shows and
// the frame it draws. Needs an X display (CTest starts one with xvfb-run);
// without one every test is skipped.
#include "AppHarness.h"

#include "platform/MessageBox.h"

#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QWindow>
#include <QtTest>

#include <csignal>
#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Motif hints: flags, functions, decorations (see MwmUtil.h).
constexpr unsigned kFunctionsGiven = 0x1;
constexpr unsigned kMinimize = 0x8, kMaximize = 0x10, kClose = 0x20;

struct XWindow {
    QString title;
    QList<unsigned> motif;
    QSize minimum, maximum;
};

XWindow propertiesOf(const QWidget* window) {
    QProcess xprop;
    xprop.start(QStringLiteral("xprop"),
                {QStringLiteral("-id"), QString::number(window->winId()), QStringLiteral("_NET_WM_NAME"),
                 QStringLiteral("_MOTIF_WM_HINTS"), QStringLiteral("WM_NORMAL_HINTS")});
    xprop.waitForFinished(5000);
    const QString text = QString::fromUtf8(xprop.readAllStandardOutput());
    XWindow w;
    QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("_NET_WM_NAME\\(UTF8_STRING\\) = \"(.*)\"")).match(text);
    w.title = m.captured(1);
    m = QRegularExpression(QStringLiteral("_MOTIF_WM_HINTS\\(_MOTIF_WM_HINTS\\) = (.*)")).match(text);
    for (const QString& value : m.captured(1).split(QStringLiteral(", "), Qt::SkipEmptyParts))
        w.motif << value.toUInt(nullptr, 16);
    auto size = [&](const char* which) {
        const QRegularExpressionMatch s =
            QRegularExpression(QStringLiteral("%1 size: (\\d+) by (\\d+)").arg(QLatin1String(which))).match(text);
        return s.hasMatch() ? QSize(s.captured(1).toInt(), s.captured(2).toInt()) : QSize();
    };
    w.minimum = size("minimum");
    w.maximum = size("maximum");
    return w;
}

// The functions a window manager is allowed, or every one when none are given.
unsigned functionsOf(const XWindow& w) {
    return w.motif.size() > 1 && (w.motif[0] & kFunctionsGiven) ? w.motif[1] : 0xFFu;
}

} // namespace

bool windowManagerRuns() {
    return std::system("xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'") == 0;
}

// openbox, where installed, frames the windows as a desktop does. It must
// run before the application connects: Qt reads what the window manager
// supports (frame extents among it) once, at its start.
pid_t startWindowManager() {
    if (!std::getenv("DISPLAY") || windowManagerRuns() || std::system("command -v openbox >/dev/null") != 0)
        return 0;
    const pid_t pid = fork();
    if (pid == 0) {
        execlp("openbox", "openbox", static_cast<char*>(nullptr));
        _exit(127);
    }
    for (int i = 0; i < 100 && !windowManagerRuns(); ++i)
        usleep(100 * 1000);
    return pid;
}

class TestDesktop : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        if (QGuiApplication::platformName() != QLatin1String("xcb")
            || QStandardPaths::findExecutable("xprop").isEmpty())
            QSKIP("needs an X display and xprop");
        // A manager that has just started names itself before it frames
        // windows: the first window measured waits until one is framed.
        if (windowManagerRuns()) {
            QWidget probe;
            probe.resize(200, 100);
            probe.show();
            QTRY_VERIFY_WITH_TIMEOUT(probe.windowHandle() && !probe.windowHandle()->frameMargins().isNull(), 15000);
        }
    }

    // Sizes as a user measures them: the outer size, frame and title bar
    // included, where the window's size counts its frame; else the client area.
    void windowSizesUnderAWindowManager_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("outer");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QSize>("minimum"); // invalid: fixed size
        QTest::addColumn<bool>("centred");  // on the main window, frames included
        QTest::newRow("contacts window") << "iContacts" << true << QSize(603, 200) << QSize(425, 120) << true;
        QTest::newRow("table manager") << "iSelectTable" << false << QSize(219, 379) << QSize() << false;
        QTest::newRow("item editor") << "iAddRec" << false << QSize(274, 232) << QSize() << true;
    }
    void windowSizesUnderAWindowManager() {
        QFETCH(QString, command);
        QFETCH(bool, outer);
        QFETCH(QSize, size);
        QFETCH(QSize, minimum);
        QFETCH(bool, centred);
        if (!windowManagerRuns())
            QSKIP("needs a window manager (openbox)");
        AppHarness app;
        app.makeCatalogue("home.mdb", {{"Books", {}}});
        app.writeSettings("[Options]\nDefaultBase=home.mdb\n");
        app.start();
        QSize shown, least, frame;
        QPoint offCentre;
        whenModalShown([&](QWidget* w) {
            // Framed: the frame's size is known once the manager has reparented
            // it; a client area is what it is, framed or not yet.
            if (outer)
                QTRY_VERIFY_WITH_TIMEOUT(w->frameGeometry().size() != w->size(), 15000);
            // The window follows the frame it learnt a few looks later (on a
            // loaded machine, later still): measured once it has.
            if (outer)
                QTRY_COMPARE_WITH_TIMEOUT(w->frameGeometry().size(), size, 5000);
            if (centred)
                QTRY_VERIFY_WITH_TIMEOUT(
                    (w->frameGeometry().center() - app.main()->frameGeometry().center()).manhattanLength() <= 2, 5000);
            QTest::qWait(100);
            frame = w->frameGeometry().size() - w->size();
            shown = outer ? w->frameGeometry().size() : w->size();
            least = w->minimumSize() + (outer ? frame : QSize(0, 0));
            offCentre = w->frameGeometry().center() - app.main()->frameGeometry().center();
            QMetaObject::invokeMethod(w, "done", Q_ARG(int, 0));
        });
        app.main()->findChild<QAction*>(command)->trigger();
        QCOMPARE(shown, size);
        if (minimum.isValid())
            QCOMPARE(least, minimum);
        if (centred)
            QVERIFY2(offCentre.manhattanLength() <= 2,
                     qPrintable(QStringLiteral("%1 px off centre").arg(offCentre.manhattanLength())));
    }

    void titlesReadExactlyAsSet() {
        AppHarness app;
        app.makeCatalogue("home.mdb", {{"Books", {}}});
        app.writeSettings("[Options]\nDefaultBase=home.mdb\n");
        Program::PrepareApplication(); // names the application as the program does
        app.start();
        QTRY_COMPARE(propertiesOf(app.main()).title, QStringLiteral("Zandrel - home.mdb(Books)"));
        // A real message box: its caption alone.
        const platform::MessageBoxHandler scripted = platform::setMessageBoxHandler({});
        QString boxTitle;
        whenModalShown([&](QWidget* box) {
            QTRY_VERIFY(!propertiesOf(box).title.isEmpty());
            boxTitle = propertiesOf(box).title;
            QTest::keyClick(box, Qt::Key_Escape);
        });
        platform::messageBox(QStringLiteral("Вы действительно хотите выйти?"), QStringLiteral("Выход"),
                             platform::Buttons::YesNo, platform::Icon::Question);
        platform::setMessageBoxHandler(scripted);
        QCOMPARE(boxTitle, QStringLiteral("Выход"));
    }

    void framesOfTheDialogs_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("title");
        QTest::addColumn<unsigned>("buttons");
        QTest::newRow("table manager: no buttons") << "iSelectTable"
                                                   << "Таблицы..." << 0u;
        QTest::newRow("about box: close only") << "iAbout"
                                               << "О программе..." << kClose;
    }
    void framesOfTheDialogs() {
        QFETCH(QString, command);
        QFETCH(QString, title);
        QFETCH(unsigned, buttons);
        AppHarness app;
        app.makeCatalogue("home.mdb", {{"Books", {}}});
        app.writeSettings("[Options]\nDefaultBase=home.mdb\n");
        app.start();
        XWindow shown;
        whenModalShown([&](QWidget* dialog) {
            QTRY_VERIFY(!propertiesOf(dialog).title.isEmpty());
            shown = propertiesOf(dialog);
            QMetaObject::invokeMethod(dialog, "done", Q_ARG(int, 0));
        });
        app.main()->findChild<QAction*>(command)->trigger();
        QCOMPARE(shown.title, title);
        QCOMPARE(functionsOf(shown) & (kMinimize | kMaximize | kClose), buttons);
        QVERIFY(shown.minimum.isValid());
        QCOMPARE(shown.maximum, shown.minimum); // fixed size
        // The main window keeps every button and its minimum size.
        const XWindow main = propertiesOf(app.main());
        QCOMPARE(functionsOf(main) & (kMinimize | kMaximize | kClose), kMinimize | kMaximize | kClose);
        QCOMPARE(main.minimum, QSize(350, 180));
    }
};

int main(int argc, char* argv[]) {
    const pid_t windowManager = startWindowManager();
    int result;
    {
        QApplication app(argc, argv);
        TestDesktop test;
        result = QTest::qExec(&test, argc, argv);
    }
    if (windowManager > 0) {
        kill(windowManager, SIGTERM);
        waitpid(windowManager, nullptr, 0);
    }
    return result;
}
#include "tst_desktop.moc"
