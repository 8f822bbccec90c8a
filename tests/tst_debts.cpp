// Debt states: row colours, the note, the debt filters, the debt search,
// prolonging and writing off.
#include "AppHarness.h"

#include "engine/Query.h"

#include <QLabel>
#include <QProcess>
#include <QtTest>

namespace {
constexpr double kToday = 45352; // 1 March 2024
}

class TestDebts : public QObject {
    Q_OBJECT

    std::unique_ptr<AppHarness> app;
    std::unique_ptr<PinnedToday> today;

    // Items due yesterday, today, at noon today, tomorrow, the day after,
    // and never; all lent to Ира.
    void open(const QString& settings = {}) {
        app->makeCatalogue("home.mdb",
                           {{"A",
                             {"'yesterday', 1, 45351", "'today', 1, 45352", "'noon', 1, 45352.5",
                              "'tomorrow', 1, 45353", "'later', 1, 45354", "'undated', 1, NULL"}}},
                           {"1, 'Ира'"});
        app->writeSettings("[Options]\nDefaultBase=home.mdb\n" + settings);
        app->start();
    }
    int rowOf(const QString& title) { return int(app->shownTitles().indexOf(title)); }
    CellStyle paint(const QString& title, bool selected) {
        return app->main()->DBGridDrawColumnCell(rowOf(title), 2, selected);
    }

private slots:
    void init() {
        app = std::make_unique<AppHarness>();
        today = std::make_unique<PinnedToday>(kToday);
    }
    void cleanup() {
        app.reset();
        today.reset();
    }

    void rowsColouredByDebtState_data() {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QColor>("plain");
        QTest::addColumn<QColor>("selected");
        QTest::addColumn<bool>("bold");
        const QColor none;
        QTest::newRow("overdue") << "yesterday" << QColor(238, 136, 136) << QColor(128, 0, 0) << true;
        QTest::newRow("due today") << "today" << QColor(238, 238, 119) << QColor(128, 128, 0) << true;
        QTest::newRow("noon today") << "noon" << none << QColor(0, 0, 128) << false;
        QTest::newRow("tomorrow") << "tomorrow" << none << QColor(0, 0, 128) << false;
        QTest::newRow("no due date") << "undated" << none << QColor(0, 0, 128) << false;
    }
    void rowsColouredByDebtState() {
        QFETCH(QString, title);
        QFETCH(QColor, plain);
        QFETCH(QColor, selected);
        QFETCH(bool, bold);
        open();
        QCOMPARE(paint(title, false).background, plain);
        QCOMPARE(paint(title, false).bold, bold);
        QCOMPARE(paint(title, true).background, selected);
        QCOMPARE(paint(title, true).text, QColor(Qt::white));
    }

    void debtFilters_data() {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("Просроченные долги") << "iExpired" << QStringList{"yesterday"};
        QTest::newRow("Истекающие долги") << "iElapse" << QStringList{"today"};
        QTest::newRow("Актуальные долги") << "iBoth" << QStringList{"yesterday", "today"};
    }
    void debtFilters() {
        QFETCH(QString, filter);
        QFETCH(QStringList, shown);
        open();
        QAction* item = app->find<QAction>(qPrintable(filter));
        item->trigger();
        QCOMPARE(app->shownTitles(), shown);
        QVERIFY(item->isChecked());
        item->trigger(); // the same filter again: the whole table, the mark gone
        QCOMPARE(app->shownTitles().size(), 6);
        QVERIFY(!item->isChecked());
    }

    void theMarkMovesBetweenFilters() {
        open();
        QTest::keyClick(app->ui()->DBGrid, Qt::Key_D, Qt::ControlModifier);
        QTest::keyClick(app->ui()->DBGrid, Qt::Key_S, Qt::ControlModifier);
        QVERIFY(!app->find<QAction>("iExpired")->isChecked());
        QVERIFY(app->find<QAction>("iElapse")->isChecked());
        QCOMPARE(app->shownTitles(), QStringList{"today"});
    }

    void prolongAndWriteOff() {
        open();
        DM->aqMain->setCurrentRow(rowOf("yesterday"));
        app->main()->pmMainPopup();
        QVERIFY(app->find<QAction>("iProlong_3")->isEnabled());
        QVERIFY(app->find<QAction>("iClearDept")->isEnabled());
        app->find<QAction>("iProlong_1")->trigger();
        QCOMPARE(paint("yesterday", false).background, QColor(238, 238, 119)); // now due today
        app->find<QAction>("iProlong_3")->trigger();
        QVERIFY(!paint("yesterday", false).background.isValid());
        QCOMPARE(DM->aqMain->fieldByName("return").asFloat(), kToday + 3);
        DM->aqMain->setCurrentRow(rowOf("noon"));
        app->find<QAction>("iProlong_7")->trigger(); // from the old date, its time kept
        QCOMPARE(DM->aqMain->fieldByName("return").asFloat(), kToday + 7.5);
        DM->aqMain->setCurrentRow(rowOf("today"));
        app->find<QAction>("iClearDept")->trigger();
        for (const char* f : {"contact", "issue", "return"})
            QVERIFY2(DM->aqMain->fieldByName(f).isNull(), f);
        QVERIFY(!paint("today", false).background.isValid());
        app->main()->pmMainPopup();
        QVERIFY(!app->find<QAction>("iProlong_1")->isEnabled());
        QVERIFY(!app->find<QAction>("iClearDept")->isEnabled());
        engine::Connection c; // stored at once
        c.setConnectionString(QStringLiteral("Data Source=home.mdb"));
        c.open();
        QVERIFY(!c.hasRows("SELECT * FROM A WHERE title='today' AND contact IS NOT NULL"));
        QVERIFY(c.hasRows("SELECT * FROM A WHERE title='yesterday' AND return=45355"));
    }

