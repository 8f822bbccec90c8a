// The item editor and the record commands of the main window.
#include "AppHarness.h"

#include "controls/DatePicker.h"
#include "dialogs/ContactsUnit.h"
#include "dialogs/EditUnit.h"
#include "engine/Query.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

namespace {

// The file's rows of table, each "title|type|issue|return|contact|description".
QStringList rowsOf(const QString& table) {
    engine::Connection c;
    c.setConnectionString(ConnectionStringFor(DBPath));
    c.open();
    engine::Query q(&c, QStringLiteral("q"));
    q.addSql(QStringLiteral("SELECT * FROM ") + table);
    q.open();
    QStringList rows;
    for (int r = 0; r < q.recordCount(); ++r) {
        q.setCurrentRow(r);
        QStringList values;
        for (const char* f : {"title", "type", "issue", "return", "contact", "description"})
            values << q.fieldByName(QString::fromLatin1(f)).asString();
        rows << values.join(u'|');
    }
    return rows;
}

} // namespace

class TestItems : public QObject {
    Q_OBJECT

    std::unique_ptr<AppHarness> app;
    std::unique_ptr<PinnedToday> today;

    DataGrid* grid() { return app->ui()->DBGrid; }
    void open(const QMap<QString, QStringList>& tables, const QString& table = "A") {
        app->makeCatalogue("home.mdb", tables, {"1, 'Ира'", "2, 'Пётр'"});
        app->writeSettings("[Options]\nDefaultBase=home.mdb\nDefaultTable=" + table + "\n");
        app->start();
    }
    // Picks the debtor shown at row of the list, as the keyboard does.
    static void pickDebtor(QWidget* editor, int row) {
        auto* box = childOf<LookupComboBox>(editor, "lcbContact");
        box->setFocus();
        box->setCurrentIndex(row == 0 ? 1 : row - 1);
        QTest::keyClick(box, row == 0 ? Qt::Key_Up : Qt::Key_Down);
    }

private slots:
    void init() {
        app = std::make_unique<AppHarness>();
        today = std::make_unique<PinnedToday>(45352);
    }
    void cleanup() {
        app.reset();
        today.reset();
    }

    void newItemLentWithDates() {
        open({{"A", {}}});
        whenModalShown([&](QWidget* editor) {
            auto* save = childOf<QPushButton>(editor, "bbSave");
            for (const char* box : {"cbContact", "cbIssue", "cbReturn", "cbDescription"})
                QVERIFY2(!childOf<QCheckBox>(editor, box)->isChecked(), box);
            QCOMPARE(childOf<DatePicker>(editor, "IssuePicker")->dayNumber(), 45352.0);
            QCOMPARE(childOf<DatePicker>(editor, "ReturnPicker")->dayNumber(), 45352.0);
            QVERIFY(!save->isEnabled());
            childOf<QLineEdit>(editor, "TitleEdit")->setText("Книга");
            QVERIFY(save->isEnabled());
            childOf<QCheckBox>(editor, "cbContact")->setChecked(true);
            QVERIFY(!save->isEnabled()); // a debtor must be picked
            QVERIFY(!childOf<QCheckBox>(editor, "cbIssue")->isEnabled());
            pickDebtor(editor, 0);
            QVERIFY(save->isEnabled());
            QVERIFY(childOf<QCheckBox>(editor, "cbIssue")->isEnabled());
            childOf<QCheckBox>(editor, "cbIssue")->setChecked(true);
            childOf<QCheckBox>(editor, "cbReturn")->setChecked(true);
            QVERIFY(save->isEnabled()); // return equal to issue
            auto* back = childOf<DatePicker>(editor, "ReturnPicker");
            back->setDate(back->date().addDays(-1));
            QVERIFY(!save->isEnabled());
            back->setDate(back->date().addDays(8));
            QVERIFY(save->isEnabled());
            QTest::keyClick(childOf<QLineEdit>(editor, "TitleEdit"), Qt::Key_Return);
        });
        QTest::keyClick(grid(), Qt::Key_Insert);
        QCOMPARE(rowsOf("A"), QStringList{"Книга||45352|45359|1|"});
        QCOMPARE(app->enabledCommands().contains("tbEditRecord"), true);
        QCOMPARE(app->enabledCommands().contains("iDelRec"), true);
    }

