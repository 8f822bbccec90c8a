// Start-up, settings, the opening sequence, column fitting and closing.
#include "AppHarness.h"

#include "controls/DataGrid.h"
#include "dialogs/AboutUnit.h"
#include "dialogs/TSelectUnit.h"
#include "engine/Query.h"
#include "platform/Version.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStyle>
#include <QtTest>

namespace {
const QStringList kCommands{"iNewBase",    "iSelectDB",    "iSelectTable",   "iExit",       "iBoth",    "iElapse",
                            "iExpired",    "iTitleFlt",    "iTypeFlt",       "iContactFlt", "iDesFlt",  "iOCheck",
                            "iAddRec",     "iEditRec",     "iDelRec",        "iContacts",   "iAbout",   "tbSelectTable",
                            "tbNewRecord", "tbEditRecord", "tbDeleteRecord", "tbSearch",    "tbFDepts", "tbContacts"};
}

class TestMainWindow : public QObject {
    Q_OBJECT

    QStringList enabled(AppHarness& app) {
        QStringList names;
        for (const QString& name : kCommands)
            if (app.main()->findChild<QAction*>(name)->isEnabled())
                names << name;
        return names;
    }

private slots:
    void init() { platform::overrideExecutableVersion(std::optional<QString>(QStringLiteral("1.2.3.4"))); }
    void cleanup() { platform::overrideExecutableVersion(std::nullopt); }

    void startMakesTheProgramFolderCurrent() {
        AppHarness app;
        const QString elsewhere = QDir::currentPath();
        QDir::setCurrent(QDir::tempPath());
        Program::PrepareApplication();
        QCOMPARE(QDir::currentPath(), QDir(app.folder.root()).canonicalPath());
        QCOMPARE(QApplication::applicationDisplayName(), QStringLiteral("Zandrel"));
        QDir::setCurrent(elsewhere);
    }

    void unwritableProgramFolderUsesTheUsersFolders_data() {
        QTest::addColumn<bool>("documents");
        QTest::newRow("documents folder") << true;
        QTest::newRow("home folder when there is none") << false;
    }
    void unwritableProgramFolderUsesTheUsersFolders() {
#ifdef _WIN32
        QSKIP("a folder's permissions and $HOME: the Windows folders are tested by their own rule");
#else
        QFETCH(bool, documents);
        AppHarness app;
        const QString bin = app.folder.path("bin"), home = app.folder.path("home");
        QVERIFY(QDir().mkpath(bin) && QDir().mkpath(home + "/Documents"));
        if (!documents)
            QDir(home).rmdir("Documents");
        QFile::setPermissions(bin, QFile::ReadOwner | QFile::ExeOwner); // as a package installs it
        platform::overrideProgramFolder(bin);
        const QByteArray oldHome = qgetenv("HOME"), oldConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("HOME", QFile::encodeName(home));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(app.folder.path("config")));
        Program::PrepareApplication();
        const QString expected = documents ? home + "/Documents" : home;
        QCOMPARE(QDir::currentPath(), expected);
        ScriptedMessageBoxes boxes;
        ScriptedFileDialogs dialogs;
        app.start();
        dialogs.choose(QString());
        app.ui()->iNewBase->trigger();
        QCOMPARE(dialogs.requests().last().initialFolder, expected);
        app.quit(boxes);
        QCOMPARE(boxes.count(), 1); // the exit question, no error
        QFile settings(app.folder.path("config/Zandrel/Zandrel.ini"));
        QVERIFY(settings.open(QIODevice::ReadOnly));
        QCOMPARE(settings.readAll(), QByteArray("[Options]\nCheckOnOpen=0\n"));
        QVERIFY(!QFile::exists(bin + "/Zandrel.ini"));
        qputenv("HOME", oldHome);
        qputenv("XDG_CONFIG_HOME", oldConfig);
        QFile::setPermissions(bin, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
#endif
    }

