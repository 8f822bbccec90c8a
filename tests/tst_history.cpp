// The loan history: every event of a loan recorded with the change, the
// history kept apart from the item tables and following their names, the
// figures of a contact, the windows that show them, the black-list question.
#include "AppHarness.h"

#include "controls/DatePicker.h"
#include "data/Layouts.h"
#include "dialogs/ContactsUnit.h"
#include "dialogs/HistoryUnit.h"
#include "dialogs/TSelectUnit.h"
#include "engine/Query.h"
#include "history/HistoryKeeper.h"
#include "history/LoanHistory.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QtTest>

#include <numeric>

#include <sqlite3.h>

namespace {

// The history as stored, a row per event: "event|table|item|contact|name|due before|due after".
QStringList history(const QString& file) {
    sqlite3* db = nullptr;
    QStringList rows;
    sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db,
                           "SELECT event, tablename, item, contact, contactname, duebefore, dueafter FROM _loans "
                           "ORDER BY id",
                           -1, &s, nullptr)
        == SQLITE_OK)
        while (sqlite3_step(s) == SQLITE_ROW) {
            QStringList values;
            for (int c = 0; c < 7; ++c)
                values << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, c)));
            rows << values.join(u'|');
        }
    else
        rows << QStringLiteral("no _loans");
    sqlite3_finalize(s);
    sqlite3_close(db);
    return rows;
}

loanhistory::EventRow loanEvent(loanhistory::Event kind, double at, double dueAfter = NAN, qint64 item = 1) {
    loanhistory::EventRow e;
    e.event = kind;
    e.at = at;
    e.loan.table = QStringLiteral("A");
    e.loan.item = item;
    e.loan.contact = 1;
    e.dueAfter = dueAfter;
    return e;
}

} // namespace

class TestHistory : public QObject {
    Q_OBJECT

    std::unique_ptr<AppHarness> app;
    std::unique_ptr<PinnedToday> today;

    // Ира (1) has "lent" (due 45350); "free" is at home; Пётр (2) is on the black list.
    void open() {
        app->makeCatalogue("home.mdb", {{"A", {"'lent', 1, 45350", "'free', NULL, NULL"}}}, {"1, 'Ира'", "2, 'Пётр'"});
        engine::Connection c;
        c.setConnectionString(QStringLiteral("Data Source=") + app->folder.path("home.mdb"));
        c.open();
        c.execute("UPDATE _contacts SET reliability=1 WHERE id=2");
        c.close();
        app->writeSettings("[Options]\nDefaultBase=home.mdb\n");
        app->start();
    }
    void select(const QString& title) {
        for (int r = 0; r < DM->aqMain->recordCount(); ++r)
            if (DM->aqMain->textValue(r, DM->aqMain->fieldIndex("title")) == title)
                DM->aqMain->setCurrentRow(r);
    }
    QStringList newEvents() { return history(app->folder.path("home.mdb")).mid(1); } // after the standing loan

private slots:
    void init() {
        app = std::make_unique<AppHarness>();
        today = std::make_unique<PinnedToday>(45352);
    }
    void cleanup() {
        app.reset();
        today.reset();
    }