    void savedValues_data() {
        QTest::addColumn<QString>("change"); // what the user does to the item below
        QTest::addColumn<QString>("stored");
        QTest::newRow("debtor unticked clears the loan") << "untick debtor"
                                                         << "Книга|книга||||";
        QTest::newRow("issue unticked, return kept") << "untick issue"
                                                     << "Книга|книга||45360|1|";
        QTest::newRow("ticked empty note is Null") << "empty note"
                                                   << "Книга|книга|45350|45360|1|";
        QTest::newRow("emptied kind is Null") << "empty kind"
                                              << "Книга||45350|45360|1|";
    }
    void savedValues() {
        QFETCH(QString, change);
        QFETCH(QString, stored);
        app->makeCatalogue("home.mdb", {{"A", {}}}, {"1, 'Ира'"});
        engine::Connection c;
        c.setConnectionString(QStringLiteral("Data Source=") + app->folder.path("home.mdb"));
        c.open();
        c.execute("INSERT INTO A (title, type, issue, return, contact) SELECT 'Книга', 'книга', 45350, 45360, 1");
        c.close();
        app->writeSettings("[Options]\nDefaultBase=home.mdb\n");
        app->start();
        whenModalShown([&](QWidget* editor) {
            QVERIFY(childOf<QCheckBox>(editor, "cbReturn")->isChecked());
            if (change == "untick debtor")
                childOf<QCheckBox>(editor, "cbContact")->setChecked(false);
            else if (change == "untick issue")
                childOf<QCheckBox>(editor, "cbIssue")->setChecked(false);
            else if (change == "empty note")
                childOf<QCheckBox>(editor, "cbDescription")->setChecked(true);
            else
                childOf<QLineEdit>(editor, "TypeEdit")->clear();
            click(childOf<QPushButton>(editor, "bbSave"));
        });
        QTest::keyClick(grid(), Qt::Key_Return);
        QCOMPARE(rowsOf("A"), QStringList{stored});
    }

    void cancelLeavesTheFileAsItWas() {
        open({{"A", {"'old', NULL, NULL"}}});
        int opened = 0;
        whenModalShown([&](QWidget* editor) {
            ++opened;
            childOf<QLineEdit>(editor, "TitleEdit")->setText("new");
            QTest::keyClick(editor, Qt::Key_Escape);
        });
        app->ui()->iAddRec->trigger();
        // A double-click on the titles opens nothing; on a row, the editor.
        QTest::mouseDClick(grid()->horizontalHeader()->viewport(), Qt::LeftButton, {}, QPoint(20, 5));
        QVERIFY(!mEditForm->isVisible());
        whenModalShown([&](QWidget* editor) {
            ++opened;
            childOf<QLineEdit>(editor, "TitleEdit")->setText("changed");
            click(childOf<QPushButton>(editor, "bbCancel"));
        });
        QTest::mouseDClick(grid()->viewport(), Qt::LeftButton, {},
                           grid()->visualRect(grid()->model()->index(0, 1)).center());
        QCOMPARE(opened, 2);
        QCOMPARE(rowsOf("A"), QStringList{"old|||||"});
        QCOMPARE(DM->aqMain->state(), engine::Query::State::Browse);
    }

    void deleteAsksWithTheTitle() {
        ScriptedMessageBoxes boxes;
        open({{"A", {"'Война и мир', NULL, NULL"}}});
        boxes.answer(platform::Answer::No);
        QTest::keyClick(grid(), Qt::Key_Delete, Qt::ControlModifier); // the same command as Del
        QCOMPARE(boxes.last().text, QStringLiteral("Вы действительно хотите удалить запись 'Война и мир'"));
        QCOMPARE(boxes.last().caption, QStringLiteral("Удаление записи..."));
        QCOMPARE(rowsOf("A").size(), 1);
        QVERIFY(app->ui()->iEditRec->isEnabled());
        boxes.answer(platform::Answer::Yes);
        QTest::keyClick(grid(), Qt::Key_Delete);
        QCOMPARE(rowsOf("A"), QStringList{});
        for (QAction* a : {app->ui()->iEditRec, app->ui()->tbEditRecord, app->ui()->iDelRec, app->ui()->tbDeleteRecord})
            QVERIFY2(!a->isEnabled(), qPrintable(a->objectName()));
    }

    void titleClicksSortAscending() {
        open({{"A", {"'b', 2, 45000", "'c', 1, 44000", "'a', NULL, NULL"}}});
        QCOMPARE(app->shownTitles(), (QStringList{"a", "b", "c"}));
        grid()->horizontalHeader()->sectionClicked(4); // "Должник": no column to sort on
        QCOMPARE(app->shownTitles(), (QStringList{"a", "b", "c"}));
        QTest::mouseClick(grid()->horizontalHeader()->viewport(), Qt::LeftButton, {},
                          QPoint(grid()->horizontalHeader()->sectionViewportPosition(3) + 5, 5));
        QCOMPARE(app->shownTitles(), (QStringList{"a", "c", "b"})); // Null first, then by return
    }