    void fileNamedOnTheCommandLine() {
        AppHarness app;
        app.makeCatalogue("home.mdb", {{"Books", {}}});
        app.makeCatalogue("other.mdb", {{"Discs", {}}});
        app.writeSettings("[Options]\nDefaultBase=home.mdb\n");
        QCOMPARE(Program::ParseCommandLine({"zandrel", "other.mdb"}).file, app.folder.path("other.mdb"));
        app.program = std::make_unique<Program>();
        app.program->openOnStart(app.folder.path("other.mdb"));
        app.program->show();
        QVERIFY(QTest::qWaitForWindowActive(app.main()));
        QTRY_COMPARE(app.main()->windowTitle(), QStringLiteral("Zandrel - other.mdb(Discs)"));
        QCOMPARE(DBPath, QStringLiteral("other.mdb")); // remembered by its bare name
        // The program itself answers --version.
        QProcess zandrel;
        zandrel.start(QStringLiteral(ZANDREL_EXECUTABLE), {"--version"});
        QVERIFY(zandrel.waitForFinished(10000));
        QCOMPARE(zandrel.readAllStandardOutput().trimmed(), QByteArray("Zandrel ") + ZANDREL_VERSION);
        // --help speaks Russian: no Latin word but the program's and the options' names.
        zandrel.start(QStringLiteral(ZANDREL_EXECUTABLE), {"--help"});
        QVERIFY(zandrel.waitForFinished(10000));
        const QString help = QString::fromUtf8(zandrel.readAllStandardOutput());
        QVERIFY(help.contains(QStringLiteral("Показать эту справку")));
        static const QRegularExpression names(
            QStringLiteral("--?(help|version|backups|check-due|force|debts|h|v)\\b|zandrel(\\.exe)?|\\.mdb"));
        for (const QString& line : help.split(u'\n'))
            QVERIFY2(!QString(line).remove(names).contains(QRegularExpression(QStringLiteral("[A-Za-z]"))),
                     qPrintable(line));
        // Words of any letters reach it whole (on Windows, argv would spell them in the ANSI code page).
        zandrel.start(QStringLiteral(ZANDREL_EXECUTABLE), {"--ёлка"});
        QVERIFY(zandrel.waitForFinished(10000));
        QCOMPARE(zandrel.exitCode(), 1);
        QVERIFY(QString::fromUtf8(zandrel.readAllStandardError()).contains(QStringLiteral("параметр: ёлка")));
    }

    void missingFileOnTheCommandLine() {
        AppHarness app;
        ScriptedMessageBoxes boxes;
        boxes.answer(platform::Answer::Ok);
        app.program = std::make_unique<Program>();
        app.program->openOnStart(app.folder.path("gone.mdb"));
        app.program->show();
        QVERIFY(QTest::qWaitForWindowActive(app.main()));
        QTRY_COMPARE(boxes.count(), 1);
        QCOMPARE(boxes.last().text, QStringLiteral("Файл базы данных 'gone.mdb' не найден.")); // as DBPath names it
        QVERIFY(app.ui()->DBGrid->isHidden());
        QCOMPARE(app.main()->windowTitle(), QStringLiteral("Zandrel"));
    }

    void firstStartWithoutSettings() {
        AppHarness app;
        ScriptedMessageBoxes boxes;
        app.start();
        QCOMPARE(app.main()->windowTitle(), QStringLiteral("Zandrel"));
        QVERIFY(app.ui()->DBGrid->isHidden());
        QVERIFY(app.ui()->lbTableList->isHidden());
        QCOMPARE(app.ui()->TopPanel->height(), 58);
        QCOMPARE(enabled(app), (QStringList{"iNewBase", "iSelectDB", "iExit", "iOCheck", "iAbout"}));
        QCOMPARE(app.main()->size(), QSize(670, 382));
        QCOMPARE(app.main()->minimumSize(), QSize(350, 180));
        app.quit(boxes);
        QCOMPARE(boxes.last().text, QStringLiteral("Вы действительно хотите выйти?"));
        QCOMPARE(boxes.last().caption, QStringLiteral("Выход"));
        QCOMPARE(boxes.last().icon, platform::Icon::Question);
        QCOMPARE(app.settings(), QStringLiteral("[Options]\nCheckOnOpen=0\n"));
    }