    void everyLoanEventIsRecorded_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QStringList>("events");
        QTest::newRow("lent in the editor") << "lend free" << QStringList{"1|A|2|1|Ира||"};
        QTest::newRow("prolonged from the pop-up") << "prolong" << QStringList{"2|A|1|1|Ира|45350.0|45353.0"};
        QTest::newRow("due date moved in the editor") << "move due" << QStringList{"2|A|1|1|Ира|45350.0|45360.0"};
        QTest::newRow("returned: debtor unticked") << "return" << QStringList{"3|A|1|1|Ира|45350.0|"};
        QTest::newRow("written off") << "write off" << QStringList{"4|A|1|1|Ира|45350.0|"};
        QTest::newRow("handed to another debtor")
            << "hand over" << QStringList{"3|A|1|1|Ира|45350.0|", "1|A|1|2|Пётр||45350.0"};
        QTest::newRow("deleted while lent") << "delete" << QStringList{"5|A|1|1|Ира|45350.0|"};
        QTest::newRow("title changed: no event") << "retitle" << QStringList{};
        QTest::newRow("refused post: no event") << "refused" << QStringList{};
    }
    void everyLoanEventIsRecorded() {
        QFETCH(QString, action);
        QFETCH(QStringList, events);
        ScriptedMessageBoxes boxes;
        boxes.answerAlways(platform::Answer::Yes); // the black list, the delete question
        open();
        QCOMPARE(history(app->folder.path("home.mdb")), QStringList{"1|A|1|1|Ира||45350.0"}); // the standing loan
        select(action == "lend free" ? "free" : "lent");
        const auto editing = [&](const std::function<void(QWidget*)>& change) {
            whenModalShown([&, change](QWidget* editor) {
                change(editor);
                if (action == "refused") // the editor comes back with what was typed
                    whenModalShown([](QWidget* again) { click(childOf<QPushButton>(again, "bbCancel")); });
                click(childOf<QPushButton>(editor, "bbSave"));
            });
            app->ui()->iEditRec->trigger();
        };
        const auto pick = [](QWidget* editor, int row) {
            auto* box = childOf<LookupComboBox>(editor, "lcbContact");
            box->setCurrentIndex(row);
            emit box->activated(row);
        };
        if (action == "lend free")
            editing([&](QWidget* e) {
                childOf<QCheckBox>(e, "cbContact")->setChecked(true);
                pick(e, 0); // Ира
            });
        else if (action == "prolong")
            app->find<QAction>("iProlong_3")->trigger();
        else if (action == "move due")
            editing([](QWidget* e) { childOf<DatePicker>(e, "ReturnPicker")->setDayNumber(45360); });
        else if (action == "return")
            editing([](QWidget* e) { childOf<QCheckBox>(e, "cbContact")->setChecked(false); });
        else if (action == "write off")
            app->find<QAction>("iClearDept")->trigger();
        else if (action == "hand over")
            editing([&](QWidget* e) { pick(e, 1); }); // Пётр, asked about and lent all the same
        else if (action == "delete")
            app->ui()->iDelRec->trigger();
        else if (action == "retitle")
            editing([](QWidget* e) { childOf<QLineEdit>(e, "TitleEdit")->setText("renamed"); });
        else
            editing([&](QWidget* e) {
                childOf<QCheckBox>(e, "cbContact")->setChecked(false);
                engine::Connection other; // meanwhile another program changes the item
                other.setConnectionString(QStringLiteral("Data Source=home.mdb"));
                other.open();
                other.execute("UPDATE A SET type='changed' WHERE title='lent'");
            });
        QCOMPARE(newEvents(), events);
    }

    // The history is the program's own: listed nowhere, renamed with its
    // table; a file nobody may write works without it, and says nothing.
    void historyStaysOutOfTheListsAndFollowsRenames() {
        ScriptedMessageBoxes boxes;
        open();
        QCOMPARE(TableNames, QStringList{"A"});
        QVERIFY(!DM->ADOConnection->tableNames().contains("_loans"));
        fmTSForm->show();
        auto* list = childOf<QListWidget>(fmTSForm, "lbTableSelect");
        QCOMPARE(list->count(), 1);
        click(childOf<QToolButton>(fmTSForm, "tbRenTable"));
        childOf<QLineEdit>(fmTSForm, "eNTName")->setText("B");
        click(childOf<QToolButton>(fmTSForm, "SpeedButton1"));
        QCOMPARE(history(app->folder.path("home.mdb")), QStringList{"1|B|1|1|Ира||45350.0"});
        fmTSForm->hide();
    }

    // An item table removed, in the table manager or by another program:
    // its open loans end, its history is closed and marked in the contact's
    // list, and a new table of that name starts with none.
    void removedTableEndsItsLoans_data() {
        QTest::addColumn<bool>("inTheManager");
        QTest::newRow("removed in the table manager") << true;
        QTest::newRow("dropped by another program") << false;
    }
    void removedTableEndsItsLoans() {
        QFETCH(bool, inTheManager);
        ScriptedMessageBoxes boxes;
        boxes.answerAlways(platform::Answer::Yes);
        app->makeCatalogue("home.mdb", {{"Games", {"'chess', 1, 45300"}}, {"Books", {}}}, {"1, 'Сидоров'"});
        app->writeSettings("[Options]\nDefaultBase=home.mdb\nDefaultTable=Books\n");
        app->start();
        if (inTheManager) {
            fmTSForm->show();
            childOf<QListWidget>(fmTSForm, "lbTableSelect")->setCurrentRow(1); // Books, Games
            fmTSForm->tbRemoveTableClick();
            fmTSForm->hide();
        } else {
            app->program.reset();
            engine::Connection other;
            other.setConnectionString(QStringLiteral("Data Source=") + app->folder.path("home.mdb"));
            other.open();
            other.execute("DROP TABLE Games");
            other.close();
            app->start();
        }
        const auto loans = [] { return loanhistory::loansOf(loanhistory::contactEvents(*DM->ADOConnection, 1)); };
        QCOMPARE(loanhistory::figuresOf(loans(), 45352).held, 0); // as the tables say
        whenModalShown([](QWidget* window) {
            QCOMPARE(fmHistory->Rows(),
                     QStringList{"Games (удалена)|chess||09.01.2024|01.03.2024, таблица удалена|52"});
            QTest::keyClick(window, Qt::Key_Escape);
        });
        fmHistory->ShowContact(1, QStringLiteral("Сидоров"));
        // Games again: its item 1 was never lent, and lending it ends no loan.
        DM->ADOConnection->execute(QStringLiteral("Create Table Games\n") + layouts::kItemColumns);
        DM->ADOConnection->execute("INSERT INTO Games (title) SELECT 'go'");
        QVERIFY(loanhistory::itemEvents(*DM->ADOConnection, "Games", 1).isEmpty());
        DM->Reopen(DM->aqMain, {"SELECT * FROM Games"});
        DM->aqMain->edit();
        DM->aqMain->fieldByName("contact").setAsInteger(1);
        DM->aqMain->post();
        const QList<shape::Loan> now = loanhistory::loansOf(loanhistory::itemEvents(*DM->ADOConnection, "Games", 1));
        QCOMPARE(now.size(), 1);
        QCOMPARE(now[0].end, shape::Loan::End::Open);
        QCOMPARE(loans().size(), 2); // the removed table's loan, and this one
    }

    // A table without loan columns (made by another program) holds no loans:
    // the others are remembered and the history is kept.
    void tablesWithoutLoanColumnsLeaveTheHistoryOn() {
        ScriptedMessageBoxes boxes;
        app->makeCatalogue("home.mdb", {{"A", {"'lent', 1, 45350"}}}, {"1, 'Ира'"});
        engine::Connection c;
        c.setConnectionString(QStringLiteral("Data Source=") + app->folder.path("home.mdb"));
        c.open();
        c.execute("CREATE TABLE Notes (id INTEGER PRIMARY KEY, text VARCHAR(20))");
        c.execute("CREATE TABLE Lent (id INTEGER PRIMARY KEY, contact INT)"); // no title, issue or return
        c.execute("INSERT INTO Lent (contact) SELECT 1");
        c.close();
        app->writeSettings("[Options]\nDefaultBase=home.mdb\nDefaultTable=A\n");
        app->start();
        QVERIFY(loanhistory::kept());
        QCOMPARE(history(app->folder.path("home.mdb")), (QStringList{"1|A|1|1|Ира||45350.0", "1|Lent|1|1|Ира||"}));
    }

    // Editing a loan without a due date moves no due date.
    void editingAnUndatedLoanRecordsNothing() {
        ScriptedMessageBoxes boxes;
        app->makeCatalogue("home.mdb", {{"A", {"'undated', 1, NULL"}}}, {"1, 'Ира'"});
        app->writeSettings("[Options]\nDefaultBase=home.mdb\n");
        app->start();
        whenModalShown([](QWidget* editor) {
            childOf<QLineEdit>(editor, "TitleEdit")->setText("renamed");
            click(childOf<QPushButton>(editor, "bbSave"));
        });
        app->ui()->iEditRec->trigger();
        QCOMPARE(app->shownTitles(), QStringList{"renamed"});
        QCOMPARE(history(app->folder.path("home.mdb")), QStringList{"1|A|1|1|Ира||"});
    }

    // An item's loans with their dates as the grid shows them: an issue date
    // only where one was given, the return day of a returned loan.
    void itemHistoryShowsTheDatesOfTheLoans_data() {
        QTest::addColumn<QString>("events"); // value lists of (at, event, issue, dueafter)
        QTest::addColumn<QString>("row");
        QTest::newRow("returned late") << "45340.3, 1, 45340, 45345; 45350.5, 3, 45340, NULL"
                                       << "Ира|18.02.2024|23.02.2024|28.02.2024|5";
        QTest::newRow("lent without an issue date") << "45351.07, 1, NULL, 45360"
                                                    << "Ира||09.03.2024|на руках|";
        QTest::newRow("written off") << "45340, 1, 45340, 45350; 45351.9, 4, 45340, NULL"
                                     << "Ира|18.02.2024|28.02.2024|29.02.2024, списано|1";
    }
    void itemHistoryShowsTheDatesOfTheLoans() {
        QFETCH(QString, events);
        QFETCH(QString, row);
        ScriptedMessageBoxes boxes;
        app->makeCatalogue("home.mdb", {{"A", {"'item', NULL, NULL"}}}, {"1, 'Ира'"});
        app->writeSettings("[Options]\nDefaultBase=home.mdb\n");
        app->start();
        for (const QString& e : events.split(u';'))
            DM->ADOConnection->execute(
                "INSERT INTO _loans (at, event, issue, dueafter, tablename, item, contact, contactname) SELECT " + e
                + ", 'A', 1, 1, 'Ира'");
        whenModalShown([&](QWidget* window) {
            QCOMPARE(fmHistory->Rows(), QStringList{row});
            QTest::keyClick(window, Qt::Key_Escape);
        });
        QTest::keyClick(app->ui()->DBGrid, Qt::Key_H, Qt::ControlModifier);
    }

    // The contacts window opened again the same day shows what changed.
    void figuresFollowAChangeTheSameDay() {
        ScriptedMessageBoxes boxes;
        open();
        const auto heldAndWrittenOff = [&] {
            QString figures;
            whenModalShown([&](QWidget* contacts) {
                const QAbstractItemModel* model = childOf<DataGrid>(contacts, "DBGrid")->model();
                figures = model->index(0, 4).data().toString() + u'|' + model->index(0, 8).data().toString();
                QTest::keyClick(childOf<DataGrid>(contacts, "DBGrid"), Qt::Key_Escape);
            });
            app->find<QAction>("tbContacts")->trigger();
            return figures;
        };
        QCOMPARE(heldAndWrittenOff(), QStringLiteral("1|0"));
        select("lent");
        app->find<QAction>("iClearDept")->trigger();
        QCOMPARE(heldAndWrittenOff(), QStringLiteral("0|1"));
    }

    void readOnlyCatalogueWorksWithoutHistory() {
        ScriptedMessageBoxes boxes;
        app->makeCatalogue("home.mdb", {{"A", {"'lent', 1, 45350"}}}, {"1, 'Ира'"});
        app->writeSettings("[Options]\nDefaultBase=home.mdb\n");
        QFile::setPermissions(app->folder.path("home.mdb"), QFile::ReadOwner);
        app->start();
        QCOMPARE(app->main()->windowTitle(), QStringLiteral("Zandrel - home.mdb(A) (только чтение)"));
        QCOMPARE(boxes.count(), 0);
        QVERIFY(!loanhistory::kept());
        QVERIFY(!app->find<QAction>("iHistory")->isEnabled());
        QCOMPARE(history(app->folder.path("home.mdb")), QStringList{"no _loans"});
        QFile::setPermissions(app->folder.path("home.mdb"), QFile::ReadOwner | QFile::WriteOwner);
    }

    // A contact's figures: items held and of them overdue, loans returned
    // and of them late, loans written off.
    void figuresOfAContact_data() {
        using loanhistory::Event;
        QTest::addColumn<QList<loanhistory::EventRow>>("events");
        QTest::addColumn<QString>("figures"); // held|overdue|returned|late|written off
        QTest::newRow("returned on the due day")
            << QList{loanEvent(Event::Lent, 100, 110), loanEvent(Event::Returned, 110.9)} << "0|0|1|0|0";
        QTest::newRow("returned a day late, after a prolonging")
            << QList{loanEvent(Event::Lent, 100, 110), loanEvent(Event::Prolonged, 109, 112),
                     loanEvent(Event::Returned, 113)}
            << "0|0|1|1|0";
        QTest::newRow("written off") << QList{loanEvent(Event::Lent, 100, 110), loanEvent(Event::WrittenOff, 130)}
                                     << "0|0|0|0|1";
        QTest::newRow("held, one overdue")
            << QList{loanEvent(Event::Lent, 100, 45351, 1), loanEvent(Event::Lent, 100, 45352, 2)} << "2|1|0|0|0";
        QTest::newRow("all of them")
            << QList{loanEvent(Event::Lent, 100, 110, 1),   loanEvent(Event::Returned, 105, NAN, 1),
                     loanEvent(Event::Lent, 100, 110, 2),   loanEvent(Event::Returned, 120, NAN, 2),
                     loanEvent(Event::Lent, 100, 110, 3),   loanEvent(Event::WrittenOff, 200, NAN, 3),
                     loanEvent(Event::Lent, 100, 45000, 4), loanEvent(Event::Lent, 100, 45400, 5),
                     loanEvent(Event::Lent, 100, 110, 6),   loanEvent(Event::Deleted, 120, NAN, 6)}
            << "2|1|2|1|1";
    }
    void figuresOfAContact() {
        QFETCH(QList<loanhistory::EventRow>, events);
        QFETCH(QString, figures);
        const loanhistory::ContactFigures f = loanhistory::figuresOf(loanhistory::loansOf(events), 45352);
        QCOMPARE(
            QStringLiteral("%1|%2|%3|%4|%5").arg(f.held).arg(f.overdue).arg(f.returned).arg(f.late).arg(f.writtenOff),
            figures);
    }

    // A catalogue only read, and so without history, opened after one with
    // it: its contacts shown without figures and without a word of error.
    void aCatalogueWithoutHistoryAfterOneWithIt() {
        ScriptedMessageBoxes boxes;
        open();
        const auto contacts = [&](bool figures) {
            whenModalShown([figures](QWidget* window) {
                auto* grid = childOf<DataGrid>(window, "DBGrid");
                QCOMPARE(grid->model()->columnCount() > 5, figures);
                QTest::keyClick(grid, Qt::Key_Escape);
            });
            app->find<QAction>("tbContacts")->trigger();
        };
        contacts(true);
        app->makeCatalogue("other.mdb", {{"B", {"'x', 7, 45350"}}}, {"7, 'Анна'"}); // no figures of hers yet
        QFile::setPermissions(app->folder.path("other.mdb"), QFile::ReadOwner);
        ScriptedFileDialogs dialogs;
        dialogs.choose(app->folder.path("other.mdb"));
        app->ui()->iSelectDB->trigger();
        QVERIFY(app->main()->windowTitle().endsWith("(только чтение)"));
        contacts(false);
        QFile::setPermissions(app->folder.path("other.mdb"), QFile::ReadOwner | QFile::WriteOwner);
    }

    // «Напомнено»: the latest reminder of any of the contact's loans, in
    // whatever order they were given; each standing loan counts its own
    // since it was lent.
    void latestReminderIsTold_data() {
        using loanhistory::Event;
        QTest::addColumn<QList<loanhistory::EventRow>>("events");
        QTest::addColumn<double>("latest");
        QTest::addColumn<QList<int>>("counts"); // of the standing loans, as lent
        const QList<loanhistory::EventRow> lent{loanEvent(Event::Lent, 100, 110, 1),
                                                loanEvent(Event::Lent, 101, 110, 2)};
        QTest::newRow("the later one last")
            << lent + QList{loanEvent(Event::Reminded, 105, NAN, 1), loanEvent(Event::Reminded, 112, NAN, 2)} << 112.0
            << QList<int>{1, 1};
        QTest::newRow("the later one first")
            << lent + QList{loanEvent(Event::Reminded, 112, NAN, 2), loanEvent(Event::Reminded, 105, NAN, 1)} << 112.0
            << QList<int>{1, 1};
        QTest::newRow("one loan reminded twice")
            << lent + QList{loanEvent(Event::Reminded, 105, NAN, 1), loanEvent(Event::Reminded, 108, NAN, 1)} << 108.0
            << QList<int>{2, 0};
        QTest::newRow("returned and lent again: its count starts anew")
            << lent
                   + QList{loanEvent(Event::Reminded, 105, NAN, 1), loanEvent(Event::Returned, 106, NAN, 1),
                           loanEvent(Event::Lent, 107, 120, 1), loanEvent(Event::Reminded, 108, NAN, 2)}
            << 108.0 << QList<int>{1, 0};
    }
    void latestReminderIsTold() {
        QFETCH(QList<loanhistory::EventRow>, events);
        QFETCH(double, latest);
        QFETCH(QList<int>, counts);
        const QList<shape::Loan> loans = loanhistory::loansOf(events);
        const loanhistory::ContactFigures figures = loanhistory::figuresOf(loans, 45352);
        QCOMPARE(figures.lastReminded, latest);
        QList<int> standing;
        for (const shape::Loan& l : loans)
            if (l.end == shape::Loan::End::Open)
                standing << l.reminders;
        QCOMPARE(standing, counts);
        QCOMPARE(figures.reminders, std::accumulate(counts.begin(), counts.end(), 0));
    }

    // The windows: the contacts window's figure columns and hint, a
    // contact's and an item's loans.
    void windowsShowTheHistory() {
        ScriptedMessageBoxes boxes;
        open();
        select("lent");
        for (int i = 0; i < 2; ++i) { // two write-offs make Ира doubtful
            app->find<QAction>("iClearDept")->trigger();
            DM->aqMain->edit();
            DM->aqMain->fieldByName("contact").setAsInteger(1);
            DM->aqMain->fieldByName("return").setAsFloat(45350);
            DM->aqMain->post();
        }
        whenModalShown([&](QWidget* contacts) {
            auto* grid = childOf<DataGrid>(contacts, "DBGrid");
            QCOMPARE(grid->model()->headerData(4, Qt::Horizontal).toString(), QStringLiteral("Руки"));
            QCOMPARE(grid->model()->index(0, 4).data().toString(), QStringLiteral("1")); // Ира holds "lent"
            QCOMPARE(grid->model()->index(0, 5).data().toString(), QStringLiteral("1")); // overdue
            QCOMPARE(grid->model()->index(0, 8).data().toString(), QStringLiteral("2")); // written off
            // The hint fits the window's first size, and comes back after a passing message.
            auto* hint = childOf<QLabel>(contacts, "lHint");
            QVERIFY(hint->text().contains("Черный список"));
            QVERIFY(hint->isVisible());
#ifndef _WIN32 // the offscreen platform under wine has a larger default font
            QVERIFY2(hint->fontMetrics().horizontalAdvance(hint->text()) <= hint->contentsRect().width(),
                     qPrintable(QStringLiteral("%1 of %2 pixels")
                                    .arg(hint->fontMetrics().horizontalAdvance(hint->text()))
                                    .arg(hint->contentsRect().width())));
#endif
            grid->setCurrentIndex(grid->model()->index(0, 0)); // Ира's reminder
            childOf<QAction>(contacts, "tbReminder")->trigger();
            auto* status = childOf<QStatusBar>(contacts, "StatusBar");
            QVERIFY(!status->currentMessage().isEmpty());
            status->clearMessage(); // as its time runs out
            QVERIFY(hint->isVisible());
            QVERIFY(hint->text().contains("Черный список"));
            childOf<QAction>(contacts, "tbReminder")->trigger(); // reminded again
            QCOMPARE(grid->model()->headerData(9, Qt::Horizontal).toString(), QStringLiteral("Нап."));
            QCOMPARE(grid->model()->index(0, 9).data().toString(), QStringLiteral("2"));
            QCOMPARE(grid->model()->index(1, 9).data().toString(), QStringLiteral("0"));
            whenModalShown([](QWidget* window) {
                QCOMPARE(childOf<QLabel>(window, "lFigures")->text(),
                         QStringLiteral("На руках: 1 (просрочено 1). Возвращено: 0 (с опозданием 0). Списано: 2."));
                QCOMPARE(fmHistory->Rows().size(), 3);
                QTest::keyClick(window, Qt::Key_Escape);
            });
            childOf<QAction>(contacts, "tbContactHistory")->trigger();
            QTest::keyClick(grid, Qt::Key_Escape);
        });
        app->find<QAction>("tbContacts")->trigger();
        whenModalShown([](QWidget* window) {
            QCOMPARE(window->windowTitle(), QStringLiteral("История выдачи: lent"));
            // Lent without an issue date: «Выдано» stays empty, as in the grid.
            QCOMPARE(fmHistory->Rows(),
                     (QStringList{"Ира||28.02.2024|01.03.2024, списано|2", "Ира||28.02.2024|01.03.2024, списано|2",
                                  "Ира||28.02.2024|на руках, напомнено 2 раза, последний 01.03.2024|2"}));
            QTest::keyClick(window, Qt::Key_Escape);
        });
        QTest::keyClick(app->ui()->DBGrid, Qt::Key_H, Qt::ControlModifier);
    }

    // Lending to the black list is asked about; No keeps the editor as it was.
    void lendingToTheBlackListAsksFirst() {
        ScriptedMessageBoxes boxes;
        open();
        select("free");
        int saves = 0;
        whenModalShown([&](QWidget* editor) {
            childOf<QCheckBox>(editor, "cbContact")->setChecked(true);
            auto* box = childOf<LookupComboBox>(editor, "lcbContact");
            box->setCurrentIndex(1);
            emit box->activated(1); // Пётр
            boxes.answer(platform::Answer::No);
            click(childOf<QPushButton>(editor, "bbSave"));
            saves += !editor->isVisible();
            QCOMPARE(boxes.last().text, QStringLiteral("Контакт 'Пётр' в чёрном списке. Всё равно выдать?"));
            QCOMPARE(box->currentText(), QStringLiteral("Пётр"));
            boxes.answer(platform::Answer::Yes);
            click(childOf<QPushButton>(editor, "bbSave"));
        });
        app->ui()->iEditRec->trigger();
        QCOMPARE(saves, 0);
        QCOMPARE(boxes.count(), 2);
        QCOMPARE(newEvents(), QStringList{"1|A|2|2|Пётр||"});
    }
};

QTEST_MAIN(TestHistory)
#include "tst_history.moc"