    void debtSearchListsTheTablesWithLoansDue() {
        ScriptedMessageBoxes boxes;
        app->makeCatalogue("home.mdb",
                           {{"A", {"'later', 1, 45354"}},
                            {"B", {"'b', 1, 45353"}},
                            {"C", {"'c', NULL, NULL"}},
                            {"D", {"'d', 1, 45300", "'d2', 1, 45400"}}},
                           {"1, 'Ира'"});
        app->writeSettings("[Options]\nDefaultBase=home.mdb\nDefaultTable=C\n");
        app->start();
        QTest::keyClick(app->ui()->DBGrid, Qt::Key_Q, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(app->ui()->lbTableList->isHidden()); // Ctrl+Shift+Q is no search
        QTest::keyClick(app->ui()->DBGrid, Qt::Key_Q, Qt::ControlModifier);
        QListWidget* side = app->ui()->lbTableList;
        QCOMPARE(side->count(), 2);
        QCOMPARE(side->item(0)->text(), QStringLiteral("B"));
        QCOMPARE(side->item(1)->text(), QStringLiteral("D"));
        QCOMPARE(side->currentRow(), 0);
        QCOMPARE(app->shownTitles(), QStringList{"b"});
        QCOMPARE(app->main()->windowTitle(), QStringLiteral("Zandrel - home.mdb(B)"));
        QVERIFY(DebtsMode);
        QCOMPARE(DebtorFilter, QStringLiteral("1"));
        QCOMPARE(DBTable, QStringLiteral("C"));
        QCOMPARE(boxes.count(), 0);
        side->setCurrentRow(1);
        QCOMPARE(app->shownTitles(), QStringList{"d"});
    }

    // Keys that type nothing leave the side-list view; Tab moves the focus
    // to the side list. Typed characters end the view.
    void onlyTypedCharactersEndTheSideList_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("text"); // what X11 attaches to the key
        QTest::addColumn<bool>("ends");
        QTest::newRow("Tab") << int(Qt::Key_Tab) << 0 << "\t" << false;
        QTest::newRow("Shift+Tab") << int(Qt::Key_Backtab) << int(Qt::ShiftModifier) << "\t" << false;
        QTest::newRow("Delete, its command disabled") << int(Qt::Key_Delete) << 0 << "\x7f" << false;
        QTest::newRow("arrow") << int(Qt::Key_Down) << 0 << "" << false;
        QTest::newRow("Home") << int(Qt::Key_Home) << 0 << "" << false;
        QTest::newRow("F5") << int(Qt::Key_F5) << 0 << "" << false;
        QTest::newRow("a letter") << int(Qt::Key_X) << 0 << "x" << true;
        QTest::newRow("Backspace") << int(Qt::Key_Backspace) << 0 << "\b" << true;
        QTest::newRow("Esc") << int(Qt::Key_Escape) << 0 << "\x1b" << true;
    }
    void onlyTypedCharactersEndTheSideList() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, text);
        QFETCH(bool, ends);
        ScriptedMessageBoxes boxes;
        open();
        QTest::keyClick(app->ui()->DBGrid, Qt::Key_Q, Qt::ControlModifier);
        QVERIFY(!DebtorFilter.isEmpty());
        // As after the view's last item was deleted.
        for (QAction* a : {app->ui()->iDelRec, app->ui()->tbDeleteRecord})
            a->setEnabled(false);
        app->ui()->DBGrid->setFocus();
        QTest::sendKeyEvent(QTest::Click, app->ui()->DBGrid, Qt::Key(key), text, Qt::KeyboardModifiers(modifiers));
        QCOMPARE(DebtorFilter.isEmpty(), ends);
        QCOMPARE(app->ui()->lbTableList->isHidden(), ends);
        if (key == Qt::Key_Tab)
            QTRY_VERIFY(app->ui()->lbTableList->hasFocus());
    }

    void debtSearchFindingNothing() {
        ScriptedMessageBoxes boxes;
        app->makeCatalogue("home.mdb", {{"A", {"'later', 1, 45354"}}}, {"1, 'Ира'"});
        app->writeSettings("[Options]\nDefaultBase=home.mdb\n");
        app->start();
        boxes.answer(platform::Answer::Ok);
        app->find<QAction>("tbFDepts")->trigger();
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(boxes.last().text, QStringLiteral("Просроченных долгов нет."));
        QCOMPARE(boxes.last().caption, QStringLiteral("Долги..."));
        QCOMPARE(app->shownTitles(), QStringList{"later"});
        QVERIFY(app->ui()->lbTableList->isHidden());
        QVERIFY(!app->ui()->DBGrid->isHidden());
        QVERIFY(DebtsMode);
    }

    void failedSearchShowsTheGridAgain() {
        ScriptedMessageBoxes boxes;
        app->makeCatalogue("home.mdb", {{"A", {"'a', 1, 45300"}}}, {"1, 'Ира'"});
        engine::Connection c;
        c.setConnectionString(QStringLiteral("Data Source=") + app->folder.path("home.mdb"));
        c.open();
        c.execute("CREATE VIEW Names AS SELECT title FROM A"); // an item "table" without a due date
        c.close();
        app->writeSettings("[Options]\nDefaultBase=home.mdb\n");
        app->start();
        boxes.answer(platform::Answer::Ok);
        app->find<QAction>("tbFDepts")->trigger();
        QVERIFY(boxes.last().text.contains("return"));
        QVERIFY(!app->ui()->DBGrid->isHidden());
    }

    void noteFollowsTheCurrentItem() {
        app->makeCatalogue("home.mdb", {{"A", {"'a', NULL, NULL", "'b', NULL, NULL"}}});
        engine::Connection c;
        c.setConnectionString(QStringLiteral("Data Source=") + app->folder.path("home.mdb"));
        c.open();
        c.execute("UPDATE A SET description='на полке' WHERE title='a'");
        c.close();
        app->writeSettings("[Options]\nDefaultBase=home.mdb\n");
        app->start();
        auto* status = app->find<QLabel>("StatusPanel");
        QCOMPARE(status->text(), QStringLiteral("на полке"));
        QTest::keyClick(app->ui()->DBGrid, Qt::Key_Down);
        QCOMPARE(status->text(), QString());
        QTest::keyClick(app->ui()->DBGrid, Qt::Key_Up);
        QCOMPARE(status->text(), QStringLiteral("на полке"));
    }

    void sampleCatalogueShowsEveryKindOfLoan() {
        today.reset(); // the sample is dated from the real today
        QProcess demo;
        demo.start(QStringLiteral(ZANDREL_DEMO), {app->folder.path("demo.mdb")});
        QVERIFY(demo.waitForFinished(20000));
        QCOMPARE(demo.exitCode(), 0);
        app->writeSettings("[Options]\nDefaultBase=demo.mdb\nDefaultTable=Книги\n");
        app->start();
        QCOMPARE(TableNames, (QStringList{"Диски", "Игры", "Книги"}));
        QCOMPARE(DM->aqContacts->recordCount(), 12);
        QList<QColor> seen;
        for (int row = 0; row < DM->aqMain->recordCount(); ++row)
            seen << app->main()->DBGridDrawColumnCell(row, 0, false).background;
        QVERIFY(seen.contains(QColor(238, 136, 136))); // overdue
        QVERIFY(seen.contains(QColor(238, 238, 119))); // due today
        ScriptedMessageBoxes boxes;
        app->find<QAction>("tbFDepts")->trigger();
        QCOMPARE(app->ui()->lbTableList->count(), 3);
    }

    void checkAtOpeningAfterOpenNotAfterCreate() {
        ScriptedMessageBoxes boxes;
        ScriptedFileDialogs dialogs;
        app->makeCatalogue("other.mdb", {{"A", {}}});
        app->writeSettings("[Options]\nCheckOnOpen=1\n");
        app->start();
        dialogs.choose(app->folder.path("new.mdb"));
        whenModalShown([&](QWidget* manager) { // a first table for the new file
            QTest::keyClick(manager->findChild<QListWidget*>("lbTableSelect"), Qt::Key_Insert);
            manager->findChild<QLineEdit*>("eNTName")->setText("Books");
            QTest::keyClick(manager->findChild<QLineEdit*>("eNTName"), Qt::Key_Return);
            QTest::keyClick(manager->findChild<QListWidget*>("lbTableSelect"), Qt::Key_Return);
        });
        app->ui()->iNewBase->trigger();
        QCOMPARE(boxes.count(), 0);
        dialogs.choose(app->folder.path("other.mdb"));
        boxes.answer(platform::Answer::Ok);
        app->ui()->iSelectDB->trigger();
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(boxes.last().text, QStringLiteral("Просроченных долгов нет."));
        QVERIFY(!app->ui()->DBGrid->isHidden());
    }
};

QTEST_MAIN(TestDebts)
#include "tst_debts.moc"