    void rememberedTableOpensSortedAndFitted() {
        AppHarness app;
        app.makeCatalogue("home.mdb", {{"Books", {"'Мастер', NULL, NULL", "'anna', NULL, NULL", "'Zoo', NULL, NULL"}},
                                       {"Apples", {}}});
        app.writeSettings("[Options]\nDefaultBase=home.mdb\nDefaultTable=Books\n");
        ScriptedMessageBoxes boxes;
        app.start();
        QCOMPARE(app.main()->windowTitle(), QStringLiteral("Zandrel - home.mdb(Books)"));
        QVERIFY(!app.ui()->DBGrid->isHidden());
        QCOMPARE(app.shownTitles(), (QStringList{"anna", "Zoo", "Мастер"}));
        QCOMPARE(DM->aqMain->currentRow(), 0);
        QCOMPARE(app.ui()->TopPanel->height(), 32);
        QVERIFY(!app.ui()->tbSearch->isChecked());
        QVERIFY(app.ui()->tbDeleteRecord->isEnabled());
        QVERIFY(app.ui()->iEditRec->isEnabled());
        QCOMPARE(TableNames, (QStringList{"Apples", "Books"}));
        const int share = app.ui()->DBGrid->width() - 160;
        QCOMPARE(app.columnWidths()[2], 80);
        QCOMPARE(app.columnWidths()[0] + app.columnWidths()[1] + app.columnWidths()[4] + app.columnWidths()[5], share);
        QCOMPARE(app.ui()->DBGrid->model()->headerData(4, Qt::Horizontal).toString(), QStringLiteral("Должник"));
    }