    void sideListRefreshAfterAnEdit() {
        open({{"A", {"'a1', 1, NULL"}}, {"B", {"'b1', 1, NULL", "'b2', 1, NULL"}}});
        DebtorFilter = "1";
        app->main()->ListTables({"A", "B"});
        app->main()->lbTableListClick();
        whenModalShown([&](QWidget* editor) { // the item goes to another debtor
            pickDebtor(editor, 1);
            click(childOf<QPushButton>(editor, "bbSave"));
        });
        app->ui()->iEditRec->trigger(); // Enter would end the side-list view
        QListWidget* side = app->ui()->lbTableList;
        QCOMPARE(side->count(), 1);
        QCOMPARE(side->item(0)->text(), QStringLiteral("B"));
        QVERIFY(!side->isHidden());
        side->setCurrentRow(0); // shows B
        ScriptedMessageBoxes boxes;
        boxes.answerAlways(platform::Answer::Yes);
        app->ui()->iDelRec->trigger();
        QCOMPARE(side->count(), 1); // b2 is left
        app->ui()->iDelRec->trigger();
        QVERIFY(side->isHidden()); // the last entry went: the whole table again
        QCOMPARE(DebtorFilter, QString());
        QCOMPARE(app->shownTitles(), QStringList{"a1"});
    }

    void refusedPostKeepsWhatWasTyped() {
        ScriptedMessageBoxes boxes;
        open({{"A", {"'mine', NULL, NULL"}}});
        int shown = 0;
        std::function<void(QWidget*)> editing = [&](QWidget* editor) {
            ++shown;
            auto* title = childOf<QLineEdit>(editor, "TitleEdit");
            if (shown == 1) {
                title->setText("typed");
                // Meanwhile another program changes the row.
                engine::Connection other;
                other.setConnectionString(QStringLiteral("Data Source=home.mdb"));
                other.open();
                other.execute("UPDATE A SET title='theirs'");
                boxes.answer(platform::Answer::Ok);
                whenModalShown(editing);
                click(childOf<QPushButton>(editor, "bbSave"));
            } else {
                QCOMPARE(title->text(), QStringLiteral("typed")); // back with what was typed
                click(childOf<QPushButton>(editor, "bbCancel"));
            }
        };
        whenModalShown(editing);
        app->ui()->iEditRec->trigger();
        QCOMPARE(shown, 2);
        QVERIFY(boxes.last().text.contains(QStringLiteral("изменена или удалена другой программой")));
        QCOMPARE(rowsOf("A"), QStringList{"theirs|||||"});
        QCOMPARE(DM->aqMain->state(), engine::Query::State::Browse);
    }

    void newItemSurvivesTheContactsWindow() {
        ScriptedMessageBoxes boxes;
        open({{"A", {"'other', NULL, NULL"}}});
        whenModalShown([&](QWidget* editor) {
            childOf<QLineEdit>(editor, "TitleEdit")->setText("Пластинка");
            childOf<QCheckBox>(editor, "cbContact")->setChecked(true);
            pickDebtor(editor, 0); // Ира
            whenModalShown([&](QWidget* contacts) {
                // Ира has no stored item, but the one being typed is hers.
                boxes.answer(platform::Answer::Ok);
                QTest::keyClick(childOf<DataGrid>(contacts, "DBGrid"), Qt::Key_Delete);
            });
            click(childOf<QPushButton>(editor, "bCEdit"));
            QVERIFY(editor->isVisible());
            click(childOf<QPushButton>(editor, "bbSave"));
        });
        app->ui()->tbNewRecord->trigger();
        QVERIFY(boxes.last().text.startsWith(QStringLiteral("Невозможно удалить контакт 'Ира'")));
        QCOMPARE(rowsOf("A"), (QStringList{"other|||||", "Пластинка||||1|"}));
        QCOMPARE(DM->aqContacts->recordCount(), 2);
        // The main window as a refused deletion leaves it: the whole table,
        // the side list with the contact's table.
        QCOMPARE(app->shownTitles().size(), 2);
        QCOMPARE(DebtorFilter, QStringLiteral("1"));
        QCOMPARE(app->ui()->lbTableList->item(0)->text(), QStringLiteral("A"));
    }

