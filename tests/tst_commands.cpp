// Database commands, search and filters, table switching: driven through
// the main window's controls and keys.
#include "AppHarness.h"

#include "controls/LookupComboBox.h"
#include "dialogs/TSelectUnit.h"
#include "engine/Query.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QtTest>
#include <sqlite3.h>

namespace {

const QStringList kBooks{"'Earring', 1, 45367",   "'String', NULL, NULL", "'ring binder', 2, 45352",
                         "NULL, NULL, NULL",      "'50% off', 1, 45368",  "'150 pages', NULL, NULL",
                         "'O''Brien', NULL, NULL"};

QByteArray digestOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)
                                       : QByteArray();
}

} // namespace

class TestCommands : public QObject {
    Q_OBJECT

    std::unique_ptr<AppHarness> app;

    void startOn(const QString& file, const QString& table = QStringLiteral("Books")) {
        app->writeSettings("[Options]\nDefaultBase=" + file + "\nDefaultTable=" + table + "\n");
        app->start();
    }
    void startWithBooks() {
        app->makeCatalogue("home.mdb", {{"Books", kBooks}, {"Disks", {"'Jazz', 2, 45352", "'Rock', NULL, NULL"}}},
                           {"1, 'Ann'", "2, 'Boris'"});
        startOn("home.mdb");
    }
    const MainControls* ui() { return app->ui(); }
    QStringList shown() {
        QStringList t = app->shownTitles();
        return t;
    }
    // "Создать базу данных" on a file that exists, answering both messages.
    void createOverAnExistingFile(ScriptedMessageBoxes& boxes) {
        QFile taken(app->folder.path("taken.mdb"));
        QVERIFY(taken.open(QIODevice::WriteOnly));
        taken.write("not mine to overwrite");
        taken.close();
        ScriptedFileDialogs dialogs;
        dialogs.choose(app->folder.path("taken.mdb"));
        boxes.answer(platform::Answer::Ok);
        boxes.answer(platform::Answer::Ok);
        ui()->iNewBase->trigger();
    }
    // Fills the side list the way the debt search and the contacts window do.
    void fillSideList(const QStringList& tables) {
        QListWidget* list = ui()->lbTableList;
        const QSignalBlocker quiet(list);
        list->clear();
        list->addItems(tables);
        list->show();
        list->setEnabled(true);
        list->setCurrentRow(0);
    }

private slots:
    void init() { app = std::make_unique<AppHarness>(); }
    void cleanup() { app.reset(); }

    // ---- database commands ----