    void gridFollowsTheQueryAndScrollsRowsOnly() {
        AppHarness app;
        QStringList rows;
        for (int i = 0; i < 200; ++i)
            rows << QStringLiteral("'item %1', NULL, NULL").arg(i, 3, 10, QChar(u'0'));
        app.makeCatalogue("home.mdb", {{"Books", rows}});
        app.writeSettings("[Options]\nDefaultBase=home.mdb\n");
        app.start();
        QTest::keyClick(app.ui()->DBGrid, Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(DM->aqMain->currentRow(), 199);
        QCOMPARE(app.ui()->DBGrid->horizontalScrollBar()->value(), 0);
        QTest::keyClick(app.ui()->DBGrid, Qt::Key_I); // typing finds nothing by itself
        QCOMPARE(DM->aqMain->currentRow(), 199);
        DM->aqMain->setCurrentRow(5);
        QCOMPARE(app.ui()->DBGrid->currentIndex().row(), 5);
        QCOMPARE(app.ui()->DBGrid->model()->headerData(5, Qt::Vertical).toString(), QStringLiteral("►"));
    }

    void emptyTableDisablesEditAndDelete() {
        AppHarness app;
        app.makeCatalogue("home.mdb", {{"Books", {}}});
        app.writeSettings("[Options]\nDefaultBase=home.mdb\n");
        app.start();
        QVERIFY(app.ui()->iAddRec->isEnabled());
        QVERIFY(app.ui()->tbNewRecord->isEnabled());
        for (QAction* a : {app.ui()->iEditRec, app.ui()->iDelRec, app.ui()->tbEditRecord, app.ui()->tbDeleteRecord})
            QVERIFY(!a->isEnabled());
    }

    void storedTableThatIsGone() {
        AppHarness app;
        app.makeCatalogue("home.mdb", {{"Disks", {"'a', NULL, NULL"}}, {"Books", {}}});
        app.writeSettings("[Options]\nDefaultBase=home.mdb\nDefaultTable=Gone\nCheckOnOpen=0\n");
        ScriptedMessageBoxes boxes;
        app.start();
        QCOMPARE(DBTable, QStringLiteral("Books"));
        app.quit(boxes);
        QVERIFY(app.settings().contains("DefaultTable=Books\n"));
    }

    void storedNameInOtherCaseStaysAsStored() {
        AppHarness app;
        app.makeCatalogue("home.mdb", {{"Books", {}}});
        app.writeSettings("[Options]\nDefaultBase=home.mdb\nDefaultTable=BOOKS\n");
        app.start();
        QCOMPARE(app.main()->windowTitle(), QStringLiteral("Zandrel - home.mdb(BOOKS)"));
    }

    void noItemTableOpensTheTableManager() {
        AppHarness app;
        app.makeCatalogue("new.mdb", {});
        app.writeSettings("[Options]\nDefaultBase=new.mdb\n");
        bool gridHiddenWhileAsked = false;
        whenModalShown([&](QWidget* modal) {
            QCOMPARE(modal, static_cast<QWidget*>(fmTSForm));
            gridHiddenWhileAsked = app.ui()->DBGrid->isHidden();
            auto* name = modal->findChild<QLineEdit*>("eNTName");
            auto* list = modal->findChild<QListWidget*>("lbTableSelect");
            QTest::keyClick(list, Qt::Key_Insert);
            name->setText(QStringLiteral("Книги"));
            QTest::keyClick(name, Qt::Key_Return);
            QTest::keyClick(list, Qt::Key_Return);
        });
        app.start();
        QVERIFY(gridHiddenWhileAsked);
        QCOMPARE(DBTable, QStringLiteral("Книги"));
        QCOMPARE(app.main()->windowTitle(), QStringLiteral("Zandrel - new.mdb(Книги)"));
        QVERIFY(!app.ui()->DBGrid->isHidden());
    }

    void databaseOfAnotherProgramIsRefused() {
        AppHarness app;
        {
            engine::Connection c;
            engine::createDatabase(app.folder.path("other.db"));
            c.setConnectionString(QStringLiteral("Data Source=") + app.folder.path("other.db"));
            c.open();
            c.execute(QStringLiteral("CREATE TABLE invoices (number INTEGER, total REAL)"));
        }
        app.writeSettings("[Options]\nDefaultBase=other.db\n");
        ScriptedMessageBoxes boxes;
        boxes.answer(platform::Answer::Ok);
        app.start();
        QCOMPARE(boxes.last().text, QStringLiteral("Файл 'other.db' не является базой данных каталогизатора."));
        QCOMPARE(boxes.last().icon, platform::Icon::Error);
        QCOMPARE(app.main()->windowTitle(), QStringLiteral("Zandrel"));
        QVERIFY(app.ui()->DBGrid->isHidden());
        QVERIFY(!app.ui()->tbSelectTable->isEnabled());
    }

    void noToTheExitQuestionChangesNothing() {
        AppHarness app;
        app.makeCatalogue("home.mdb", {{"Books", {"'a', NULL, NULL"}}});
        app.writeSettings("[Options]\nDefaultBase=home.mdb\n");
        app.start();
        const QDateTime modified = QFileInfo(app.folder.path("home.mdb")).lastModified();
        ScriptedMessageBoxes boxes;
        boxes.answer(platform::Answer::No);
        app.ui()->iExit->trigger();
        QVERIFY(app.main()->isVisible());
        QVERIFY(DM->ADOConnection->connected());
        QVERIFY(DM->aqMain->isOpen());
        QVERIFY(!Closing);
        QCOMPARE(QFileInfo(app.folder.path("home.mdb")).lastModified(), modified);
        QCOMPARE(app.settings(), QStringLiteral("[Options]\nDefaultBase=home.mdb\n"));
    }

    void exitCompactsAndWritesBack() {
        AppHarness app;
        QStringList rows;
        for (int i = 0; i < 3000; ++i)
            rows << QStringLiteral("'item number %1 with a long title', NULL, NULL").arg(i);
        app.makeCatalogue("home.mdb", {{"Books", rows}});
        app.writeSettings("[Options]\nDefaultBase=home.mdb\nCheckOnOpen=1\n");
        ScriptedMessageBoxes search;
        search.answer(platform::Answer::Ok);
        app.start();
        QVERIFY(app.ui()->iOCheck->isChecked());
        QCOMPARE(search.last().text, QStringLiteral("Просроченных долгов нет.")); // the check at opening ran
        DM->ADOConnection->execute(QStringLiteral("DELETE FROM Books WHERE id>10"));
        const qint64 before = QFileInfo(app.folder.path("home.mdb")).size();
        app.ui()->iOCheck->trigger(); // off
        ScriptedMessageBoxes boxes;
        app.quit(boxes);
        QVERIFY(QFileInfo(app.folder.path("home.mdb")).size() < before);
        QCOMPARE(app.settings(),
                 QStringLiteral("[Options]\nDefaultBase=home.mdb\nCheckOnOpen=0\nDefaultTable=Books\n"));
    }

    void exitWithoutDatabaseDoesNotCompact() {
        AppHarness app;
        app.makeCatalogue("other.mdb", {{"Books", {}}});
        const QDateTime modified = QFileInfo(app.folder.path("other.mdb")).lastModified();
        app.writeSettings("[Options]\nDefaultBase=missing.mdb\n");
        app.start();
        QVERIFY(app.ui()->DBGrid->isHidden());
        ScriptedMessageBoxes boxes;
        app.quit(boxes);
        QCOMPARE(QDir(app.folder.root()).entryList({"mdb*"}), QStringList{});
        QCOMPARE(QFileInfo(app.folder.path("other.mdb")).lastModified(), modified);
    }

    void checkOnOpenIsReadAsAnInteger_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("checked");
        QTest::newRow("1") << "1" << true;
        QTest::newRow("0") << "0" << false;
        QTest::newRow("hex") << "0x10" << true;
        QTest::newRow("negative") << "-2" << true;
        QTest::newRow("no integer") << "yes" << false;
    }
    void checkOnOpenIsReadAsAnInteger() {
        QFETCH(QString, stored);
        QFETCH(bool, checked);
        AppHarness app;
        app.writeSettings("[Options]\nCheckOnOpen=" + stored + "\n");
        app.start();
        QCOMPARE(app.ui()->iOCheck->isChecked(), checked);
        QCOMPARE(CheckOnOpenFlag, checked);
    }