    // Restoring a minimised window is no new opening: nothing is loaded again
    // and the window stays where it was.
    void restoredWindowKeepsItsOpening_data() {
        QTest::addColumn<QString>("window");
        QTest::newRow("item editor") << "mEditForm";
        QTest::newRow("contact editor") << "fmCEdit";
        QTest::newRow("table manager") << "fmTSForm";
    }
    void restoredWindowKeepsItsOpening() {
        QFETCH(QString, window);
        open({{"A", {}}, {"B", {}}});
        QString typed, restored;
        QPoint placed(33, 44), after;
        const auto restore = [&](QWidget* w) {
            w->move(placed);
            auto* box = childOf<QLineEdit>(w, window == "mEditForm" ? "TitleEdit" : "eName");
            auto* list = childOf<QListWidget>(w, "lbTableSelect");
            if (list)
                list->setCurrentRow(1);
            else
                box->setText("Книга <b>1</b>");
            typed = list ? list->currentItem()->text() : box->text();
            w->showMinimized();
            w->showNormal(); // Qt sends the window a spontaneous show event
            restored = list ? list->currentItem()->text() : box->text();
            after = w->pos();
            if (auto* save = childOf<QPushButton>(w, "bbSave"))
                QVERIFY(save->isEnabled());
            QTest::keyClick(list ? static_cast<QWidget*>(list) : box, Qt::Key_Escape);
        };
        whenModalShown(restore);
        if (window == "mEditForm")
            QTest::keyClick(grid(), Qt::Key_Insert);
        else if (window == "fmTSForm")
            app->ui()->iSelectTable->trigger();
        else
            childOf<QAction>(cEditForm, "tbAdd")->trigger();
        QCOMPARE(restored, typed);
        QCOMPARE(after, placed);
        QCOMPARE(rowsOf("A"), QStringList{}); // cancelled
    }

    // User data is shown as typed: no markup in a question or the status bar.
    void markupInATitleIsShownAsTyped() {
        app->makeCatalogue("home.mdb", {{"A", {}}});
        engine::Connection c;
        c.setConnectionString(QStringLiteral("Data Source=") + app->folder.path("home.mdb"));
        c.open();
        c.execute("INSERT INTO A (title, description) SELECT '<b>Том</b> 1 a<br>b &amp;', '<i>x</i>'");
        c.close();
        app->writeSettings("[Options]\nDefaultBase=home.mdb\n");
        app->start();
        QCOMPARE(app->find<QLabel>("StatusPanel")->textFormat(), Qt::PlainText);
        QCOMPARE(app->find<QLabel>("StatusPanel")->text(), QStringLiteral("<i>x</i>"));
        const platform::MessageBoxHandler scripted = platform::setMessageBoxHandler({}); // the real box
        QString shown;
        Qt::TextFormat format = Qt::AutoText;
        whenModalShown([&](QWidget* box) {
            const auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
            shown = label->text();
            format = label->textFormat();
            QTest::keyClick(box, Qt::Key_Escape); // No
        });
        app->ui()->iDelRec->trigger();
        platform::setMessageBoxHandler(scripted);
        QCOMPARE(shown, QStringLiteral("Вы действительно хотите удалить запись '<b>Том</b> 1 a<br>b &amp;'"));
        QCOMPARE(format, Qt::PlainText);
        QCOMPARE(rowsOf("A").size(), 1);
    }

    // A debtor the contacts no longer hold still counts as chosen: the item
    // can be saved as it is, the box showing no name.
    void itemOfAVanishedDebtorSavesUnchanged() {
        open({{"A", {"'Книга', 7, 45360"}}});
        whenModalShown([&](QWidget* editor) {
            QCOMPARE(childOf<LookupComboBox>(editor, "lcbContact")->currentText(), QString());
            QVERIFY(childOf<QCheckBox>(editor, "cbIssue")->isEnabled());
            QVERIFY(childOf<QPushButton>(editor, "bbSave")->isEnabled());
            click(childOf<QPushButton>(editor, "bbSave"));
        });
        app->ui()->iEditRec->trigger();
        QCOMPARE(rowsOf("A"), QStringList{"Книга|||45360|7|"});
    }

    // The row indicator belongs to its row: a press makes the row current,
    // a double-click opens it.
    void doubleClickOnTheIndicatorOpensThatRow() {
        open({{"A", {"'a', NULL, NULL", "'b', NULL, NULL"}}});
        QString opened;
        whenModalShown([&](QWidget* editor) {
            opened = childOf<QLineEdit>(editor, "TitleEdit")->text();
            QTest::keyClick(editor, Qt::Key_Escape);
        });
        QHeaderView* indicator = grid()->verticalHeader();
        const QPoint second(indicator->width() / 2, indicator->sectionViewportPosition(1) + 3);
        QTest::mouseClick(indicator->viewport(), Qt::LeftButton, {}, second);
        QTest::mouseDClick(indicator->viewport(), Qt::LeftButton, {}, second);
        QCOMPARE(opened, QStringLiteral("b"));
    }
};

QTEST_MAIN(TestItems)
#include "tst_items.moc"