    void newDatabaseNames_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("made");
        QTest::newRow("no dot gets .mdb") << "catalog"
                                          << "catalog.mdb";
        QTest::newRow("own extension kept") << "catalog.db"
                                            << "catalog.db";
        QTest::newRow("dotted folder") << "v1.2/catalog"
                                       << "v1.2/catalog.mdb";
        QTest::newRow("dotted folder, own extension") << "v1.2/catalog.db"
                                                      << "v1.2/catalog.db";
    }
    void newDatabaseNames() {
        QFETCH(QString, typed);
        QFETCH(QString, made);
        QDir(app->folder.root()).mkpath("v1.2");
        app->start();
        ScriptedFileDialogs dialogs;
        dialogs.choose(app->folder.path(typed));
        whenModalShown([&](QWidget* modal) { // no item table yet: the table manager asks for one
            auto* list = modal->findChild<QListWidget*>("lbTableSelect");
            QTest::keyClick(list, Qt::Key_Insert);
            modal->findChild<QLineEdit*>("eNTName")->setText(QStringLiteral("Книги"));
            QTest::keyClick(modal->findChild<QLineEdit*>("eNTName"), Qt::Key_Return);
            QTest::keyClick(list, Qt::Key_Return);
        });
        QTest::keyClick(app->main(), Qt::Key_N, Qt::ControlModifier);
        QVERIFY(QFileInfo(app->folder.path(made)).isFile());
        const QString expectedPath =
            made.contains(u'/') ? app->folder.path(made) : made; // bare in the program's folder
        QCOMPARE(DBPath, expectedPath);
        QCOMPARE(DBTable, QStringLiteral("Книги"));
        QCOMPARE(app->main()->windowTitle(),
                 QStringLiteral("Zandrel - ") + QFileInfo(made).fileName() + QStringLiteral("(Книги)"));
        QVERIFY(!ui()->DBGrid->isHidden());
        const platform::FileDialogRequest request = dialogs.requests().first();
        QCOMPARE(request.title, QStringLiteral("Новая база данных..."));
        QCOMPARE(request.filter, QStringLiteral("Базы данных Access (*.mdb)"));
        QCOMPARE(request.initialFolder, app->folder.root());
        QVERIFY(request.confirmOverwrite);
    }

    void pathIsBareOnlyInTheProgramFolder_data() {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<bool>("bare");
        QTest::newRow("program folder") << "%1/x.mdb" << true;
        QTest::newRow("sub folder") << "%1/sub/x.mdb" << false;
        QTest::newRow("other letter case") << "%2/x.mdb" << false;
    }
    void pathIsBareOnlyInTheProgramFolder() {
        QFETCH(QString, chosen);
        QFETCH(bool, bare);
        const QString root = app->folder.root();
        const QString path = QString(chosen).replace("%1", root).replace("%2", root.toUpper());
        QCOMPARE(TfmMainForm::ReducedPath(path), bare ? QStringLiteral("x.mdb") : path);
    }

    void failedCreationReopensThePreviousDatabase() {
        startWithBooks();
        ScriptedMessageBoxes boxes;
        createOverAnExistingFile(boxes);
        QCOMPARE(boxes.count(), 2);
        QCOMPARE(boxes.shown()[0].text, QStringLiteral("Файл '%1' уже существует").arg(app->folder.path("taken.mdb")));
        QCOMPARE(boxes.shown()[1].text,
                 QStringLiteral("Невозможно создать базу '%1'!").arg(app->folder.path("taken.mdb")));
        QCOMPARE(boxes.shown()[1].caption, QStringLiteral("Невозможно создать базу!"));
        QCOMPARE(boxes.shown()[1].icon, platform::Icon::Error);
        QCOMPARE(DBPath, QStringLiteral("home.mdb"));
        QCOMPARE(app->main()->windowTitle(), QStringLiteral("Zandrel - home.mdb(Books)"));
        QVERIFY(DM->aqMain->isOpen());
        QFile taken(app->folder.path("taken.mdb"));
        QVERIFY(taken.open(QIODevice::ReadOnly));
        QCOMPARE(taken.readAll(), QByteArray("not mine to overwrite"));
    }

    void failedCreationWithNoDatabaseShownStops() {
        app->start();
        ScriptedMessageBoxes boxes;
        createOverAnExistingFile(boxes);
        QCOMPARE(boxes.count(), 2); // the engine's refusal and the command's message, nothing more
        QVERIFY(DBPath.isEmpty());
        QVERIFY(ui()->DBGrid->isHidden());
        QCOMPARE(app->main()->windowTitle(), QStringLiteral("Zandrel"));
    }

    void openAnotherDatabase() {
        startWithBooks();
        app->makeCatalogue("other.mdb", {{"Zeta", {"'b', NULL, NULL", "'A', NULL, NULL"}}});
        ScriptedFileDialogs dialogs;
        dialogs.choose(app->folder.path("other.mdb"));
        QTest::keyClick(app->main(), Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(DBPath, QStringLiteral("other.mdb"));
        QCOMPARE(DBTable, QStringLiteral("Zeta"));
        QCOMPARE(shown(), (QStringList{"A", "b"}));
        QCOMPARE(app->main()->windowTitle(), QStringLiteral("Zandrel - other.mdb(Zeta)"));
        QCOMPARE(dialogs.requests().first().title, QStringLiteral("Открыть базу"));
        // Cancelling the dialog changes nothing.
        dialogs.choose(QString());
        ui()->iSelectDB->trigger();
        QCOMPARE(DBPath, QStringLiteral("other.mdb"));
        QVERIFY(!ui()->DBGrid->isHidden());
    }

    void refusedConversionLeavesNoDatabaseAndNoCompaction() {
        startWithBooks();
        {
            sqlite3* db = nullptr;
            QCOMPARE(sqlite3_open(QFile::encodeName(app->folder.path("old.mdb")).constData(), &db), SQLITE_OK);
            sqlite3_exec(db,
                         "CREATE TABLE contacts (id INTEGER PRIMARY KEY, name TEXT, phone TEXT, address TEXT, birthday "
                         "REAL, reliability INT);"
                         "CREATE TABLE Books (id INTEGER PRIMARY KEY, title TEXT, type TEXT, issue REAL, return REAL, "
                         "contact INT)",
                         nullptr, nullptr, nullptr);
            sqlite3_close(db);
        }
        const QByteArray before = digestOf(app->folder.path("old.mdb"));
        ScriptedFileDialogs dialogs;
        dialogs.choose(app->folder.path("old.mdb"));
        ScriptedMessageBoxes boxes;
        boxes.answer(platform::Answer::No);
        ui()->iSelectDB->trigger();
        QCOMPARE(boxes.last().caption, QStringLiteral("Конвертация базы"));
        QCOMPARE(DBPath, QStringLiteral("old.mdb"));
        QCOMPARE(app->main()->windowTitle(), QStringLiteral("Zandrel"));
        QVERIFY(ui()->DBGrid->isHidden());
        QCOMPARE(ui()->TopPanel->height(), 32);
        for (QAction* a :
             {ui()->tbNewRecord, ui()->tbSearch, ui()->iSelectTable, ui()->iTitleFlt, ui()->tbDeleteRecord})
            QVERIFY(!a->isEnabled());
        app->quit(boxes);
        QCOMPARE(digestOf(app->folder.path("old.mdb")), before);
        QCOMPARE(QDir(app->folder.root()).entryList({"mdb*"}), QStringList{});
        QVERIFY(app->settings().contains("DefaultBase=old.mdb\n"));
    }

    // ---- search and filters ----

    void search_data() {
        QTest::addColumn<QString>("menuKey");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("titles");
        QTest::newRow("title ring") << "Z"
                                    << "ring" << QStringList{"Earring", "String", "ring binder"};
        QTest::newRow("title RING") << "Z"
                                    << "RING" << QStringList{"Earring", "String", "ring binder"};
        QTest::newRow("50% is a pattern") << "Z"
                                          << "50%" << QStringList{"50% off", "150 pages"};
        QTest::newRow("quote searched literally") << "Z"
                                                  << "O'Brien" << QStringList{"O'Brien"};
        QTest::newRow("empty leaves nulls out")
            << "Z"
            << "" << QStringList{"Earring", "String", "ring binder", "50% off", "150 pages", "O'Brien"};
        QTest::newRow("pasted NUL dropped")
            << "Z" << QStringLiteral("ri\u0000ng") << QStringList{"Earring", "String", "ring binder"};
        QTest::newRow("kind") << "X"
                              << "винил" << QStringList{"String"};
        QTest::newRow("note") << "V"
                              << "ПОДАРОК" << QStringList{"ring binder"};
    }
    void search() {
        QFETCH(QString, menuKey);
        QFETCH(QString, text);
        QFETCH(QStringList, titles);
        app->makeCatalogue("home.mdb", {{"Books", kBooks}}, {"1, 'Ann'"});
        {
            engine::Connection c;
            c.setConnectionString("Data Source=" + app->folder.path("home.mdb"));
            c.open();
            c.execute("UPDATE Books SET type='Винил' WHERE title='String'");
            c.execute("UPDATE Books SET description='подарок от Ани' WHERE title='ring binder'");
        }
        startOn("home.mdb");
        QTest::keyClick(ui()->DBGrid, QKeySequence(menuKey)[0].key(), Qt::ControlModifier);
        QVERIFY(ui()->tbSearch->isChecked());
        QCOMPARE(ui()->TopPanel->height(), 58);
        QCOMPARE(QApplication::focusWidget(), ui()->eSearch);
        ui()->eSearch->insert(text); // as a paste puts it
        QTest::keyClick(ui()->eSearch, Qt::Key_Return);
        QCOMPARE(shown(), titles);
        QCOMPARE(ui()->tbDeleteRecord->isEnabled(), !titles.isEmpty());
        if (QTest::currentDataTag() == QLatin1String("title ring"))
            QCOMPARE(DM->aqMain->sqlText(), QStringLiteral("SELECT * FROM Books WHERE title LIKE '%ring%'\n"));
    }

    void searchFindingNothingDisablesDeleteOnly() {
        startWithBooks();
        QTest::keyClick(ui()->DBGrid, Qt::Key_Z, Qt::ControlModifier);
        ui()->eSearch->setText(QStringLiteral("nothing like this"));
        QTest::mouseClick(ui()->sbStartSearch, Qt::LeftButton);
        QCOMPARE(DM->aqMain->recordCount(), 0);
        QVERIFY(!ui()->tbDeleteRecord->isEnabled());
        for (QAction* a : {ui()->tbEditRecord, ui()->iEditRec, ui()->iDelRec})
            QVERIFY(a->isEnabled());
        // Closing the bar restores the whole table.
        ui()->tbSearch->trigger();
        QVERIFY(!ui()->tbSearch->isChecked());
        QCOMPARE(ui()->TopPanel->height(), 32);
        QCOMPARE(DM->aqMain->recordCount(), kBooks.size());
        QVERIFY(ui()->tbDeleteRecord->isEnabled());
        QVERIFY(!ui()->tbSBName->isVisible());
    }

    void escInTheTextBoxRestoresTheTable() {
        startWithBooks();
        ui()->tbSearch->trigger();
        QCOMPARE(QApplication::focusWidget(), ui()->eSearch);
        ui()->eSearch->setText(QStringLiteral("ring"));
        QTest::keyClick(ui()->eSearch, Qt::Key_Return);
        QCOMPARE(DM->aqMain->recordCount(), 3);
        QTest::keyClick(ui()->eSearch, Qt::Key_Escape);
        QVERIFY(!ui()->tbSearch->isChecked());
        QCOMPARE(DM->aqMain->recordCount(), kBooks.size());
        QVERIFY(!ui()->eSearch->isEnabled());
        QCOMPARE(QApplication::focusWidget(), ui()->DBGrid);
    }

    void debtorMode() {
        startWithBooks();
        ui()->eSearch->setText(QStringLiteral("kept"));
        QTest::keyClick(ui()->DBGrid, Qt::Key_Z, Qt::ControlModifier);
        QTest::keyClick(ui()->eSearch, Qt::Key_C, Qt::ControlModifier); // the command, not the clipboard
        QVERIFY(ui()->tbSBContact->isChecked());
        QVERIFY(ui()->eSearch->isHidden());
        QVERIFY(!ui()->cbCSearch->isHidden());
        QCOMPARE(QApplication::focusWidget(), ui()->cbCSearch);
        QCOMPARE(ui()->cbCSearch->count(), 2);
        QTest::keyClick(ui()->cbCSearch, Qt::Key_Return); // nobody chosen: the whole table
        QCOMPARE(DM->aqMain->recordCount(), kBooks.size());
        ui()->cbCSearch->setCurrentIndex(ui()->cbCSearch->findText(QStringLiteral("Ann")));
        QTest::keyClick(ui()->cbCSearch, Qt::Key_Return);
        QCOMPARE(shown(), (QStringList{"Earring", "50% off"}));
        QTest::keyClick(ui()->cbCSearch, Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(!ui()->eSearch->isHidden());
        QCOMPARE(ui()->eSearch->text(), QStringLiteral("kept"));
        QTest::keyClick(ui()->eSearch, Qt::Key_Escape);
        QCOMPARE(DM->aqMain->recordCount(), kBooks.size());
    }

    // ---- table switching ----

    void debtsViewShowsWhatIsDueByTomorrow() {
        PinnedToday today(day(2024, 3, 15));
        startWithBooks();
        DebtsMode = true;
        fillSideList({"Disks", "Books"});
        ui()->lbTableList->setCurrentRow(1);
        QTest::mouseClick(ui()->lbTableList->viewport(), Qt::LeftButton, {},
                          ui()->lbTableList->visualItemRect(ui()->lbTableList->item(1)).center());
        // 16 March and 1 March are shown; 17 March and undated are not.
        QCOMPARE(shown(), (QStringList{"Earring", "ring binder"}));
        QCOMPARE(DM->aqMain->sqlText(), QStringLiteral("SELECT * FROM Books WHERE return<=45367\n"));
        QCOMPARE(app->main()->windowTitle(), QStringLiteral("Zandrel - home.mdb(Books)"));
        // The keyboard moves the selection and shows that table.
        ui()->lbTableList->setFocus();
        QTest::keyClick(ui()->lbTableList, Qt::Key_Up);
        QCOMPARE(shown(), QStringList{"Jazz"});
        QCOMPARE(app->main()->windowTitle(), QStringLiteral("Zandrel - home.mdb(Disks)"));
        QCOMPARE(DBTable, QStringLiteral("Books"));
        DebtorFilter = QStringLiteral("2");
        QTest::keyClick(ui()->lbTableList, Qt::Key_Escape);
        QVERIFY(ui()->lbTableList->isHidden());
        QCOMPARE(app->main()->windowTitle(), QStringLiteral("Zandrel - home.mdb(Books)"));
        QCOMPARE(DM->aqMain->recordCount(), kBooks.size());
        QVERIFY(!DebtsMode);
        QVERIFY(DebtorFilter.isEmpty());
    }

    void sideListFollowsAMouseDrag() {
        startWithBooks();
        DebtsMode = false;
        DebtorFilter = QStringLiteral("2");
        fillSideList({"Books", "Disks"});
        QListWidget* list = ui()->lbTableList;
        QWidget* viewport = list->viewport();
        const QPoint first = list->visualItemRect(list->item(0)).center();
        const QPoint second = list->visualItemRect(list->item(1)).center();
        QTest::mousePress(viewport, Qt::LeftButton, {}, first);
        QMouseEvent move(QEvent::MouseMove, second, viewport->mapToGlobal(second), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(viewport, &move);
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, second);
        QCOMPARE(list->currentRow(), 1);
        QCOMPARE(shown(), QStringList{"Jazz"});
        QCOMPARE(app->main()->windowTitle(), QStringLiteral("Zandrel - home.mdb(Disks)"));
    }

    void debtorView() {
        startWithBooks();
        DebtsMode = false;
        DebtorFilter = QStringLiteral("2");
        fillSideList({"Books", "Disks"});
        app->main()->lbTableListClick();
        QCOMPARE(shown(), QStringList{"ring binder"});
        QCOMPARE(DM->aqMain->sqlText(), QStringLiteral("SELECT * FROM Books WHERE contact=2\n"));
    }

    void selectTableWithF3() {
        startWithBooks();
        ui()->tbSearch->trigger(); // the filter is on
        whenModalShown([](QWidget* modal) {
            auto* list = modal->findChild<QListWidget*>("lbTableSelect");
            list->setCurrentRow(1);
            QTest::keyClick(list, Qt::Key_Return);
        });
        QTest::keyClick(ui()->DBGrid, Qt::Key_F3);
        QCOMPARE(DBTable, QStringLiteral("Disks"));
        QCOMPARE(app->main()->windowTitle(), QStringLiteral("Zandrel - home.mdb(Disks)"));
        QCOMPARE(DM->aqMain->recordCount(), 2);
        QVERIFY(!ui()->tbSearch->isChecked());
        QCOMPARE(ui()->TopPanel->height(), 32);
        QCOMPARE(app->main()->focusWidget(), ui()->DBGrid); // the window's focus, whether or not it is active again
    }

    void cancelInTheTableManagerReloads() {
        startWithBooks();
        ui()->tbSearch->trigger();
        ui()->eSearch->setText(QStringLiteral("ring"));
        QTest::keyClick(ui()->eSearch, Qt::Key_Return);
        QCOMPARE(DM->aqMain->recordCount(), 3);
        whenModalShown(
            [](QWidget* modal) { QTest::keyClick(modal->findChild<QListWidget*>("lbTableSelect"), Qt::Key_Escape); });
        ui()->iSelectTable->trigger();
        QCOMPARE(DBTable, QStringLiteral("Books"));
        QCOMPARE(DM->aqMain->recordCount(), kBooks.size()); // reloaded whole
        QVERIFY(ui()->tbSearch->isChecked());               // the filter state is left as it was
    }

    // The manager's Cancel reads the table anew, its order and current row kept.
    void cancelInTheTableManagerKeepsOrderAndRow_data() {
        QTest::addColumn<bool>("readOnly");
        QTest::newRow("writable") << false;
        QTest::newRow("read-only") << true;
    }
    void cancelInTheTableManagerKeepsOrderAndRow() {
        QFETCH(bool, readOnly);
        app->makeCatalogue("home.mdb", {{"Books", kBooks}}, {"1, 'Ann'", "2, 'Boris'"});
        if (readOnly)
            QFile::setPermissions(app->folder.path("home.mdb"), QFile::ReadOwner);
        startOn("home.mdb");
        DM->aqMain->sort(QStringLiteral("title DESC"));
        DM->aqMain->setCurrentRow(4);
        const QStringList titles = shown();
        const qint64 current = DM->aqMain->integerValue(4, DM->aqMain->fieldIndex("id"));
        whenModalShown(
            [](QWidget* modal) { QTest::keyClick(modal->findChild<QListWidget*>("lbTableSelect"), Qt::Key_Escape); });
        QTest::keyClick(ui()->DBGrid, Qt::Key_F3);
        QCOMPARE(shown(), titles);
        QCOMPARE(DM->aqMain->integerValue(DM->aqMain->currentRow(), DM->aqMain->fieldIndex("id")), current);
        QCOMPARE(ui()->DBGrid->currentIndex().row(), 4);
        QFile::setPermissions(app->folder.path("home.mdb"), QFile::ReadOwner | QFile::WriteOwner);
    }
};

QTEST_MAIN(TestCommands)
#include "tst_commands.moc"