    void unwritableSettingsAreReported() {
        AppHarness app;
        app.writeSettings("[Options]\nDefaultBase=gone.mdb\n");
        app.start();
        DBPath = QStringLiteral("other.mdb");
        QFile::setPermissions(app.folder.path("Zandrel.ini"), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        ScriptedMessageBoxes boxes;
        boxes.answer(platform::Answer::Yes);
        boxes.answer(platform::Answer::Ok);
        app.ui()->iExit->trigger();
        app.program.reset();
        QCOMPARE(boxes.count(), 2);
        QCOMPARE(boxes.last().text, QStringLiteral("Unable to write to ") + app.folder.path("Zandrel.ini"));
        QFile::setPermissions(app.folder.path("Zandrel.ini"), QFile::ReadOwner | QFile::WriteOwner);
        QCOMPARE(app.settings(), QStringLiteral("[Options]\nDefaultBase=gone.mdb\n"));
    }

    void fitColumns_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("items");
        QTest::addColumn<QList<int>>("columns");
        QTest::newRow("548") << 548 << 0 << QList<int>{121, 73, 80, 80, 73, 121};
        QTest::newRow("360: halves to even") << 360 << 3 << QList<int>{62, 38, 80, 80, 38, 62};
        QTest::newRow("long table: beside the scroll bar") << 548 << 300 << QList<int>{};
    }
    void fitColumns() {
        QFETCH(int, width);
        QFETCH(int, items);
        QFETCH(QList<int>, columns);
        AppHarness app;
        app.makeCatalogue("home.mdb", {{"Books", QStringList(items, QStringLiteral("'item', NULL, NULL"))}});
        app.writeSettings("[Options]\nDefaultBase=home.mdb\n");
        app.start();
        app.ui()->pDBGrid->setFixedWidth(width + 2 * app.ui()->pDBGrid->frameWidth() + 2);
        QTRY_COMPARE(app.ui()->DBGrid->width(), width);
        const QScrollBar* bar = app.ui()->DBGrid->verticalScrollBar();
        QCOMPARE(bar->isVisibleTo(app.ui()->DBGrid), columns.isEmpty());
        if (columns.isEmpty()) { // the note column ends where the bar begins
            const QList<int> w = app.columnWidths();
            QTRY_COMPARE(w[0] + w[1] + w[2] + w[3] + w[4] + w[5], width - bar->width());
            QCOMPARE(w[2], 80);
        } else {
            QCOMPARE(app.columnWidths(), columns); // refitted by the resize itself
        }
    }

    void columnTitlesShowWhole() {
#ifdef _WIN32
        QSKIP("text widths: the offscreen platform under wine has a larger default font");
#endif
        AppHarness app;
        app.makeCatalogue("home.mdb", {{"Books", {}}});
        app.writeSettings("[Options]\nDefaultBase=home.mdb\n");
        app.start();
        const QHeaderView* titles = app.ui()->DBGrid->horizontalHeader();
        const int margin = titles->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, titles);
        for (int c = 0; c < titles->count(); ++c) {
            const QString title = titles->model()->headerData(c, Qt::Horizontal).toString();
            const QFont font = DataGrid::titleFont(titles->font(), title, titles->sectionSize(c) - 2 * margin);
            QVERIFY2(QFontMetrics(font).horizontalAdvance(title) <= titles->sectionSize(c) - 2 * margin,
                     qPrintable(title));
            if (QFontMetrics(titles->font()).horizontalAdvance(title) <= titles->sectionSize(c) - 2 * margin)
                QCOMPARE(font, titles->font()); // titles that fit keep the grid's font
        }
    }

    void openingTheFilterBarKeepsColumnsTheUserSet() {
        AppHarness app;
        app.makeCatalogue("home.mdb", {{"Books", {}}});
        app.writeSettings("[Options]\nDefaultBase=home.mdb\n");
        app.start();
        app.ui()->DBGrid->setColumnWidth(0, 200);
        const int gridHeight = app.ui()->DBGrid->height();
        app.ui()->iTitleFlt->trigger();
        QTRY_VERIFY(app.ui()->DBGrid->height() < gridHeight);
        QCOMPARE(app.columnWidths()[0], 200);
        app.main()->resize(app.main()->width() + 40, app.main()->height()); // the window's resize refits
        QTRY_COMPARE(app.columnWidths()[2] + app.columnWidths()[0] + app.columnWidths()[1] + app.columnWidths()[3]
                         + app.columnWidths()[4] + app.columnWidths()[5],
                     app.ui()->DBGrid->width());
    }

    void resizeAfterCloseBeganLeavesColumns() {
        AppHarness app;
        app.makeCatalogue("home.mdb", {{"Books", {}}});
        app.writeSettings("[Options]\nDefaultBase=home.mdb\n");
        app.start();
        const QList<int> before = app.columnWidths();
        Closing = true;
        app.main()->resize(500, 300);
        QTRY_VERIFY(app.ui()->DBGrid->width() < 500);
        QCOMPARE(app.columnWidths(), before);
        Closing = false;
    }

    void aboutBoxShowsTheVersion() {
        platform::overrideExecutableVersion(std::optional<QString>(QStringLiteral("2.0.11.305")));
        AppHarness app;
        app.start();
        auto* caption = fmAboutCaption();
        QCOMPARE(caption->text(), QStringLiteral("Zandrel v.2.0.11.305"));
        platform::overrideExecutableVersion(std::optional<QString>(QStringLiteral("9.9.9.9")));
        int shown = 0;
        whenModalShown([&](QWidget* modal) {
            ++shown;
            QCOMPARE(modal->windowTitle(), QStringLiteral("О программе..."));
            QTest::keyClick(modal, Qt::Key_Return); // ignored
            QVERIFY(modal->isVisible());
            QTest::keyClick(modal, Qt::Key_Escape);
        });
        app.ui()->iAbout->trigger();
        QCOMPARE(shown, 1);
        QCOMPARE(caption->text(), QStringLiteral("Zandrel v.2.0.11.305")); // read once, at creation
    }

    void missingVersionIsReportedAtStart() {
        platform::overrideExecutableVersion(std::optional<QString>());
        AppHarness app;
        ScriptedMessageBoxes boxes;
        boxes.answer(platform::Answer::Ok);
        app.start();
        QCOMPARE(boxes.count(), 1);
        QVERIFY(boxes.last().text.startsWith(QStringLiteral("Can't get file version information for ")));
        QCOMPARE(boxes.last().caption, QStringLiteral("Zandrel"));
        QCOMPARE(fmAboutCaption()->text(), QStringLiteral("Zandrel (версия)"));
    }

    void aboutLinksOpenThroughTheShell() {
        AppHarness app;
        app.start();
        ScriptedShell shell;
        for (const char* name : {"lurlHome", "lurlEMail"})
            QTest::mouseClick(fmAbout->findChild<QLabel*>(name), Qt::LeftButton);
        QCOMPARE(shell.opened().size(), 2);
        QVERIFY(shell.opened()[0].startsWith("https://"));
        QCOMPARE(shell.opened()[1], QStringLiteral("mailto:") + TfmAbout::kEMail + QStringLiteral("?subject=Zandrel"));
    }

private:
    QLabel* fmAboutCaption() { return fmAbout->findChild<QLabel*>("lZandrel"); }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
